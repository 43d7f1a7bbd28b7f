// Stray bytes on the line next to a reply, through the whole station on a pseudo-terminal: the
// reply is applied, and no other board's indicators change.
#include "StationOnBus.h"
#include "support/FrameBytes.h"

#include <map>

#include "floors/FloorScreens.h"
#include "link/ReplyAssembler.h"

namespace {

constexpr std::uint32_t Red = 0x000000FF;
constexpr std::uint32_t Lime = 0x0000FF00;

// Every indicator of every screen by its name.
std::map<QString, std::uint32_t> indicatorColours(Station& station)
{
    std::map<QString, std::uint32_t> colours;
    ScreenSet& screens = station.Screens();
    for (QWidget* screen :
         std::initializer_list<QWidget*>{&station.mainfrm(), screens.firstfrm, screens.Secondfrm,
                                         screens.Thirdfrm, screens.Fourfrm, screens.Fivefrm}) {
        for (TShape* shape : screen->findChildren<TShape*>())
            colours[shape->objectName()] = shape->Brush().Color;
    }
    return colours;
}

// "R51 lime, not red": the indicators whose colour is not the one expected.
QStringList differences(const std::map<QString, std::uint32_t>& actual,
                        const std::map<QString, std::uint32_t>& expected)
{
    const auto name = [](std::uint32_t c) {
        return c == Red ? QStringLiteral("red") : c == Lime ? QStringLiteral("lime") : "other";
    };
    QStringList found;
    for (const auto& [shape, colour] : expected) {
        const auto it = actual.find(shape);
        const std::uint32_t seen = it == actual.end() ? 0 : it->second;
        if (seen != colour)
            found << QStringLiteral("%1 %2, not %3").arg(shape, name(seen), name(colour));
    }
    return found;
}

} // namespace

class TestNoisyLine : public QObject
{
    Q_OBJECT
private slots:
    void aReplyAfterStrayBytesIsAppliedToItsBoardAlone_data()
    {
        QTest::addColumn<QByteArray>("stray");
        QTest::addColumn<int>("gapMs");
        for (int gap : {10, 20, 35, 50, 60, 70, 78})
            QTest::addRow("one zero byte, the reply %d ms later", gap)
                << QByteArray(1, '\0') << gap;
        for (int gap : {60, 150})
            QTest::addRow("00 05 09, the reply %d ms later", gap)
                << QByteArray::fromHex("000509") << gap;
        QTest::newRow("13 bytes of a cut reply, a whole one 50 ms later")
            << StatusReplyBytes(5, 0x00).left(13) << 50;
        QTest::newRow("13 bytes of a cut reply in the same block")
            << StatusReplyBytes(5, 0x00).left(13) << 0;
    }
    void aReplyAfterStrayBytesIsAppliedToItsBoardAlone()
    {
        QFETCH(QByteArray, stray);
        QFETCH(int, gapMs);
        StationOnBus s;
        s.OpenCom1();
        // Board 5's indicators red, on the first floor's screen, and the line quiet again.
        s.bus.InjectBytes(StatusReplyBytes(5, 0x7F));
        QTRY_COMPARE(s.Control<TShape>(s.station->Screens().firstfrm, "R57")->Brush().Color, Red);
        QTest::qWait(3 * ReplyAssembler::BurstGapMs);
        std::map<QString, std::uint32_t> expected = indicatorColours(*s.station);

        s.bus.InjectBytes(stray);
        s.bus.InjectBytes(StatusReplyBytes(1, 0x15), gapMs);
        QTRY_COMPARE(s.MainIndicator(5), Red);
        QTest::qWait(3 * ReplyAssembler::BurstGapMs); // anything applied late shows by now
        expected["R1"] = expected["R3"] = expected["R5"] = Red;
        expected["R2"] = expected["R4"] = Lime;
        QCOMPARE(differences(indicatorColours(*s.station), expected), QStringList());
    }
};

QTEST_MAIN(TestNoisyLine)
#include "tst_noisyline.moc"
