#include "StationPort.h"
#include "link/ControllerFrame.h"

#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

constexpr int Timeout = 10000;

QByteArray bytesOf(const ControllerFrame& frame)
{
    return QByteArray(reinterpret_cast<const char*>(frame.data()), int(frame.size()));
}

QString hexOf(const ControllerFrame& frame)
{
    return QString::fromLatin1(bytesOf(frame).toHex(' ').toUpper());
}

// Starts the program and reads its first line; returns the device it names.
QString startSimulator(QProcess& process, const QStringList& options)
{
    process.start(QStringLiteral(QUELVANE_SIM_PROGRAM), options);
    if (!process.waitForStarted(Timeout))
        return QString();
    QElapsedTimer clock;
    clock.start();
    while (!process.canReadLine() && clock.elapsed() < Timeout)
        process.waitForReadyRead(100);
    const QString line = QString::fromLocal8Bit(process.readLine()).trimmed();
    const QString prefix = QStringLiteral("quelvane-sim: device ");
    return line.startsWith(prefix) ? line.mid(prefix.size()) : QString();
}

} // namespace

class TestSimProgram : public QObject
{
    Q_OBJECT
private slots:
    void program_printsItsDevice_answers_andStopsCleanlyOnTerm()
    {
        QProcess process;
        const QString device = startSimulator(process, {"--state", "5=0x41", "--trace"});
        QVERIFY2(device.startsWith(QStringLiteral("/dev/")), qPrintable(device));
        {
            StationPort station(device);
            QVERIFY(station.IsOpen());
            QVERIFY(station.Write(BuildStatusRequest(5)));
            QTRY_COMPARE_WITH_TIMEOUT(station.Received().size(), 26, Timeout);
            QCOMPARE(station.Received()[19], char(0x41));
            QCOMPARE(station.Received()[1], char(5));
        }
        process.terminate();
        QVERIFY(process.waitForFinished(Timeout));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);

        const QStringList lines =
            QString::fromLocal8Bit(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
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
        QProcess process;
        const QString device = startSimulator(process, {});
        QVERIFY(!device.isEmpty());
        QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
        QVERIFY(process.waitForFinished(Timeout));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(process.readAllStandardOutput().contains("quelvane-sim: stopped frames=0 "));
    }

    void badOption_endsWithStatusTwoAndSaysWhy()
    {
        QProcess process;
        process.start(QStringLiteral(QUELVANE_SIM_PROGRAM), {"--silent", "22"});
        QVERIFY(process.waitForFinished(Timeout));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardOutput().isEmpty());
        QVERIFY(process.readAllStandardError().contains("invalid --silent \"22\""));
    }

    void help_endsWithStatusZero()
    {
        QProcess process;
        process.start(QStringLiteral(QUELVANE_SIM_PROGRAM), {"--help"});
        QVERIFY(process.waitForFinished(Timeout));
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(process.readAllStandardOutput().contains("quelvane-sim: device PATH"));
    }

    void unusableDevice_endsWithStatusOne()
    {
        QProcess process;
        process.start(QStringLiteral(QUELVANE_SIM_PROGRAM), {"--device", "/dev/null"});
        QVERIFY(process.waitForFinished(Timeout));
        QCOMPARE(process.exitCode(), 1);
        QVERIFY(process.readAllStandardError().contains("/dev/null"));
    }
};

QTEST_GUILESS_MAIN(TestSimProgram)
#include "tst_simprogram.moc"
