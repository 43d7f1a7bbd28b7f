// The server side of the object services that the sample server stands on: connection points,
// variant conversion and the apartment's queued calls.
#include "objsvc/OPCCommon.h"
#include "services/Apartment.h"
#include "services/ConnectionPoint.h"
#include "services/VariantConversion.h"

#include <QDateTime>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

namespace {

// A sink with one interface.
class Sink : public ComObject<IOPCShutdown>
{
public:
    HRESULT ShutdownRequest(LPCWSTR) override { return S_OK; }
};

} // namespace

class ServiceSupportTest : public QObject
{
    Q_OBJECT

private slots:
    void connectionPointKeepsItsSinksByCookie()
    {
        const auto point = MakeComObject<ConnectionPoint>(IID_IOPCShutdown);
        int advised = 0;
        int unadvised = 0;
        point->SetAdviseHook([&] { ++advised; });
        point->SetUnadviseHook([&] { ++unadvised; });
        const auto sink = MakeComObject<Sink>();
        DWORD first = 0;
        DWORD second = 0;
        QCOMPARE(point->Advise(sink->Unknown(), &first), S_OK);
        QCOMPARE(point->Advise(sink->Unknown(), &second), S_OK);
        QVERIFY(first != 0 && second != 0 && first != second);
        QCOMPARE(advised, 2);
        QCOMPARE(point->Sinks<IOPCShutdown>().size(), 2u);
        const auto wrongKind = MakeComObject<ConnectionPoint>(IID_IOPCServerList);
        DWORD cookie = 5;
        QCOMPARE(wrongKind->Advise(sink->Unknown(), &cookie), CONNECT_E_CANNOTCONNECT);
        QCOMPARE(cookie, 0u);
        QCOMPARE(point->Unadvise(first), S_OK);
        QCOMPARE(point->Unadvise(first), CONNECT_E_NOCONNECTION);
        QCOMPARE(unadvised, 1);
        QCOMPARE(point->SinkCount(), 1u);
        point->Detach();
        QCOMPARE(point->SinkCount(), 0u);
    }

    void variantsConvertWithinRange()
    {
        QVariant value = 70000;
        QCOMPARE(VariantChangeType(value, VT_I2), DISP_E_TYPEMISMATCH);
        QCOMPARE(value, QVariant(70000));
        value = QStringLiteral("12");
        QCOMPARE(VariantChangeType(value, VT_I4), S_OK);
        QCOMPARE(value, QVariant(12));
        value = 2.5;
        QCOMPARE(VariantChangeType(value, VT_I4), S_OK);
        QCOMPARE(value, QVariant(2));
        value = -1;
        QCOMPARE(VariantChangeType(value, VT_UI4), DISP_E_TYPEMISMATCH);
        value = QStringLiteral("on");
        QCOMPARE(VariantChangeType(value, VT_R8), DISP_E_TYPEMISMATCH);
        value = qlonglong(0x7FFFFFFFFFFFFFFF);
        QCOMPARE(VariantChangeType(value, VT_I8), S_OK);
        QCOMPARE(value.toLongLong(), qlonglong(0x7FFFFFFFFFFFFFFF));
        value = QVariantList{1, 2.0};
        QCOMPARE(VariantChangeType(value, VT_ARRAY | VT_I2), S_OK);
        QCOMPARE(value, QVariant(QVariantList{QVariant::fromValue<short>(1),
                                              QVariant::fromValue<short>(2)}));
        value = true;
        QCOMPARE(VariantChangeType(value, VT_EMPTY), S_OK);
        QCOMPARE(value, QVariant(true));
        QCOMPARE(VariantType(QVariant()), VT_EMPTY);
        QCOMPARE(VariantType(true), VT_BOOL);
        QCOMPARE(VariantType(QStringLiteral("x")), VT_BSTR);
        QCOMPARE(VariantType(QVariantList{}), VT_ARRAY | VT_VARIANT);
        QCOMPARE(VariantType(QDateTime::currentDateTime()), VT_DATE);
    }

    void apartmentCallsRunLaterAlsoInANestedLoop()
    {
        int calls = 0;
        PostToApartment([&] { ++calls; });
        QCOMPARE(calls, 0);
        QEventLoop nested;
        QTimer::singleShot(0, &nested, [&] {
            PostToApartment([&] {
                ++calls;
                nested.quit();
            });
        });
        nested.exec();
        QCOMPARE(calls, 2);
    }
};

QTEST_GUILESS_MAIN(ServiceSupportTest)
#include "tst_servicesupport.moc"
