// A real rocker switch bound to an item of the sample server: values from the server move the
// switch, the operator's flips go to the server, and the link's health shows in ErrorActive.
#include "components/TiSwitchRocker.h"
#include "datalink/OPCError.h"
#include "datalink/iOPCItem.h"

#include "SampleDevice.h"
#include "StreamBlockWriter.h"
#include "services/Computers.h"
#include "support/EscapedErrors.h"

#include <QApplication>
#include <QJsonObject>
#include <QTest>
#include <QThread>

namespace {

const QString Relay = QStringLiteral("Floor1.Relay2");

QJsonObject storedItem(bool autoError, const QString& property)
{
    return QJsonObject{{QStringLiteral("PropertyName"), property},
                       {QStringLiteral("ServerName"), SampleDevice::ProgID()},
                       {QStringLiteral("ItemName"), Relay},
                       {QStringLiteral("UpdateRate"), 20},
                       {QStringLiteral("AutoError"), autoError}};
}

// What escaped the event handlers since the last clear.
QStringList& escapedErrors()
{
    return static_cast<EscapedErrors<QApplication>*>(qApp)->messages;
}

} // namespace

class SwitchLinkTest : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<SampleDevice> device_;
    std::unique_ptr<QWidget> window_;
    TiSwitchRocker* rocker_ = nullptr;
    std::vector<int> newData_;
    bool onUiThread_ = true;

    TiOPCItem* bind(bool autoError = false, const QString& property = QStringLiteral("Active"))
    {
        rocker_->OPCItemManager()->ReadItems(QJsonArray{storedItem(autoError, property)});
        return rocker_->OPCItemManager()->Items(0);
    }

