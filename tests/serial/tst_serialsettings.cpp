// The Settings text and the termios tweaks it becomes: pure functions, no device.

#include "serial/CommError.h"
#include "serial/LineSettings.h"
#include "serial/TermiosSettings.h"

#include <QTest>

#include <cstring>

Q_DECLARE_METATYPE(Parity)
Q_DECLARE_METATYPE(StopBits)

namespace {

// A line as a shell leaves it: cooked, echoing, flow control and modem control on.
termios cookedLine()
{
    termios t;
    std::memset(&t, 0, sizeof t);
    t.c_iflag = ICRNL | IXON | IXOFF | IXANY | IGNBRK | BRKINT | ISTRIP | INLCR | IGNCR | IGNPAR;
    t.c_oflag = OPOST | ONLCR;
    t.c_lflag = ICANON | ECHO | ECHONL | ISIG | IEXTEN;
    t.c_cflag = CS7 | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 5;
    cfsetispeed(&t, B38400);
    cfsetospeed(&t, B38400);
    return t;
}

} // namespace

class TestSerialSettings : public QObject
{
    Q_OBJECT
private slots:
    // --- ParseSettings -------------------------------------------------------------------

    void parseSettings_acceptsTheStationFormat_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("baud");
        QTest::addColumn<Parity>("parity");
        QTest::addColumn<int>("dataBits");
        QTest::addColumn<StopBits>("stopBits");
        QTest::newRow("station line") << "9600,n,8,1" << 9600 << Parity::None << 8 << StopBits::One;
        QTest::newRow("even, 7, 2") << "4800,e,7,2" << 4800 << Parity::Even << 7 << StopBits::Two;
        QTest::newRow("odd, 5, 1.5")
            << "110,o,5,1.5" << 110 << Parity::Odd << 5 << StopBits::OnePointFive;
        QTest::newRow("mark upper case")
            << "115200,M,8,1" << 115200 << Parity::Mark << 8 << StopBits::One;
        QTest::newRow("space, 6, 2") << "300,s,6,2" << 300 << Parity::Space << 6 << StopBits::Two;
    }
    void parseSettings_acceptsTheStationFormat()
    {
        QFETCH(QString, text);
        const LineSettings parsed = ParseSettings(text);
        QFETCH(int, baud);
        QCOMPARE(parsed.baud, baud);
        QFETCH(Parity, parity);
        QCOMPARE(parsed.parity, parity);
        QFETCH(int, dataBits);
        QCOMPARE(parsed.dataBits, dataBits);
        QFETCH(StopBits, stopBits);
        QCOMPARE(parsed.stopBits, stopBits);
    }

    void parseSettings_rejectsEverythingElse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("bad parity") << "9600,x,8,1";
        QTest::newRow("nine data bits") << "9600,n,9,1";
        QTest::newRow("four data bits") << "9600,n,4,1";
        QTest::newRow("no commas") << "abc";
        QTest::newRow("three stop bits") << "9600,n,8,3";
        QTest::newRow("empty") << "";
        QTest::newRow("baud termios lacks") << "14400,n,8,1";
        QTest::newRow("baud zero") << "0,n,8,1";
        QTest::newRow("negative baud") << "-9600,n,8,1";
        QTest::newRow("baud overflows") << "99999999999,n,8,1";
        QTest::newRow("three fields") << "9600,n,8";
        QTest::newRow("five fields") << "9600,n,8,1,";
        QTest::newRow("spaces") << "9600, n, 8, 1";
        QTest::newRow("1.5 stop bits at 8 data bits") << "9600,n,8,1.5";
        QTest::newRow("2 stop bits at 5 data bits") << "9600,n,5,2";
        QTest::newRow("two-letter parity") << "9600,no,8,1";
    }
    void parseSettings_rejectsEverythingElse()
    {
        QFETCH(QString, text);
        QVERIFY_THROWS_EXCEPTION(CommError, ParseSettings(text));
        try {
            ParseSettings(text);
        } catch (const CommError& error) {
            QVERIFY2(error.Message().startsWith(u"Invalid property value"),
                     qPrintable(error.Message()));
        }
    }

    // --- termios, one tweak at a time ----------------------------------------------------

    void makeRaw_leavesAnEightBitLineWithoutProcessing()
    {
        termios t = cookedLine();
        MakeRaw(t);
        QCOMPARE(t.c_iflag & (IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                              IXOFF | IXANY),
                 tcflag_t(0));
        QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));
        QCOMPARE(t.c_lflag & (ECHO | ECHONL | ICANON | ISIG | IEXTEN), tcflag_t(0));
        QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
        QCOMPARE(t.c_cflag & (PARENB | CRTSCTS), tcflag_t(0));
        QCOMPARE(t.c_cflag & (CREAD | CLOCAL), tcflag_t(CREAD | CLOCAL));
        QCOMPARE(int(t.c_cc[VMIN]), 1);
        QCOMPARE(int(t.c_cc[VTIME]), 0);
        // The speed is not MakeRaw's business.
        QCOMPARE(cfgetospeed(&t), speed_t(B38400));
    }

    void enableErrorMarks_marksBadBytesInsteadOfDroppingThem()
    {
        termios t = cookedLine();
        EnableErrorMarks(t);
        QCOMPARE(t.c_iflag & (PARMRK | INPCK), tcflag_t(PARMRK | INPCK));
        QCOMPARE(t.c_iflag & (IGNPAR | ISTRIP | IGNBRK | BRKINT), tcflag_t(0));
    }

    void setBaud_setsBothDirections_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<uint>("speed");
        QTest::newRow("9600") << 9600 << uint(B9600);
        QTest::newRow("4800") << 4800 << uint(B4800);
        QTest::newRow("110") << 110 << uint(B110);
        QTest::newRow("115200") << 115200 << uint(B115200);
    }
    void setBaud_setsBothDirections()
    {
        QFETCH(int, baud);
        termios t = cookedLine();
        QVERIFY(SetBaud(t, baud));
        QFETCH(uint, speed);
        QCOMPARE(uint(cfgetispeed(&t)), speed);
        QCOMPARE(uint(cfgetospeed(&t)), uint(cfgetispeed(&t)));
    }

    void setBaud_refusesRatesWithoutConstant()
    {
        termios t = cookedLine();
        QVERIFY(!SetBaud(t, 14400));
        QVERIFY(!SetBaud(t, 0));
        QCOMPARE(cfgetospeed(&t), speed_t(B38400));
        QVERIFY(!SpeedForBaud(128000));
        QCOMPARE(SpeedForBaud(9600), std::optional<speed_t>(B9600));
    }

    void setParity_setsExactlyItsBits_data()
    {
        QTest::addColumn<Parity>("parity");
        QTest::addColumn<uint>("bits");
        QTest::newRow("none") << Parity::None << 0u;
        QTest::newRow("even") << Parity::Even << uint(PARENB);
        QTest::newRow("odd") << Parity::Odd << uint(PARENB | PARODD);
        QTest::newRow("mark") << Parity::Mark << uint(PARENB | PARODD | CMSPAR);
        QTest::newRow("space") << Parity::Space << uint(PARENB | CMSPAR);
    }
    void setParity_setsExactlyItsBits()
    {
        QFETCH(Parity, parity);
        for (const tcflag_t before : {tcflag_t(0), tcflag_t(PARENB | PARODD | CMSPAR)}) {
            termios t = cookedLine();
            t.c_cflag = (t.c_cflag & ~tcflag_t(PARENB | PARODD | CMSPAR)) | before;
            SetParity(t, parity);
            QFETCH(uint, bits);
            QCOMPARE(uint(t.c_cflag & (PARENB | PARODD | CMSPAR)), bits);
            QVERIFY(t.c_cflag & CSTOPB); // other bits untouched
        }
    }

    void setDataBits_setsCharacterSize_data()
    {
        QTest::addColumn<int>("dataBits");
        QTest::addColumn<uint>("size");
        QTest::newRow("5") << 5 << uint(CS5);
        QTest::newRow("6") << 6 << uint(CS6);
        QTest::newRow("7") << 7 << uint(CS7);
        QTest::newRow("8") << 8 << uint(CS8);
    }
    void setDataBits_setsCharacterSize()
    {
        QFETCH(int, dataBits);
        termios t = cookedLine();
        SetDataBits(t, dataBits);
        QFETCH(uint, size);
        QCOMPARE(uint(t.c_cflag & CSIZE), size);
        QVERIFY(t.c_cflag & PARENB); // other bits untouched
    }

    void setStopBits_usesCstopbForMoreThanOne()
    {
        termios t = cookedLine();
        SetStopBits(t, StopBits::One);
        QCOMPARE(t.c_cflag & CSTOPB, tcflag_t(0));
        SetStopBits(t, StopBits::Two);
        QCOMPARE(t.c_cflag & CSTOPB, tcflag_t(CSTOPB));
        SetStopBits(t, StopBits::One);
        SetStopBits(t, StopBits::OnePointFive);
        QCOMPARE(t.c_cflag & CSTOPB, tcflag_t(CSTOPB));
    }

    void applyLineSettings_makesTheStationLine()
    {
        termios t = cookedLine();
        QVERIFY(ApplyLineSettings(t, ParseSettings(QStringLiteral("9600,n,8,1"))));
        QCOMPARE(cfgetispeed(&t), speed_t(B9600));
        QCOMPARE(cfgetospeed(&t), speed_t(B9600));
        QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
        QCOMPARE(t.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS), tcflag_t(0));
        QCOMPARE(t.c_cflag & (CREAD | CLOCAL), tcflag_t(CREAD | CLOCAL));
        QCOMPARE(t.c_iflag & (PARMRK | INPCK), tcflag_t(PARMRK | INPCK));
        QCOMPARE(t.c_iflag & (IGNPAR | ISTRIP | IXON | IXOFF | ICRNL), tcflag_t(0));
        QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
        QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));
        QCOMPARE(int(t.c_cc[VMIN]), 1);
    }

    void applyLineSettings_evenSevenTwo()
    {
        termios t = cookedLine();
        QVERIFY(ApplyLineSettings(t, ParseSettings(QStringLiteral("4800,e,7,2"))));
        QCOMPARE(cfgetospeed(&t), speed_t(B4800));
        QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS7));
        QCOMPARE(t.c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB));
        QCOMPARE(t.c_cflag & CSTOPB, tcflag_t(CSTOPB));
    }
};

QTEST_APPLESS_MAIN(TestSerialSettings)
#include "tst_serialsettings.moc"
