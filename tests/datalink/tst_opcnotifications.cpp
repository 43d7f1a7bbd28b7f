// The three notification objects: what they take from a server's call, how they convert time
// stamps, and that a handler letting go of its object in the middle of a call is safe.
#include "datalink/iOPCClasses.h"
#include "datalink/iOPCTime.h"
#include "datalink/iOPCTypes.h"

#include "StreamBlockWriter.h"
#include "services/GlobalAlloc.h"

#include <QCoreApplication>
#include <QTest>

#include <cstring>
#include <ctime>
#include <stdexcept>

namespace {

// 2024-03-01 12:00:00 UTC; 15:00 in the test's fixed zone, three hours east of UTC.
constexpr std::uint64_t NoonFileTime = 133537680000000000ULL;
constexpr double NoonLocalDays = 45352.0 + 15.0 / 24.0;

double nowDays()
{
    return OPCDateTimeFromLocal(QDateTime::currentDateTime());
}

struct Medium
{
    HGLOBAL memory;
    STGMEDIUM medium;

    explicit Medium(const QByteArray& block) : memory(GlobalAlloc(GHND, std::size_t(block.size())))
    {
        std::memcpy(GlobalLock(memory), block.constData(), std::size_t(block.size()));
        GlobalUnlock(memory);
        medium.tymed = TYMED_HGLOBAL;
        medium.hGlobal = memory;
    }
    ~Medium() { GlobalFree(memory); }
};

FORMATETC formatOf(CLIPFORMAT format)
{
    FORMATETC result;
    result.cfFormat = format;
    return result;
}

CLIPFORMAT firstFormatOfMain = 0;

struct Received
{
    QVariant value;
    WORD quality;
    double timeStamp;
    OPCHANDLE clientHandle;
};

} // namespace

class NotificationTest : public QObject
{
    Q_OBJECT

private slots:
    void streamFormatsAreRegisteredByNameAtStart()
    {
        // Registered at start, the link's formats come before the first one main registers.
        QVERIFY(firstFormatOfMain != 0);
        const TiOPCStreamFormats& formats = OPCStreamFormats();
        QVERIFY(formats.data < firstFormatOfMain && formats.dataTime < firstFormatOfMain &&
                formats.writeComplete < firstFormatOfMain);
        QCOMPARE(formats.data, RegisterClipboardFormat(QStringLiteral("OPCSTMFORMATDATA")));
        QCOMPARE(formats.dataTime, RegisterClipboardFormat(QStringLiteral("OPCSTMFORMATDATATIME")));
        QCOMPARE(formats.writeComplete,
                 RegisterClipboardFormat(QStringLiteral("OPCSTMFORMATWRITECOMPLETE")));
        QVERIFY(formats.data != formats.dataTime && formats.dataTime != formats.writeComplete);
    }

