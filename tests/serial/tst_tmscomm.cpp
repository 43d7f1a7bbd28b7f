// TMSComm against a real kernel pseudo-terminal: the control opens the slave as COM1, the test
// plays the relay boards on the master.

#include "support/PtyPair.h"

#include "serial/CommError.h"
#include "serial/PortProbe.h"
#include "serial/TMSComm.h"
#include "support/TMSCommTestAccess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

// What OnComm saw: the codes in order, the senders, and whether each ran on the UI thread.
struct EventLog
{
    QList<short> codes;
    bool allOnUiThread = true;
    bool allFromControl = true;

    void attach(TMSComm& comm)
    {
        comm.OnComm = [this, &comm](QObject* sender) {
            codes << comm.CommEvent();
            allOnUiThread = allOnUiThread && QThread::currentThread() == qApp->thread();
            allFromControl = allFromControl && sender == &comm;
        };
    }
    int count(short code) const { return int(codes.count(code)); }
};

QString SystemText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// The slave's line as another open sees it.
termios ReadBack(const QString& path)
{
    termios t;
    std::memset(&t, 0, sizeof t);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        ::tcgetattr(fd, &t);
        ::close(fd);
    }
    return t;
}

double ProcessCpuMs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

} // namespace

class TestTMSComm : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyPair> pty;

    // The station's preparation and OpenPort, on COM1 = the pty slave.
    static void Prepare(TMSComm& comm)
    {
        comm.SetCommPort(1);
        comm.SetSettings(QStringLiteral("9600,n,8,1"));
        comm.SetInputLen(0);
        comm.SetInBufferCount(0);
        comm.SetSThreshold(1);
        comm.SetRThreshold(1);
        comm.SetInputMode(TMSComm::InputModeBinary);
    }
    static void Open(TMSComm& comm)
    {
        comm.SetPortOpen(true);
        comm.SetDTREnable(true);
    }

