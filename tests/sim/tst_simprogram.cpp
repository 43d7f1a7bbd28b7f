#include "StationPort.h"
#include "link/ControllerFrame.h"
#include "support/FrameBytes.h"

#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

constexpr int Timeout = 10000;

QString hexOf(const ControllerFrame& frame)
{
    return QString::fromLatin1(FrameBytes(frame).toHex(' ').toUpper());
}

} // namespace

// Each test runs the program once; one that fails half-way leaves it to the process object,
// which ends it.
class TestSimProgram : public QObject
{
    Q_OBJECT

    std::unique_ptr<QProcess> process_;

    // Starts the program and reads its first line; returns the device it names.
    QString startSimulator(const QStringList& options)
    {
        process_->start(QStringLiteral(QUELVANE_SIM_PROGRAM), options);
        if (!process_->waitForStarted(Timeout))
            return QString();
        QElapsedTimer clock;
        clock.start();
        while (!process_->canReadLine() && clock.elapsed() < Timeout)
            process_->waitForReadyRead(100);
        const QString line = QString::fromLocal8Bit(process_->readLine()).trimmed();
        const QString prefix = QStringLiteral("quelvane-sim: device ");
        return line.startsWith(prefix) ? line.mid(prefix.size()) : QString();
    }

    // Runs the program to its end; false when it did not end.
    bool runSimulator(const QStringList& options)
    {
        process_->start(QStringLiteral(QUELVANE_SIM_PROGRAM), options);
        return process_->waitForFinished(Timeout);
    }

private slots:
    void init() { process_ = std::make_unique<QProcess>(); }
    void cleanup() { process_.reset(); }

    void program_printsItsDevice_answers_andStopsCleanlyOnTerm()
    {
        const QString device = startSimulator({"--state", "5=0x41", "--trace"});
        QVERIFY2(device.startsWith(QStringLiteral("/dev/")), qPrintable(device));
        {
            StationPort station(device);
            QVERIFY(station.IsOpen());
            QVERIFY(station.Write(BuildStatusRequest(5)));
            QTRY_COMPARE_WITH_TIMEOUT(station.Received().size(), 26, Timeout);
            QCOMPARE(station.Received()[19], char(0x41));
            QCOMPARE(station.Received()[1], char(5));
        }
        process_->terminate();
        QVERIFY(process_->waitForFinished(Timeout));
        QCOMPARE(process_->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process_->exitCode(), 0);

        const QStringList lines = QString::fromLocal8Bit(process_->readAllStandardOutput())
                                      .split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].startsWith("rx ") && lines[0].endsWith(hexOf(BuildStatusRequest(5))),
                 qPrintable(lines[0]));
        ControllerFrame reply = BuildStatusRequest(5);
        reply[19] = 0x41;
        reply[25] = FrameChecksum(reply);
        QVERIFY2(lines[1].startsWith("tx ") && lines[1].endsWith(hexOf(reply)),
                 qPrintable(lines[1]));
        QVERIFY2(lines[2].startsWith("quelvane-sim: stopped frames=1 "), qPrintable(lines[2]));
    }

    void interrupt_stopsItCleanlyToo()
    {
        const QString device = startSimulator({});
        QVERIFY(!device.isEmpty());
        QCOMPARE(::kill(pid_t(process_->processId()), SIGINT), 0);
        QVERIFY(process_->waitForFinished(Timeout));
        QCOMPARE(process_->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process_->exitCode(), 0);
        QVERIFY(process_->readAllStandardOutput().contains("quelvane-sim: stopped frames=0 "));
    }

    void badOption_endsWithStatusTwoAndSaysWhy()
    {
        QVERIFY(runSimulator({"--silent", "22"}));
        QCOMPARE(process_->exitCode(), 2);
        QVERIFY(process_->readAllStandardOutput().isEmpty());
        QVERIFY(process_->readAllStandardError().contains("invalid --silent \"22\""));
    }

    void help_endsWithStatusZero()
    {
        QVERIFY(runSimulator({"--help"}));
        QCOMPARE(process_->exitCode(), 0);
        QVERIFY(process_->readAllStandardOutput().contains("quelvane-sim: device PATH"));
    }

    void unusableDevice_endsWithStatusOne()
    {
        QVERIFY(runSimulator({"--device", "/dev/null"}));
        QCOMPARE(process_->exitCode(), 1);
        QVERIFY(process_->readAllStandardError().contains("/dev/null"));
    }
};

QTEST_GUILESS_MAIN(TestSimProgram)
#include "tst_simprogram.moc"