    void fileTimesBecomeLocalDays()
    {
        QCOMPARE(OPCTimeStampFromFileTime(0), 0.0);
        QVERIFY(qAbs(OPCTimeStampFromFileTime(NoonFileTime) - NoonLocalDays) < 1e-9);
        // 1899-12-29 18:00 local: the day before day zero counts backwards, the hour forwards.
        const QDateTime evening(QDate(1899, 12, 29), QTime(18, 0));
        QCOMPARE(OPCDateTimeFromLocal(evening), -1.75);
        QCOMPARE(OPCLocalFromDateTime(-1.75), evening);
        QCOMPARE(OPCLocalFromDateTime(NoonLocalDays), QDateTime(QDate(2024, 3, 1), QTime(15, 0)));
        // The wall-clock time, also an hour after the clocks went forward.
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "Europe/Berlin");
        tzset();
        const QDateTime springForward = OPCLocalFromDateTime(45382.125);
        qputenv("TZ", zone);
        tzset();
        QCOMPARE(springForward.time(), QTime(3, 0));
    }

    void unconvertibleTimeStampGivesNow()
    {
        for (const std::uint64_t fileTime : {0xFFFFFFFFFFFFFFFFULL, 0x7FFFFFFFFFFFFFFFULL}) {
            const double before = nowDays();
            const double converted = OPCTimeStampFromFileTime(fileTime);
            QVERIFY(converted >= before && converted <= nowDays());
        }
    }

    void dataChangeTakesTheFirstOfThreeEntries()
    {
        const auto callback = MakeComObject<TiOPCDataCallback>();
        std::vector<Received> calls;
        callback->Bind([&] {
            calls.push_back({callback->Value(), callback->Quality(), callback->TimeStamp(), 0});
        });
        const OPCHANDLE handles[] = {1, 2, 3};
        const VARIANT values[] = {QVariant(7), QVariant(8), QVariant(9)};
        const WORD qualities[] = {0xD8, OPC_QUALITY_BAD, OPC_QUALITY_GOOD};
        const FILETIME times[] = {MakeFileTime(NoonFileTime), MakeFileTime(0), MakeFileTime(5)};
        const HRESULT errors[] = {S_OK, S_OK, S_OK};
        QCOMPARE(
            callback->OnDataChange(0, 0, S_OK, S_OK, 3, handles, values, qualities, times, errors),
            S_OK);
        QCOMPARE(calls.size(), 1u);
        QCOMPARE(calls[0].value, QVariant(7));
        // The 2.0 path keeps the whole quality word.
        QCOMPARE(calls[0].quality, WORD(0xD8));
        QVERIFY(qAbs(calls[0].timeStamp - NoonLocalDays) < 1e-9);
    }

    void readCompleteIsHandledAsDataChange()
    {
        const auto callback = MakeComObject<TiOPCDataCallback>();
        int calls = 0;
        callback->Bind([&] { ++calls; });
        const OPCHANDLE handle = 1;
        const VARIANT value = QStringLiteral("on");
        const WORD quality = OPC_QUALITY_GOOD;
        const FILETIME time = MakeFileTime(0);
        const HRESULT error = S_OK;
        QCOMPARE(
            callback->OnReadComplete(0, 0, S_OK, S_OK, 1, &handle, &value, &quality, &time, &error),
            S_OK);
        QCOMPARE(calls, 1);
        QCOMPARE(callback->Value(), QVariant(QStringLiteral("on")));
        QCOMPARE(callback->TimeStamp(), 0.0);
        QCOMPARE(callback->OnWriteComplete(0, 0, S_OK, 1, &handle, &error), S_OK);
        QCOMPARE(callback->OnCancelComplete(0, 0), S_OK);
        QCOMPARE(calls, 1);
    }

    void emptyOrIncompleteDataChangeIsIgnored()
    {
        const auto callback = MakeComObject<TiOPCDataCallback>();
        int calls = 0;
        callback->Bind([&] { ++calls; });
        const OPCHANDLE handle = 1;
        const VARIANT value = 5;
        const WORD quality = OPC_QUALITY_GOOD;
        const FILETIME time = MakeFileTime(0);
        QCOMPARE(
            callback->OnDataChange(0, 0, S_OK, S_OK, 0, &handle, &value, &quality, &time, nullptr),
            S_OK);
        QCOMPARE(
            callback->OnDataChange(0, 0, S_OK, S_OK, 1, &handle, nullptr, &quality, &time, nullptr),
            S_OK);
        QCOMPARE(calls, 0);
        QVERIFY(!callback->Value().isValid());
    }

    void shutdownRequestCallsTheHandler()
    {
        const auto shutdown = MakeComObject<TiOPCShutdownCallback>();
        int calls = 0;
        shutdown->Bind([&] { ++calls; });
        QCOMPARE(shutdown->ShutdownRequest(u"maintenance"), S_OK);
        QCOMPARE(calls, 1);
        shutdown->Unbind();
        QCOMPARE(shutdown->ShutdownRequest(nullptr), S_OK);
        QCOMPARE(calls, 1);
    }

    void streamWithTimeStampsGivesEveryItemInOrder()
    {
        StreamBlockWriter writer(true);
        writer.Add(21, 0xD8, 3, NoonFileTime);
        writer.Add(22, 0x57, QStringLiteral("aus"), 0);
        const Medium medium(writer.Block());
        const auto sink = MakeComObject<TiOPCAdviseSink>();
        std::vector<Received> calls;
        sink->Bind([&] {
            calls.push_back(
                {sink->Value(), sink->Quality(), sink->TimeStamp(), sink->ClientHandle()});
        });
        const FORMATETC format = formatOf(OPCStreamFormats().dataTime);
        sink->OnDataChange(&format, &medium.medium);
        QCOMPARE(calls.size(), 2u);
        QCOMPARE(calls[0].clientHandle, 21u);
        QCOMPARE(calls[0].value, QVariant(3));
        // The stream path keeps only the quality bits.
        QCOMPARE(calls[0].quality, WORD(0xC0));
        QVERIFY(qAbs(calls[0].timeStamp - NoonLocalDays) < 1e-9);
        QCOMPARE(calls[1].clientHandle, 22u);
        QCOMPARE(calls[1].value, QVariant(QStringLiteral("aus")));
        QCOMPARE(calls[1].quality, WORD(0x40));
        QCOMPARE(calls[1].timeStamp, 0.0);
    }

    void streamWithoutTimeStampsGivesTimeStampZero()
    {
        StreamBlockWriter writer(false);
        writer.Add(1, OPC_QUALITY_GOOD, 1);
        writer.Add(2, OPC_QUALITY_GOOD, 2);
        const Medium medium(writer.Block());
        const auto sink = MakeComObject<TiOPCAdviseSink>();
        std::vector<double> stamps;
        sink->Bind([&] { stamps.push_back(sink->TimeStamp()); });
        const FORMATETC format = formatOf(OPCStreamFormats().data);
        sink->OnDataChange(&format, &medium.medium);
        QCOMPARE(stamps, (std::vector<double>{0.0, 0.0}));
    }

    void streamInAnotherFormatOrMediumIsIgnored()
    {
        StreamBlockWriter writer(true);
        writer.Add(1, OPC_QUALITY_GOOD, 1, NoonFileTime);
        const Medium medium(writer.Block());
        const auto sink = MakeComObject<TiOPCAdviseSink>();
        int calls = 0;
        sink->Bind([&] { ++calls; });
        for (const CLIPFORMAT other :
             {OPCStreamFormats().writeComplete, RegisterClipboardFormat(QStringLiteral("Text"))}) {
            const FORMATETC format = formatOf(other);
            sink->OnDataChange(&format, &medium.medium);
        }
        const FORMATETC format = formatOf(OPCStreamFormats().dataTime);
        STGMEDIUM wrongMedium = medium.medium;
        wrongMedium.tymed = TYMED_NULL;
        sink->OnDataChange(&format, &wrongMedium);
        STGMEDIUM freedMemory;
        freedMemory.tymed = TYMED_HGLOBAL;
        freedMemory.hGlobal = GlobalAlloc(GHND, 64);
        GlobalFree(freedMemory.hGlobal);
        sink->OnDataChange(&format, &freedMemory);
        sink->OnDataChange(nullptr, &medium.medium);
        sink->OnDataChange(&format, nullptr);
        QCOMPARE(calls, 0);
        sink->OnDataChange(&format, &medium.medium);
        QCOMPARE(calls, 1);
    }

    void handlerErrorsReachTheEventLoopNotTheServer()
    {
        StreamBlockWriter writer(true);
        for (OPCHANDLE handle = 1; handle <= 3; ++handle)
            writer.Add(handle, OPC_QUALITY_GOOD, int(handle), NoonFileTime);
        const Medium medium(writer.Block());
        const auto sink = MakeComObject<TiOPCAdviseSink>();
        std::vector<OPCHANDLE> delivered;
        sink->Bind([&] {
            delivered.push_back(sink->ClientHandle());
            if (sink->ClientHandle() == 2)
                throw std::invalid_argument("'2.5' is not a valid integer value");
        });
        const FORMATETC format = formatOf(OPCStreamFormats().dataTime);
        sink->OnDataChange(&format, &medium.medium);
        QCOMPARE(delivered, (std::vector<OPCHANDLE>{1, 2, 3}));
        // Raised only once the call is over, from the loop.
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, QCoreApplication::sendPostedEvents());
    }

    void handlerMayDropItsSinkDuringABlock()
    {
        StreamBlockWriter writer(true);
        for (OPCHANDLE handle = 1; handle <= 3; ++handle)
            writer.Add(handle, OPC_QUALITY_GOOD, int(handle), NoonFileTime);
        const Medium medium(writer.Block());
        auto sink = MakeComObject<TiOPCAdviseSink>();
        TiOPCAdviseSink* raw = sink.Get();
        int calls = 0;
        raw->Bind([&] {
            ++calls;
            raw->Unbind();
            sink.Reset();
        });
        const FORMATETC format = formatOf(OPCStreamFormats().dataTime);
        raw->OnDataChange(&format, &medium.medium);
        QCOMPARE(calls, 1);
        QVERIFY(!sink);
    }

    void handlerMayDropItsCallbackDuringACall()
    {
        auto callback = MakeComObject<TiOPCDataCallback>();
        TiOPCDataCallback* raw = callback.Get();
        int calls = 0;
        raw->Bind([&] {
            ++calls;
            raw->Unbind();
            callback.Reset();
        });
        const OPCHANDLE handle = 1;
        const VARIANT value = 1;
        const WORD quality = OPC_QUALITY_GOOD;
        const FILETIME time = MakeFileTime(0);
        QCOMPARE(raw->OnDataChange(0, 0, S_OK, S_OK, 1, &handle, &value, &quality, &time, nullptr),
                 S_OK);
        QCOMPARE(calls, 1);
    }
};

int main(int argc, char** argv)
{
    firstFormatOfMain = RegisterClipboardFormat(QStringLiteral("QuelvaneProbeFormat"));
    // A fixed zone without daylight saving, so that local times are known.
    qputenv("TZ", "QLV-3");
    tzset();
    QCoreApplication app(argc, argv);
    NotificationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_opcnotifications.moc"