private slots:
    void init()
    {
        pty = std::make_unique<PtyPair>();
        QVERIFY(pty->isOpen());
        qputenv("QUELVANE_COM1", QFile::encodeName(pty->slavePath()));
    }
    void cleanup()
    {
        pty.reset();
        qunsetenv("QUELVANE_COM1");
        qunsetenv("QUELVANE_COM2");
    }

    // --- line settings -----------------------------------------------------------------

    void settings_stationLineIsAppliedOnOpen()
    {
        TMSComm comm;
        Prepare(comm);
        Open(comm);
        const termios t = ReadBack(pty->slavePath());
        QCOMPARE(cfgetispeed(&t), speed_t(B9600));
        QCOMPARE(cfgetospeed(&t), speed_t(B9600));
        QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
        QCOMPARE(t.c_cflag & (PARENB | CSTOPB), tcflag_t(0));
        QCOMPARE(t.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
        QCOMPARE(t.c_iflag & (PARMRK | INPCK), tcflag_t(PARMRK | INPCK));
        QCOMPARE(t.c_iflag & (IGNPAR | ISTRIP | ICRNL | IXON), tcflag_t(0));
        QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
        QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));
    }

    // The pty driver forces CS8 and clears PARENB whatever it is given, so of "4800,e,7,2" the
    // speed and the stop bits are what a pty can show; tst_serialsettings covers the rest.
    void settings_otherLineIsAppliedOnOpen()
    {
        TMSComm comm;
        comm.SetSettings(QStringLiteral("4800,e,7,2"));
        comm.SetPortOpen(true);
        const termios t = ReadBack(pty->slavePath());
        QCOMPARE(cfgetospeed(&t), speed_t(B4800));
        QCOMPARE(cfgetispeed(&t), speed_t(B4800));
        QCOMPARE(t.c_cflag & CSTOPB, tcflag_t(CSTOPB));
        QCOMPARE(t.c_cflag & PARODD, tcflag_t(0));
    }

    void settings_changeWhileOpenIsReapplied()
    {
        TMSComm comm;
        Prepare(comm);
        Open(comm);
        comm.SetSettings(QStringLiteral("19200,o,8,2"));
        QCOMPARE(comm.Settings(), QStringLiteral("19200,o,8,2"));
        termios t = ReadBack(pty->slavePath());
        QCOMPARE(cfgetospeed(&t), speed_t(B19200));
        QCOMPARE(t.c_cflag & (CSTOPB | PARODD), tcflag_t(CSTOPB | PARODD));
        comm.SetSettings(QStringLiteral("9600,n,8,1"));
        t = ReadBack(pty->slavePath());
        QCOMPARE(cfgetospeed(&t), speed_t(B9600));
        QCOMPARE(t.c_cflag & (CSTOPB | PARODD), tcflag_t(0));
    }

    void settings_badTextsAreRejectedAndChangeNothing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("bad parity") << "9600,x,8,1";
        QTest::newRow("nine data bits") << "9600,n,9,1";
        QTest::newRow("not settings") << "abc";
        QTest::newRow("three stop bits") << "9600,n,8,3";
        QTest::newRow("empty") << "";
    }
    void settings_badTextsAreRejectedAndChangeNothing()
    {
        QFETCH(QString, text);
        TMSComm comm;
        Prepare(comm);
        QVERIFY_THROWS_EXCEPTION(CommError, comm.SetSettings(text));
        QCOMPARE(comm.Settings(), QStringLiteral("9600,n,8,1"));
        Open(comm);
        QVERIFY_THROWS_EXCEPTION(CommError, comm.SetSettings(text));
        QCOMPARE(comm.Settings(), QStringLiteral("9600,n,8,1"));
        const termios t = ReadBack(pty->slavePath());
        QCOMPARE(cfgetospeed(&t), speed_t(B9600));
    }

    void properties_carryTheClassicNames()
    {
        TMSComm comm;
        for (const char* name : {"CommPort", "Settings", "PortOpen", "DTREnable", "InBufferCount",
                                 "InputLen", "OutBufferCount", "RThreshold", "SThreshold",
                                 "InputMode", "Output", "Input", "CommEvent"})
            QVERIFY2(comm.metaObject()->indexOfProperty(name) >= 0, name);
        QVERIFY(comm.setProperty("Settings", QStringLiteral("4800,e,7,2")));
        QCOMPARE(comm.Settings(), QStringLiteral("4800,e,7,2"));
        QVERIFY(comm.setProperty("CommPort", QVariant::fromValue(short(3))));
        QCOMPARE(comm.CommPort(), short(3));
    }

    void properties_refuseValuesOutOfRange()
    {
        TMSComm comm;
        QVERIFY_THROWS_EXCEPTION(CommError, comm.SetCommPort(0));
        QVERIFY_THROWS_EXCEPTION(CommError, comm.SetCommPort(17));
        QVERIFY_THROWS_EXCEPTION(CommError, comm.SetInputMode(2));
        QVERIFY_THROWS_EXCEPTION(CommError, comm.SetRThreshold(-1));
        QVERIFY_THROWS_EXCEPTION(CommError, comm.SetInputLen(-1));
        QVERIFY_THROWS_EXCEPTION(CommError, comm.SetInBufferCount(3));
        QVERIFY_THROWS_EXCEPTION(CommError, comm.SetOutBufferCount(3));
        QCOMPARE(comm.CommPort(), short(1));
    }

    // --- open, close, exclusivity -------------------------------------------------------

    void open_secondOpenOfAHeldPortFails()
    {
        TMSComm first;
        Prepare(first);
        Open(first);
        TMSComm second;
        Prepare(second);
        try {
            second.SetPortOpen(true);
            QFAIL("a held port opened a second time");
        } catch (const CommError& error) {
            QVERIFY2(error.Message().contains(u"port in use by another program"),
                     qPrintable(error.Message()));
        }
        QVERIFY(!second.PortOpen());
        QVERIFY(first.PortOpen());
        first.SetPortOpen(false);
        second.SetPortOpen(true);
        QVERIFY(second.PortOpen());
    }

    void open_missingDeviceFailsWithTheSystemsMessage()
    {
        qputenv("QUELVANE_COM2", "/nonexistent/quelvane-tty");
        TMSComm comm;
        comm.SetCommPort(2);
        try {
            comm.SetPortOpen(true);
            QFAIL("a missing device opened");
        } catch (const CommError& error) {
            QVERIFY2(error.Message().contains(SystemText(ENOENT)), qPrintable(error.Message()));
            QVERIFY2(error.Message().contains(u"/nonexistent/quelvane-tty"),
                     qPrintable(error.Message()));
            QCOMPARE(error.SystemError(), ENOENT);
        }
        QVERIFY(!comm.PortOpen());
    }

    void open_nonTerminalIsRefused()
    {
        qputenv("QUELVANE_COM2", "/dev/null");
        TMSComm comm;
        comm.SetCommPort(2);
        try {
            comm.SetPortOpen(true);
            QFAIL("/dev/null opened as a serial port");
        } catch (const CommError& error) {
            QVERIFY2(error.Message().contains(SystemText(ENOTTY)), qPrintable(error.Message()));
        }
        QVERIFY(!comm.PortOpen());
        QVERIFY(ProbeComPort(2).listed() == false);
    }

    void open_twiceThrowsAndPortCannotChangeWhileOpen()
    {
        TMSComm comm;
        Prepare(comm);
        Open(comm);
        QVERIFY_THROWS_EXCEPTION(CommError, comm.SetPortOpen(true));
        QVERIFY_THROWS_EXCEPTION(CommError, comm.SetCommPort(2));
        QVERIFY(comm.PortOpen());
        comm.SetCommPort(1); // no change: accepted
        comm.SetPortOpen(false);
        comm.SetPortOpen(false); // closing a closed port: nothing happens
        QVERIFY(!comm.PortOpen());
        comm.SetCommPort(2);
        QCOMPARE(comm.CommPort(), short(2));
    }

    void open_closeAndDestructorReleaseTheLock()
    {
        auto comm = std::make_unique<TMSComm>();
        Prepare(*comm);
        Open(*comm);
        QVERIFY(!ProbeComPort(1).listed());
        comm->SetPortOpen(false);
        QVERIFY(ProbeComPort(1).listed());
        Open(*comm);
        QVERIFY(!ProbeComPort(1).listed());
        comm.reset();
        QVERIFY(ProbeComPort(1).listed());
    }

    void dtrEnable_onAPseudoTerminalIsNoError()
    {
        TMSComm comm;
        Prepare(comm);
        comm.SetDTREnable(true);
        comm.SetPortOpen(true); // raises DTR while opening
        QVERIFY(comm.DTREnable());
        comm.SetDTREnable(false);
        comm.SetDTREnable(true);
        QVERIFY(comm.DTREnable());
    }

    // --- sending and receiving ----------------------------------------------------------

    void output_bytesReachTheFarEnd()
    {
        TMSComm comm;
        Prepare(comm);
        Open(comm);
        const QByteArray frame = QByteArray::fromHex("AA01090000FF0D0A");
        comm.SetOutput(frame);
        QCOMPARE(pty->readMaster(frame.size(), 2000), frame);
        // One byte at a time, as SendFrame writes.
        for (const char byte : frame)
            comm.SetOutput(QByteArray(1, byte));
        QCOMPARE(pty->readMaster(frame.size(), 2000), frame);
        QCOMPARE(comm.OutBufferCount(), short(0));
    }

    void receive_bytesRaiseOnCommOnTheUiThread()
    {
        TMSComm comm;
        Prepare(comm);
        EventLog log;
        log.attach(comm);
        Open(comm);
        QVERIFY(pty->writeMaster("hello"));
        QTRY_VERIFY(log.count(TMSComm::comEvReceive) >= 1);
        QVERIFY(log.allOnUiThread);
        QVERIFY(log.allFromControl);
        QCOMPARE(comm.CommEvent(), TMSComm::comEvReceive);
        QByteArray got = comm.Input();
        QTRY_VERIFY((got += comm.Input()).size() >= 5);
        QCOMPARE(got, QByteArray("hello"));
        QCOMPARE(comm.InBufferCount(), short(0));
    }

    void receive_replyFrameComesWholeAfterTheEvent()
    {
        // Comm1Comm's road: event, wait for the rest of the 26 bytes, count, read.
        TMSComm comm;
        Prepare(comm);
        QByteArray block;
        short counted = -1;
        comm.OnComm = [&](QObject*) {
            if (comm.CommEvent() != TMSComm::comEvReceive || !block.isEmpty())
                return;
            comm.WaitForInput(26, 1000);
            counted = comm.InBufferCount();
            block = comm.Input().left(counted);
        };
        Open(comm);
        const QByteArray reply = QByteArray::fromHex("AA0C09") + QByteArray(16, '\0') +
                                 QByteArray::fromHex("05") + QByteArray(5, '\0') +
                                 QByteArray::fromHex("C4");
        QCOMPARE(reply.size(), 26);
        QVERIFY(pty->writeMaster(reply.left(4)));
        std::thread rest([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            pty->writeMaster(reply.mid(4));
        });
        QTRY_VERIFY(!block.isEmpty());
        rest.join();
        QCOMPARE(counted, short(26));
        QCOMPARE(block, reply);
    }

    void receive_rThresholdZeroRaisesNoEventButCounts()
    {
        TMSComm comm;
        Prepare(comm);
        comm.SetRThreshold(0);
        EventLog log;
        log.attach(comm);
        Open(comm);
        QVERIFY(pty->writeMaster("1234567"));
        QTRY_COMPARE(comm.InBufferCount(), short(7));
        QTest::qWait(100);
        QVERIFY(log.codes.isEmpty());
        QCOMPARE(comm.Input(), QByteArray("1234567"));
    }

    void receive_rThresholdWaitsForEnoughBytes()
    {
        TMSComm comm;
        Prepare(comm);
        comm.SetRThreshold(3);
        EventLog log;
        log.attach(comm);
        Open(comm);
        QVERIFY(pty->writeMaster("ab"));
        QTRY_COMPARE(comm.InBufferCount(), short(2));
        QTest::qWait(100);
        QCOMPARE(log.count(TMSComm::comEvReceive), 0);
        QVERIFY(pty->writeMaster("c"));
        QTRY_COMPARE(log.count(TMSComm::comEvReceive), 1);
        QCOMPARE(comm.Input(), QByteArray("abc"));
    }

    void receive_inBufferCountZeroDiscardsWaitingInput()
    {
        TMSComm comm;
        Prepare(comm);
        comm.SetRThreshold(0);
        Open(comm);
        QVERIFY(pty->writeMaster("stale bytes"));
        QTRY_COMPARE(comm.InBufferCount(), short(11));
        comm.SetInBufferCount(0);
        QCOMPARE(comm.InBufferCount(), short(0));
        QCOMPARE(comm.Input(), QByteArray());
        QVERIFY(pty->writeMaster("new"));
        QTRY_COMPARE(comm.InBufferCount(), short(3));
        QCOMPARE(comm.Input(), QByteArray("new"));
    }

    void receive_inputLenLimitsOneRead()
    {
        TMSComm comm;
        Prepare(comm);
        comm.SetRThreshold(0);
        comm.SetInputLen(2);
        Open(comm);
        QVERIFY(pty->writeMaster("abcde"));
        QTRY_COMPARE(comm.InBufferCount(), short(5));
        QCOMPARE(comm.Input(), QByteArray("ab"));
        QCOMPARE(comm.Input(), QByteArray("cd"));
        QCOMPARE(comm.InBufferCount(), short(1));
        QCOMPARE(comm.Input(), QByteArray("e"));
        QCOMPARE(comm.Input(), QByteArray());
    }

    void receive_dataByteFFSurvivesTheDriversEscape()
    {
        // The line discipline doubles a received 0xFF under PARMRK; the control undoes it.
        TMSComm comm;
        Prepare(comm);
        comm.SetRThreshold(0);
        Open(comm);
        const QByteArray sent = QByteArray::fromHex("FF41FFFF00FF");
        QVERIFY(pty->writeMaster(sent));
        QTRY_COMPARE(comm.InBufferCount(), short(sent.size()));
        QCOMPARE(comm.Input(), sent);
    }

    void receive_overflowKeepsTheBufferFullAndRaisesRxOver()
    {
        TMSComm comm;
        Prepare(comm);
        comm.SetRThreshold(0);
        EventLog log;
        log.attach(comm);
        Open(comm);
        QByteArray flood;
        for (int i = 0; i < 5000; ++i)
            flood.append(char('a' + i % 26));
        QVERIFY(pty->writeMaster(flood));
        QTRY_VERIFY(log.count(TMSComm::comEventRxOver) >= 1);
        QTRY_COMPARE(comm.InBufferCount(), short(TMSComm::ReceiveBufferSize));
        const QByteArray kept = comm.Input();
        QCOMPARE(kept.size(), TMSComm::ReceiveBufferSize);
        QCOMPARE(kept, flood.left(TMSComm::ReceiveBufferSize)); // the oldest bytes stay
    }

    void send_fullDriverBufferRaisesTxFullWithoutThrowing()
    {
        TMSComm comm;
        Prepare(comm);
        EventLog log;
        log.attach(comm);
        Open(comm);
        // Nobody reads the master: the pty holds some tens of kilobytes, then refuses.
        comm.SetOutput(QByteArray(1 << 20, 'x'));
        QTRY_COMPARE(log.count(TMSComm::comEventTxFull), 1);
        QCOMPARE(comm.CommEvent(), TMSComm::comEventTxFull);
        comm.SetOutBufferCount(0);
        QCOMPARE(comm.OutBufferCount(), short(0));
        pty->drainMaster();
    }

    void buffers_zeroIsAcceptedWhileClosed()
    {
        TMSComm comm;
        Prepare(comm);
        comm.SetInBufferCount(0);
        comm.SetOutBufferCount(0);
        QCOMPARE(comm.InBufferCount(), short(0));
        QCOMPARE(comm.OutBufferCount(), short(0));
        QVERIFY_THROWS_EXCEPTION(CommError, comm.SetOutput("x"));
        QVERIFY_THROWS_EXCEPTION(CommError, comm.Input());
        QVERIFY_THROWS_EXCEPTION(CommError, TMSCommTestAccess::InjectDriverInput(comm, "x"));
    }

    // --- framing errors through the seam ------------------------------------------------

    void framing_markedByteRaisesFrameEventThroughTheLoop()
    {
        TMSComm comm;
        Prepare(comm);
        EventLog log;
        log.attach(comm);
        Open(comm);
        TMSCommTestAccess::InjectDriverInput(comm, QByteArray::fromHex("FF0041"));
        QVERIFY(log.codes.isEmpty()); // not raised inside the call
        QTRY_COMPARE(log.codes, QList<short>{TMSComm::comEventFrame});
        QVERIFY(log.allOnUiThread);
        QCOMPARE(comm.CommEvent(), TMSComm::comEventFrame);
        QCOMPARE(comm.InBufferCount(), short(0)); // the marked byte is not data
    }

    void framing_escapedFFIsOneDataByte()
    {
        TMSComm comm;
        Prepare(comm);
        EventLog log;
        log.attach(comm);
        Open(comm);
        TMSCommTestAccess::InjectDriverInput(comm, QByteArray::fromHex("FFFF"));
        QTRY_COMPARE(log.codes, QList<short>{TMSComm::comEvReceive});
        QCOMPARE(comm.Input(), QByteArray::fromHex("FF"));
    }

    void framing_markSplitAcrossReads()
    {
        TMSComm comm;
        Prepare(comm);
        EventLog log;
        log.attach(comm);
        Open(comm);
        TMSCommTestAccess::InjectDriverInput(comm, QByteArray::fromHex("FF"));
        QTest::qWait(20);
        TMSCommTestAccess::InjectDriverInput(comm, QByteArray::fromHex("00"));
        QTest::qWait(20);
        QVERIFY(log.codes.isEmpty());
        TMSCommTestAccess::InjectDriverInput(comm, QByteArray::fromHex("4243"));
        QTRY_COMPARE(log.codes.value(0), TMSComm::comEventFrame);
        QTRY_COMPARE(log.codes.size(), 2);
        QCOMPARE(log.codes.value(1), TMSComm::comEvReceive);
        QCOMPARE(comm.Input(), QByteArray("C"));
    }

    void framing_handlerCanResetThePortAndReceiveAgain()
    {
        // The link's ResetPort, run from the handler of the framing event.
        TMSComm comm;
        Prepare(comm);
        EventLog log;
        comm.OnComm = [&](QObject*) {
            log.codes << comm.CommEvent();
            if (comm.CommEvent() != TMSComm::comEventFrame || !comm.PortOpen())
                return;
            comm.SetPortOpen(false);
            comm.SetInBufferCount(0);
            comm.SetOutBufferCount(0);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            comm.SetPortOpen(true);
        };
        Open(comm);
        // A marked byte and data in one read: the reset discards the data, so only the frame
        // event is raised.
        TMSCommTestAccess::InjectDriverInput(comm, QByteArray::fromHex("FF0041") + "xyz");
        QTRY_COMPARE(log.codes, QList<short>{TMSComm::comEventFrame});
        QTest::qWait(50);
        QCOMPARE(log.codes, QList<short>{TMSComm::comEventFrame});
        QVERIFY(comm.PortOpen());
        QCOMPARE(comm.InBufferCount(), short(0));
        QVERIFY(pty->writeMaster("ok"));
        QTRY_COMPARE(log.codes.size(), 2);
        QCOMPARE(log.codes.value(1), TMSComm::comEvReceive);
        QCOMPARE(comm.Input(), QByteArray("ok"));
    }

    // --- a far end that goes away -------------------------------------------------------

    void hangup_doesNotSpinAndTheNextWriteThrows()
    {
        TMSComm comm;
        Prepare(comm);
        EventLog log;
        log.attach(comm);
        Open(comm);
        pty->closeMaster();
        QTRY_VERIFY(comm.DeviceLost());
        const double cpuBefore = ProcessCpuMs();
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(300);
        const double cpuMs = ProcessCpuMs() - cpuBefore;
        const qint64 wallMs = wall.elapsed();
        QVERIFY2(cpuMs < wallMs / 2.0,
                 qPrintable(QStringLiteral("%1 ms CPU in %2 ms").arg(cpuMs).arg(wallMs)));
        QVERIFY(log.codes.isEmpty());
        QVERIFY(comm.PortOpen());
        try {
            comm.SetOutput(QByteArray(1, '\xAA'));
            QFAIL("a write to a hung-up device succeeded");
        } catch (const CommError& error) {
            QVERIFY2(error.Message().contains(SystemText(EIO)), qPrintable(error.Message()));
        }
        QCOMPARE(comm.InBufferCount(), short(0));
        comm.SetInBufferCount(0); // the recovery steps do not fail on a lost device
        comm.SetOutBufferCount(0);
        comm.SetPortOpen(false);
        QVERIFY(!comm.PortOpen());
        QVERIFY(!comm.DeviceLost());
    }

    void hangup_writeThrowsEvenBeforeTheLoopNoticed()
    {
        TMSComm comm;
        Prepare(comm);
        Open(comm);
        pty->closeMaster();
        QVERIFY_THROWS_EXCEPTION(CommError, comm.SetOutput(QByteArray(1, '\xAA')));
        QVERIFY(comm.DeviceLost());
    }

    void hangup_endsAWaitForInputAtOnce()
    {
        TMSComm comm;
        Prepare(comm);
        Open(comm);
        pty->closeMaster();
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!comm.WaitForInput(1, 2000));
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(comm.DeviceLost());
    }

    // --- blocking helpers for the link layer --------------------------------------------

    void waitForInput_returnsOnceTheBytesWait()
    {
        TMSComm comm;
        Prepare(comm);
        EventLog log;
        log.attach(comm);
        Open(comm);
        QVERIFY(pty->writeMaster(QByteArray(10, 'a')));
        std::thread later([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            pty->writeMaster(QByteArray(16, 'b'));
        });
        QElapsedTimer timer;
        timer.start();
        const bool arrived = comm.WaitForInput(26, 5000);
        const qint64 took = timer.elapsed();
        later.join();
        QVERIFY(arrived);
        QVERIFY2(took >= 40 && took < 2000, qPrintable(QString::number(took)));
        QCOMPARE(comm.InBufferCount(), short(26));
        QCOMPARE(comm.Input(), QByteArray(10, 'a') + QByteArray(16, 'b'));
        // The bytes were taken before the loop ran: no late receive event for them.
        QTest::qWait(50);
        QCOMPARE(log.count(TMSComm::comEvReceive), 0);
    }

    void waitForInput_isImmediateWhenTheBytesAlreadyWait()
    {
        TMSComm comm;
        Prepare(comm);
        Open(comm);
        QVERIFY(pty->writeMaster(QByteArray(26, 'r')));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(comm.WaitForInput(26, 5000));
        QVERIFY(timer.elapsed() < 1000);
    }

    void waitForInput_givesUpAfterTheTimeout()
    {
        TMSComm comm;
        Prepare(comm);
        Open(comm);
        QVERIFY(pty->writeMaster("abc"));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!comm.WaitForInput(26, 100));
        const qint64 took = timer.elapsed();
        QVERIFY2(took >= 95 && took < 1000, qPrintable(QString::number(took)));
        QCOMPARE(comm.InBufferCount(), short(3));
    }

    void waitForInput_falseWhenClosed()
    {
        TMSComm comm;
        QVERIFY(!comm.WaitForInput(1, 50));
    }

    void waitForSent_trueOnceTheDriverHasSentEverything()
    {
        // A pty hands bytes over at once, so its send queue is always empty.
        TMSComm comm;
        QVERIFY(comm.WaitForSent(10));
        Prepare(comm);
        Open(comm);
        comm.SetOutput(QByteArray(26, 's'));
        QVERIFY(comm.WaitForSent(500));
        QCOMPARE(pty->readMaster(26, 2000), QByteArray(26, 's'));
    }
};

QTEST_GUILESS_MAIN(TestTMSComm)
#include "tst_tmscomm.moc"
