#include "link/ControllerFrame.h"

#include <QTest>

namespace {

QByteArray bytesOf(const ControllerFrame& frame)
{
    return QByteArray(reinterpret_cast<const char*>(frame.data()), int(frame.size()));
}

QByteArray hexFrame(const char* head, int zeros, const char* checksum)
{
    return QByteArray::fromHex(head) + QByteArray(zeros, '\0') + QByteArray::fromHex(checksum);
}

} // namespace

class TestControllerFrame : public QObject
{
    Q_OBJECT
private slots:
    void builtFramesMatchTheWorkedExamples_data()
    {
        QTest::addColumn<QByteArray>("built");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("status 1") << bytesOf(BuildStatusRequest(1)) << hexFrame("AA0109", 22, "B4");
        QTest::newRow("status 21")
            << bytesOf(BuildStatusRequest(21)) << hexFrame("AA1509", 22, "C8");
        QTest::newRow("switch 2 third on")
            << bytesOf(BuildSwitchCommand(2, 4, 4)) << hexFrame("AA02130404", 20, "C7");
        QTest::newRow("switch 2 third off")
            << bytesOf(BuildSwitchCommand(2, 4, 0)) << hexFrame("AA02130400", 20, "C3");
        QTest::newRow("switch 2 eighth on, checksum wraps from 0x1BF")
            << bytesOf(BuildSwitchCommand(2, 0x80, 0x80)) << hexFrame("AA02138080", 20, "BF");
        QTest::newRow("switch 1 third on")
            << bytesOf(BuildSwitchCommand(1, 4, 4)) << hexFrame("AA01130404", 20, "C6");
        QTest::newRow("switch 18 eighth on")
            << bytesOf(BuildSwitchCommand(18, 0x80, 0x80)) << hexFrame("AA12138080", 20, "CF");
    }
    void builtFramesMatchTheWorkedExamples()
    {
        QFETCH(QByteArray, built);
        QFETCH(QByteArray, expected);
        QCOMPARE(built.toHex(' '), expected.toHex(' '));
    }

    void checksumIgnoresItsOwnByte()
    {
        ControllerFrame frame = BuildStatusRequest(1);
        frame[ControllerFrameLayout::Checksum] = 0x00;
        QCOMPARE(FrameChecksum(frame), std::uint8_t(0xB4));
    }

    void statusReplyIsRecognisedByCommandByteOnly()
    {
        ControllerFrame reply{};
        reply[1] = 0x0C;
        reply[2] = ReadStatusCommand;
        reply[19] = 0x05;
        reply[25] = 0x77; // wrong checksum and no header: still a reply
        auto got = RecogniseStatusReply(reply);
        QVERIFY(got.has_value());
        QCOMPARE(got->address, std::uint8_t(0x0C));
        QCOMPARE(got->statusMask, std::uint8_t(0x05));

        reply[2] = SwitchCommand;
        QVERIFY(!RecogniseStatusReply(reply).has_value());
    }

    void blockWithoutStatusByteIsNoReply()
    {
        ControllerFrame reply = BuildStatusRequest(3);
        QVERIFY(!RecogniseStatusReply(std::span(reply).first(19)).has_value());
        QVERIFY(RecogniseStatusReply(std::span(reply).first(20)).has_value());
        QVERIFY(!RecogniseStatusReply({}).has_value());
    }
};

QTEST_APPLESS_MAIN(TestControllerFrame)
#include "tst_controllerframe.moc"
