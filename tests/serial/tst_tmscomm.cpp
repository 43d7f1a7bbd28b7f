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
#include <limits>
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

QString systemText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// The slave's line as another open sees it.
termios readBack(const QString& path)
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

// A wait given this long ends only by what it waits for: were the control to sit out its time,
// the test would run into ctest's limit and fail.
constexpr int NoDeadlineMs = std::numeric_limits<int>::max();

double processCpuMs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

} // namespace

class TestTMSComm : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyPair> pty_;
    std::unique_ptr<TMSComm> comm_; // prepared as the station prepares it, still closed

    // The station's preparation and OpenPort, on COM1 = the pty slave.
    static void prepare(TMSComm& comm)
    {
        comm.SetCommPort(1);
        comm.SetSettings(QStringLiteral("9600,n,8,1"));
        comm.SetInputLen(0);
        comm.SetInBufferCount(0);
        comm.SetSThreshold(1);
        comm.SetRThreshold(1);
        comm.SetInputMode(TMSComm::InputModeBinary);
    }
    static void openPort(TMSComm& comm)
    {
        comm.SetPortOpen(true);
        comm.SetDTREnable(true);
    }

private slots:
    void init()
    {
        pty_ = std::make_unique<PtyPair>();
        QVERIFY(pty_->IsOpen());
        qputenv("QUELVANE_COM1", QFile::encodeName(pty_->SlavePath()));
        comm_ = std::make_unique<TMSComm>();
        prepare(*comm_);
    }
    void cleanup()
    {
        if (comm_)
            comm_->OnComm = nullptr; // its handlers point into the finished test's locals
        comm_.reset();
        pty_.reset();
        qunsetenv("QUELVANE_COM1");
        qunsetenv("QUELVANE_COM2");
    }

    // --- line settings -----------------------------------------------------------------

    void settings_stationLineIsAppliedOnOpen()
    {
        openPort(*comm_);
        const termios t = readBack(pty_->SlavePath());
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
        const termios t = readBack(pty_->SlavePath());
        QCOMPARE(cfgetospeed(&t), speed_t(B4800));
        QCOMPARE(cfgetispeed(&t), speed_t(B4800));
        QCOMPARE(t.c_cflag & CSTOPB, tcflag_t(CSTOPB));
        QCOMPARE(t.c_cflag & PARODD, tcflag_t(0));
    }

    void settings_changeWhileOpenIsReapplied()
    {
        openPort(*comm_);
        comm_->SetSettings(QStringLiteral("19200,o,8,2"));
        QCOMPARE(comm_->Settings(), QStringLiteral("19200,o,8,2"));
        termios t = readBack(pty_->SlavePath());
        QCOMPARE(cfgetospeed(&t), speed_t(B19200));
        QCOMPARE(t.c_cflag & (CSTOPB | PARODD), tcflag_t(CSTOPB | PARODD));
        comm_->SetSettings(QStringLiteral("9600,n,8,1"));
        t = readBack(pty_->SlavePath());
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
        QVERIFY_THROWS_EXCEPTION(CommError, comm_->SetSettings(text));
        QCOMPARE(comm_->Settings(), QStringLiteral("9600,n,8,1"));
        openPort(*comm_);
        QVERIFY_THROWS_EXCEPTION(CommError, comm_->SetSettings(text));
        QCOMPARE(comm_->Settings(), QStringLiteral("9600,n,8,1"));
        const termios t = readBack(pty_->SlavePath());
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
        prepare(first);
        openPort(first);
        TMSComm second;
        prepare(second);
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
            QVERIFY2(error.Message().contains(systemText(ENOENT)), qPrintable(error.Message()));
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
            QVERIFY2(error.Message().contains(systemText(ENOTTY)), qPrintable(error.Message()));
        }
        QVERIFY(!comm.PortOpen());
        QVERIFY(ProbeComPort(2).listed() == false);
    }

    void open_twiceThrowsAndPortCannotChangeWhileOpen()
    {
        openPort(*comm_);
        QVERIFY_THROWS_EXCEPTION(CommError, comm_->SetPortOpen(true));
        QVERIFY_THROWS_EXCEPTION(CommError, comm_->SetCommPort(2));
        QVERIFY(comm_->PortOpen());
        comm_->SetCommPort(1); // no change: accepted
        comm_->SetPortOpen(false);
        comm_->SetPortOpen(false); // closing a closed port: nothing happens
        QVERIFY(!comm_->PortOpen());
        comm_->SetCommPort(2);
        QCOMPARE(comm_->CommPort(), short(2));
    }

    void open_closeAndDestructorReleaseTheLock()
    {
        auto comm = std::make_unique<TMSComm>();
        prepare(*comm);
        openPort(*comm);
        QVERIFY(!ProbeComPort(1).listed());
        comm->SetPortOpen(false);
        QVERIFY(ProbeComPort(1).listed());
        openPort(*comm);
        QVERIFY(!ProbeComPort(1).listed());
        comm.reset();
        QVERIFY(ProbeComPort(1).listed());
    }

    void dtrEnable_onAPseudoTerminalIsNoError()
    {
        comm_->SetDTREnable(true);
        comm_->SetPortOpen(true); // raises DTR while opening
        QVERIFY(comm_->DTREnable());
        comm_->SetDTREnable(false);
        comm_->SetDTREnable(true);
        QVERIFY(comm_->DTREnable());
    }

    // --- sending and receiving ----------------------------------------------------------

    void output_bytesReachTheFarEnd()
    {
        openPort(*comm_);
        const QByteArray frame = QByteArray::fromHex("AA01090000FF0D0A");
        comm_->SetOutput(frame);
        QCOMPARE(pty_->ReadMaster(frame.size(), 2000), frame);
        // One byte at a time, as SendFrame writes.
        for (const char byte : frame)
            comm_->SetOutput(QByteArray(1, byte));
        QCOMPARE(pty_->ReadMaster(frame.size(), 2000), frame);
        QCOMPARE(comm_->OutBufferCount(), short(0));
    }

    void receive_bytesRaiseOnCommOnTheUiThread()
    {
        EventLog log;
        log.attach(*comm_);
        openPort(*comm_);
        QVERIFY(pty_->WriteMaster("hello"));
        QTRY_VERIFY(log.count(TMSComm::comEvReceive) >= 1);
        QVERIFY(log.allOnUiThread);
        QVERIFY(log.allFromControl);
        QCOMPARE(comm_->CommEvent(), TMSComm::comEvReceive);
        QByteArray got = comm_->Input();
        QTRY_VERIFY((got += comm_->Input()).size() >= 5);
        QCOMPARE(got, QByteArray("hello"));
        QCOMPARE(comm_->InBufferCount(), short(0));
    }

    void receive_replyFrameComesWholeAfterTheEvent()
    {
        // Comm1Comm's road: event, wait for the rest of the 26 bytes, count, read.
        QByteArray block;
        short counted = -1;
        comm_->OnComm = [&](QObject*) {
            if (comm_->CommEvent() != TMSComm::comEvReceive || !block.isEmpty())
                return;
            comm_->WaitForInput(26, 1000);
            counted = comm_->InBufferCount();
            block = comm_->Input().left(counted);
        };
        openPort(*comm_);
        const QByteArray reply = QByteArray::fromHex("AA0C09") + QByteArray(16, '\0') +
                                 QByteArray::fromHex("05") + QByteArray(5, '\0') +
                                 QByteArray::fromHex("C4");
        QCOMPARE(reply.size(), 26);
        QVERIFY(pty_->WriteMaster(reply.left(4)));
        std::jthread rest([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            pty_->WriteMaster(reply.mid(4));
        });
        QTRY_VERIFY(!block.isEmpty());
        rest.join();
        QCOMPARE(counted, short(26));
        QCOMPARE(block, reply);
    }

    void receive_rThresholdZeroRaisesNoEventButCounts()
    {
        comm_->SetRThreshold(0);
        EventLog log;
        log.attach(*comm_);
        openPort(*comm_);
        QVERIFY(pty_->WriteMaster("1234567"));
        QTRY_COMPARE(comm_->InBufferCount(), short(7));
        QTest::qWait(100);
        QVERIFY(log.codes.isEmpty());
        QCOMPARE(comm_->Input(), QByteArray("1234567"));
    }

    void receive_rThresholdWaitsForEnoughBytes()
    {
        comm_->SetRThreshold(3);
        EventLog log;
        log.attach(*comm_);
        openPort(*comm_);
        QVERIFY(pty_->WriteMaster("ab"));
        QTRY_COMPARE(comm_->InBufferCount(), short(2));
        QTest::qWait(100);
        QCOMPARE(log.count(TMSComm::comEvReceive), 0);
        QVERIFY(pty_->WriteMaster("c"));
        QTRY_COMPARE(log.count(TMSComm::comEvReceive), 1);
        QCOMPARE(comm_->Input(), QByteArray("abc"));
    }

    void receive_inBufferCountZeroDiscardsWaitingInput()
    {
        comm_->SetRThreshold(0);
        openPort(*comm_);
        QVERIFY(pty_->WriteMaster("stale bytes"));
        QTRY_COMPARE(comm_->InBufferCount(), short(11));
        comm_->SetInBufferCount(0);
        QCOMPARE(comm_->InBufferCount(), short(0));
        QCOMPARE(comm_->Input(), QByteArray());
        QVERIFY(pty_->WriteMaster("new"));
        QTRY_COMPARE(comm_->InBufferCount(), short(3));
        QCOMPARE(comm_->Input(), QByteArray("new"));
    }

    void receive_inputLenLimitsOneRead()
    {
        comm_->SetRThreshold(0);
        comm_->SetInputLen(2);
        openPort(*comm_);
        QVERIFY(pty_->WriteMaster("abcde"));
        QTRY_COMPARE(comm_->InBufferCount(), short(5));
        QCOMPARE(comm_->Input(), QByteArray("ab"));
        QCOMPARE(comm_->Input(), QByteArray("cd"));
        QCOMPARE(comm_->InBufferCount(), short(1));
        QCOMPARE(comm_->Input(), QByteArray("e"));
        QCOMPARE(comm_->Input(), QByteArray());
    }

    void receive_dataByteFFSurvivesTheDriversEscape()
    {
        // The line discipline doubles a received 0xFF under PARMRK; the control undoes it.
        comm_->SetRThreshold(0);
        openPort(*comm_);
        const QByteArray sent = QByteArray::fromHex("FF41FFFF00FF");
        QVERIFY(pty_->WriteMaster(sent));
        QTRY_COMPARE(comm_->InBufferCount(), short(sent.size()));
        QCOMPARE(comm_->Input(), sent);
    }

    void receive_overflowKeepsTheBufferFullAndRaisesRxOver()
    {
        comm_->SetRThreshold(0);
        EventLog log;
        log.attach(*comm_);
        openPort(*comm_);
        QByteArray flood;
        for (int i = 0; i < 5000; ++i)
            flood.append(char('a' + i % 26));
        QVERIFY(pty_->WriteMaster(flood));
        QTRY_VERIFY(log.count(TMSComm::comEventRxOver) >= 1);
        QTRY_COMPARE(comm_->InBufferCount(), short(TMSComm::ReceiveBufferSize));
        const QByteArray kept = comm_->Input();
        QCOMPARE(kept.size(), TMSComm::ReceiveBufferSize);
        QCOMPARE(kept, flood.left(TMSComm::ReceiveBufferSize)); // the oldest bytes stay
    }

    void send_fullDriverBufferRaisesTxFullWithoutThrowing()
    {
        EventLog log;
        log.attach(*comm_);
        openPort(*comm_);
        // Nobody reads the master: the pty holds some tens of kilobytes, then refuses.
        comm_->SetOutput(QByteArray(1 << 20, 'x'));
        QTRY_COMPARE(log.count(TMSComm::comEventTxFull), 1);
        QCOMPARE(comm_->CommEvent(), TMSComm::comEventTxFull);
        comm_->SetOutBufferCount(0);
        QCOMPARE(comm_->OutBufferCount(), short(0));
        pty_->DrainMaster();
    }

    void buffers_zeroIsAcceptedWhileClosed()
    {
        comm_->SetInBufferCount(0);
        comm_->SetOutBufferCount(0);
        QCOMPARE(comm_->InBufferCount(), short(0));
        QCOMPARE(comm_->OutBufferCount(), short(0));
        QVERIFY_THROWS_EXCEPTION(CommError, comm_->SetOutput("x"));
        QVERIFY_THROWS_EXCEPTION(CommError, comm_->Input());
        QVERIFY_THROWS_EXCEPTION(CommError, TMSCommTestAccess::InjectDriverInput(*comm_, "x"));
    }

    // --- framing errors through the seam ------------------------------------------------

    void framing_markedByteRaisesFrameEventThroughTheLoop()
    {
        EventLog log;
        log.attach(*comm_);
        openPort(*comm_);
        TMSCommTestAccess::InjectDriverInput(*comm_, QByteArray::fromHex("FF0041"));
        QVERIFY(log.codes.isEmpty()); // not raised inside the call
        QTRY_COMPARE(log.codes, QList<short>{TMSComm::comEventFrame});
        QVERIFY(log.allOnUiThread);
        QCOMPARE(comm_->CommEvent(), TMSComm::comEventFrame);
        QCOMPARE(comm_->InBufferCount(), short(0)); // the marked byte is not data
    }

    void framing_escapedFFIsOneDataByte()
    {
        EventLog log;
        log.attach(*comm_);
        openPort(*comm_);
        TMSCommTestAccess::InjectDriverInput(*comm_, QByteArray::fromHex("FFFF"));
        QTRY_COMPARE(log.codes, QList<short>{TMSComm::comEvReceive});
        QCOMPARE(comm_->Input(), QByteArray::fromHex("FF"));
    }

    void framing_markSplitAcrossReads()
    {
        EventLog log;
        log.attach(*comm_);
        openPort(*comm_);
        TMSCommTestAccess::InjectDriverInput(*comm_, QByteArray::fromHex("FF"));
        QTest::qWait(20);
        TMSCommTestAccess::InjectDriverInput(*comm_, QByteArray::fromHex("00"));
        QTest::qWait(20);
        QVERIFY(log.codes.isEmpty());
        TMSCommTestAccess::InjectDriverInput(*comm_, QByteArray::fromHex("4243"));
        QTRY_COMPARE(log.codes.value(0), TMSComm::comEventFrame);
        QTRY_COMPARE(log.codes.size(), 2);
        QCOMPARE(log.codes.value(1), TMSComm::comEvReceive);
        QCOMPARE(comm_->Input(), QByteArray("C"));
    }

    void framing_handlerCanResetThePortAndReceiveAgain()
    {
        // The link's ResetPort, run from the handler of the framing event.
        EventLog log;
        comm_->OnComm = [&](QObject*) {
            log.codes << comm_->CommEvent();
            if (comm_->CommEvent() != TMSComm::comEventFrame || !comm_->PortOpen())
                return;
            comm_->SetPortOpen(false);
            comm_->SetInBufferCount(0);
            comm_->SetOutBufferCount(0);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            comm_->SetPortOpen(true);
        };
        openPort(*comm_);
        // A marked byte and data in one read: the reset discards the data, so only the frame
        // event is raised.
        TMSCommTestAccess::InjectDriverInput(*comm_, QByteArray::fromHex("FF0041") + "xyz");
        QTRY_COMPARE(log.codes, QList<short>{TMSComm::comEventFrame});
        QTest::qWait(50);
        QCOMPARE(log.codes, QList<short>{TMSComm::comEventFrame});
        QVERIFY(comm_->PortOpen());
        QCOMPARE(comm_->InBufferCount(), short(0));
        QVERIFY(pty_->WriteMaster("ok"));
        QTRY_COMPARE(log.codes.size(), 2);
        QCOMPARE(log.codes.value(1), TMSComm::comEvReceive);
        QCOMPARE(comm_->Input(), QByteArray("ok"));
    }

    // --- a far end that goes away -------------------------------------------------------

    void hangup_doesNotSpinAndTheNextWriteThrows()
    {
        EventLog log;
        log.attach(*comm_);
        openPort(*comm_);
        pty_->CloseMaster();
        QTRY_VERIFY(comm_->DeviceLost());
        const double cpuBefore = processCpuMs();
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(300);
        const double cpuMs = processCpuMs() - cpuBefore;
        const qint64 wallMs = wall.elapsed();
        QVERIFY2(cpuMs < wallMs / 2.0,
                 qPrintable(QStringLiteral("%1 ms CPU in %2 ms").arg(cpuMs).arg(wallMs)));
        QVERIFY(log.codes.isEmpty());
        QVERIFY(comm_->PortOpen());
        try {
            comm_->SetOutput(QByteArray(1, '\xAA'));
            QFAIL("a write to a hung-up device succeeded");
        } catch (const CommError& error) {
            QVERIFY2(error.Message().contains(systemText(EIO)), qPrintable(error.Message()));
        }
        QCOMPARE(comm_->InBufferCount(), short(0));
        comm_->SetInBufferCount(0); // the recovery steps do not fail on a lost device
        comm_->SetOutBufferCount(0);
        comm_->SetPortOpen(false);
        QVERIFY(!comm_->PortOpen());
        QVERIFY(!comm_->DeviceLost());
    }

    void hangup_writeThrowsEvenBeforeTheLoopNoticed()
    {
        openPort(*comm_);
        pty_->CloseMaster();
        QVERIFY_THROWS_EXCEPTION(CommError, comm_->SetOutput(QByteArray(1, '\xAA')));
        QVERIFY(comm_->DeviceLost());
    }

    void hangup_endsAWaitForInputAtOnce()
    {
        openPort(*comm_);
        pty_->CloseMaster();
        // No deadline within the test's life: only the hang-up can end this wait.
        QVERIFY(!comm_->WaitForInput(1, NoDeadlineMs));
        QVERIFY(comm_->DeviceLost());
    }

    // --- blocking helpers for the link layer --------------------------------------------

    void waitForInput_returnsOnceTheBytesWait()
    {
        EventLog log;
        log.attach(*comm_);
        openPort(*comm_);
        QVERIFY(pty_->WriteMaster(QByteArray(10, 'a')));
        std::jthread later([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            pty_->WriteMaster(QByteArray(16, 'b'));
        });
        QElapsedTimer timer;
        timer.start();
        const bool arrived = comm_->WaitForInput(26, 5000);
        const qint64 took = timer.elapsed();
        later.join();
        QVERIFY(arrived);
        QVERIFY2(took >= 40, qPrintable(QString::number(took)));
        QCOMPARE(comm_->InBufferCount(), short(26));
        QCOMPARE(comm_->Input(), QByteArray(10, 'a') + QByteArray(16, 'b'));
        // The bytes were taken before the loop ran: no late receive event for them.
        QTest::qWait(50);
        QCOMPARE(log.count(TMSComm::comEvReceive), 0);
    }

    void waitForInput_isImmediateWhenTheBytesAlreadyWait()
    {
        openPort(*comm_);
        QVERIFY(pty_->WriteMaster(QByteArray(26, 'r')));
        QTRY_COMPARE(comm_->InBufferCount(), short(26));
        // Already in the control's buffer, so nothing more will make the line readable: a wait
        // that looked at the line instead would never end.
        QVERIFY(comm_->WaitForInput(26, NoDeadlineMs));
    }

    void waitForInput_givesUpAfterTheTimeout()
    {
        openPort(*comm_);
        QVERIFY(pty_->WriteMaster("abc"));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!comm_->WaitForInput(26, 100));
        const qint64 took = timer.elapsed();
        QVERIFY2(took >= 95, qPrintable(QString::number(took)));
        QCOMPARE(comm_->InBufferCount(), short(3));
    }

    void waitForInput_falseWhenClosed()
    {
        TMSComm comm;
        QVERIFY(!comm.WaitForInput(1, 50));
    }

    void waitForSent_trueOnceTheDriverHasSentEverything()
    {
        // A pty hands bytes over at once, so its send queue is always empty.
        QVERIFY(comm_->WaitForSent(10));
        openPort(*comm_);
        comm_->SetOutput(QByteArray(26, 's'));
        QVERIFY(comm_->WaitForSent(500));
        QCOMPARE(pty_->ReadMaster(26, 2000), QByteArray(26, 's'));
    }
};

QTEST_GUILESS_MAIN(TestTMSComm)
#include "tst_tmscomm.moc"