private slots:
    void init()
    {
        device_ = std::make_shared<SampleDevice>();
        device_->SetItem(Relay, false);
        RegisterClass(LocalRegistry(), SampleServerClass(device_));
        window_ = std::make_unique<QWidget>();
        window_->resize(120, 120);
        rocker_ = new TiSwitchRocker(window_.get());
        rocker_->SetBounds(10, 10, 38, 89);
        newData_.clear();
        escapedErrors().clear();
        onUiThread_ = true;
        rocker_->OnNewOPCData = [this](int index) {
            newData_.push_back(index);
            onUiThread_ = onUiThread_ && QThread::currentThread() == qApp->thread();
        };
        window_->show();
        QApplication::setActiveWindow(window_.get());
        rocker_->setFocus();
        QTRY_VERIFY(rocker_->hasFocus());
    }

    void cleanup()
    {
        window_.reset();
        UnregisterClass(LocalRegistry(), SampleDevice::Clsid);
    }

    void goodServerValuesMoveTheSwitch_data()
    {
        QTest::addColumn<bool>("stream");
        QTest::addColumn<bool>("ownThread");
        QTest::newRow("callback") << false << false;
        QTest::newRow("callback from the server's thread") << false << true;
        QTest::newRow("stream from the server's thread") << true << true;
    }

    void goodServerValuesMoveTheSwitch()
    {
        QFETCH(bool, stream);
        QFETCH(bool, ownThread);
        device_->refuseDataCallback = stream;
        device_->notifyFromOwnThread = ownThread;
        bind();
        QTRY_COMPARE(newData_.size(), 1u);
        QVERIFY(!rocker_->Active());
        device_->SetItem(Relay, true);
        QTRY_VERIFY(rocker_->Active());
        QCOMPARE(newData_, (std::vector<int>{0, 0}));
        QVERIFY(onUiThread_);
        // A value that came from the link is not written back.
        QVERIFY(device_->writes.empty());
    }

    void serverValuesConvertByTheirDecimalText_data()
    {
        QTest::addColumn<bool>("stream");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("after");
        QTest::addColumn<QString>("error");
        const QString active = QStringLiteral("Active");
        const QString margin = QStringLiteral("IndicatorMargin");
        for (const bool stream : {false, true}) {
            const auto row = [&](const char* type, const QString& property, const QVariant& value,
                                 const QVariant& after, const char* error = "") {
                QTest::addRow("%s %s", stream ? "stream" : "callback", type)
                    << stream << property << value << after << QString::fromLatin1(error);
            };
            row("UI1 0", active, QVariant::fromValue(uchar(0)), false);
            row("I1 0", active, QVariant::fromValue(static_cast<signed char>(0)), false);
            row("UI1 5", margin, QVariant::fromValue(uchar(5)), 5);
            row("I1 -4", margin, QVariant::fromValue(static_cast<signed char>(-4)), -4);
            row("UI2 6", margin, QVariant::fromValue(ushort(6)), 6);
            row("R8 2.5", margin, 2.5, 3, "'2.5' is not a valid integer value");
            row("array", active, QVariantList{0}, false,
                "An array value cannot be assigned to 'Active'");
        }
    }

    void serverValuesConvertByTheirDecimalText()
    {
        QFETCH(bool, stream);
        QFETCH(QString, property);
        QFETCH(QVariant, value);
        QFETCH(QVariant, after);
        QFETCH(QString, error);
        device_->refuseDataCallback = stream;
        device_->SetItem(Relay, value);
        bind(false, property);
        QTRY_VERIFY(!newData_.empty() || !escapedErrors().isEmpty());
        QCOMPARE(rocker_->property(qPrintable(property)), after);
        // A value the property cannot take is reported from the event loop, not to the server.
        QCOMPARE(escapedErrors(), error.isEmpty() ? QStringList() : QStringList{error});
    }

    void badQualityValuesLeaveTheSwitchAlone()
    {
        bind();
        QTRY_COMPARE(newData_.size(), 1u);
        device_->SetItem(Relay, true, OPC_QUALITY_BAD);
        QTRY_COMPARE(newData_.size(), 2u);
        QVERIFY(!rocker_->Active());
        device_->SetItem(Relay, true, OPC_QUALITY_UNCERTAIN);
        QTRY_COMPARE(newData_.size(), 3u);
        QVERIFY(!rocker_->Active());
    }

    void flippingTheSwitchWritesTheServer()
    {
        bind();
        QTRY_COMPARE(newData_.size(), 1u);
        QTest::keyClick(rocker_, Qt::Key_Space);
        QVERIFY(rocker_->Active());
        QCOMPARE(device_->writes.size(), 1u);
        QCOMPARE(device_->writes[0].itemId, Relay);
        QCOMPARE(device_->writes[0].value, QVariant(true));
        // The server reports the written value back; the switch stays and nothing is echoed.
        QTRY_COMPARE(newData_.size(), 2u);
        QVERIFY(rocker_->Active());
        QTest::keyClick(rocker_, Qt::Key_Space);
        QCOMPARE(device_->writes.size(), 2u);
        QCOMPARE(device_->writes[1].value, QVariant(false));
    }

    void switchInAShutDownLinkCannotWrite()
    {
        TiOPCItem* item = bind();
        QTRY_COMPARE(newData_.size(), 1u);
        device_->RequestShutdown(QStringLiteral("maintenance"));
        QTRY_COMPARE(device_->itemsRemoved, 1);
        QVERIFY(item->Linked());
        QString error;
        try {
            rocker_->SetActive(true);
        } catch (const OPCError& e) {
            error = e.Message();
        }
        QCOMPARE(error, QStringLiteral("Data Write Failure - Not Connected to Group"));
        QVERIFY(device_->writes.empty());
    }

    void errorValueOfADataAccess10ServerShowsAndFiresTheEvent()
    {
        device_->refuseDataCallback = true;
        TiOPCItem* item = bind(true);
        QTRY_COMPARE(newData_.size(), 1u);
        QVERIFY(!rocker_->ErrorActive());
        device_->SetItem(Relay, QVariant::fromValue(StreamErrorValue{E_FAIL}), OPC_QUALITY_BAD);
        QTRY_COMPARE(newData_.size(), 2u);
        QCOMPARE(newData_.back(), 0);
        QVERIFY(rocker_->ErrorActive());
        QVERIFY(!rocker_->Active());
        QVERIFY(!item->Value().isValid());
        QCOMPARE(item->Quality(), OPC_QUALITY_BAD);
        QVERIFY(item->TimeStamp() > 0.0);
        QCOMPARE(device_->streamAdvises.size(), 1u);
    }

    void undecodableGoodValueFiresTheEventButSetsNothing()
    {
        device_->refuseDataCallback = true;
        bind(true);
        QTRY_COMPARE(newData_.size(), 1u);
        QVERIFY(!rocker_->Active());
        device_->SetItem(Relay, QVariant::fromValue(StreamErrorValue{E_FAIL}), OPC_QUALITY_GOOD);
        QTRY_COMPARE(newData_.size(), 2u);
        QVERIFY(!rocker_->Active());
    }

    void autoErrorMirrorsTheLinkIntoErrorActive()
    {
        auto* idle = new TiOPCItem;
        rocker_->OPCItemManager()->Add(idle);
        QVERIFY(!rocker_->ErrorActive());
        idle->SetAutoError(true);
        QVERIFY(rocker_->ErrorActive());

        bind(true);
        QTRY_COMPARE(newData_.size(), 1u);
        QVERIFY(!rocker_->ErrorActive());
        device_->SetItem(Relay, true, OPC_QUALITY_BAD);
        QTRY_VERIFY(rocker_->ErrorActive());
        device_->SetItem(Relay, true, OPC_QUALITY_GOOD);
        QTRY_VERIFY(!rocker_->ErrorActive());
        rocker_->OPCItemManager()->Items(0)->Disconnect();
        rocker_->OPCItemManager()->Items(0)->UpdateError();
        QVERIFY(rocker_->ErrorActive());
    }
};

int main(int argc, char** argv)
{
    EscapedErrors<QApplication> app(argc, argv);
    SwitchLinkTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_switchlink.moc"
