#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace {

// Only keeps a script that hangs from hanging the test; nothing here comes near it.
constexpr int HangGuardMs = 120000;

// Stands in for quelvane-sim: prints the device line and runs until stopped.
const char* const FakeSimulator = R"(#!/bin/sh
echo $$ >"$RUN_TEST_DIR/simulator.pid"
echo "quelvane-sim: device /dev/pts/fake"
exec sleep 100000
)";

// Stands in for the station: notes what it was given, then does what the test asks.
QByteArray fakeStation(const QByteArray& behaviour)
{
    return QByteArray(R"(#!/bin/sh
echo "COM1=$QUELVANE_COM1 DISPLAY=$DISPLAY QPA=${QT_QPA_PLATFORM-none}" >"$RUN_TEST_DIR/station.env"
echo $$ >"$RUN_TEST_DIR/station.pid"
)") + behaviour +
           '\n';
}

// Runs until stopped, then notes whether the display it was given was still there.
const char* const NotesTheDisplayWhenStopped =
    "trap 'if [ -S \"/tmp/.X11-unix/X${DISPLAY#:}\" ]; then echo up; else echo gone; fi "
    ">\"$RUN_TEST_DIR/display-at-stop\"; exit 0' TERM\n"
    ": >\"$RUN_TEST_DIR/station.ready\"\n"
    "while :; do sleep 0.1; done";

bool processGone(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == -1 && errno == ESRCH;
}

class ScriptRun
{
public:
    enum Group
    {
        TestsGroup,
        OwnProcessGroup, // as a terminal's foreground job, which Ctrl+C reaches as a whole
    };

    // headless: neither DISPLAY nor WAYLAND_DISPLAY, so the script starts its own Xvfb.
    ScriptRun(const QByteArray& stationBehaviour, bool headless, const QString& runSeconds,
              Group group = TestsGroup)
    {
        write(QStringLiteral("station"), fakeStation(stationBehaviour));
        write(QStringLiteral("simulator"), FakeSimulator);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("RUN_TEST_DIR"), dir_.path());
        env.insert(QStringLiteral("RUN_TEST_SHOT"), ShotPath());
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (headless)
            env.remove(QStringLiteral("DISPLAY"));
        else
            env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":fake"));
        if (runSeconds.isEmpty())
            env.remove(QStringLiteral("QUELVANE_RUN_SECONDS"));
        else
            env.insert(QStringLiteral("QUELVANE_RUN_SECONDS"), runSeconds);
        script_.setProcessEnvironment(env);
        script_.setProcessChannelMode(QProcess::MergedChannels);
        if (group == OwnProcessGroup)
            script_.setChildProcessModifier([] { ::setsid(); });
        script_.start(
            QStringLiteral(QUELVANE_RUN_STATION_SCRIPT),
            {Path(QStringLiteral("station")), Path(QStringLiteral("simulator")), ShotPath()});
    }
    ~ScriptRun()
    {
        // A test that failed leaves the script running: its own way out stops the virtual
        // display too, which runs in a session of its own.
        if (script_.state() != QProcess::NotRunning) {
            script_.terminate();
            if (!script_.waitForFinished())
                script_.kill();
        }
        for (const char* name : {"station.pid", "simulator.pid"}) {
            if (const qint64 pid = PidOf(name); pid > 0)
                ::kill(pid_t(pid), SIGKILL);
        }
    }

    QProcess& Script() { return script_; }
    bool Finish() { return script_.waitForFinished(HangGuardMs); }
    QString Output() { return QString::fromUtf8(script_.readAll()); }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString ShotPath() const { return dir_.filePath(QStringLiteral("shots/main.png")); }
    qint64 PidOf(const char* file) const
    {
        QFile f(Path(QString::fromLatin1(file)));
        return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toLongLong() : 0;
    }
    QByteArray FileText(const char* name) const
    {
        QFile f(Path(QString::fromLatin1(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
    }

private:
    void write(const QString& name, const QByteArray& text)
    {
        QFile f(Path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QTemporaryDir dir_;
    QProcess script_;
};

} // namespace

class TestRunStation : public QObject
{
    Q_OBJECT
private slots:
    void closingTheStation_endsScriptAndSimulatorAtOnce_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("closed") << 0;
        QTest::newRow("failed") << 3;
    }
    void closingTheStation_endsScriptAndSimulatorAtOnce()
    {
        QFETCH(int, status);
        // A day to go on the clock: only the station's end can end the script in time.
        ScriptRun run("exit " + QByteArray::number(status), false, QStringLiteral("86400"));
        QVERIFY(run.Finish());
        const QString output = run.Output();
        QCOMPARE(run.Script().exitCode(), status);
        QVERIFY2(output.contains("the station ended"), qPrintable(output));
        QVERIFY(processGone(run.PidOf("simulator.pid")));
        // COM1 leads to the simulator; the station shows on the real display, not off-screen.
        QCOMPARE(run.FileText("station.env"),
                 QByteArray("COM1=/dev/pts/fake DISPLAY=:fake QPA=none"));
    }

    void timeUp_exitsZero_andStopsStationAndSimulator()
    {
        ScriptRun run("exec sleep 100000", false, QStringLiteral("1"));
        QVERIFY(run.Finish());
        const QString output = run.Output();
        QCOMPARE(run.Script().exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.Script().exitCode(), 0);
        QVERIFY2(output.contains("1 s are up"), qPrintable(output));
        QVERIFY(processGone(run.PidOf("station.pid")));
        QVERIFY(processGone(run.PidOf("simulator.pid")));
    }

    // Ctrl+C reaches every process of the terminal's foreground group, the script's children
    // too; the station must still be stopped, and before the virtual display it shows on.
    void interrupt_stopsStationAndSimulator_data()
    {
        QTest::addColumn<bool>("headless");
        QTest::newRow("on a display") << false;
        QTest::newRow("on the virtual display") << true;
    }
    void interrupt_stopsStationAndSimulator()
    {
        QFETCH(bool, headless);
        ScriptRun run(NotesTheDisplayWhenStopped, headless, QString(), ScriptRun::OwnProcessGroup);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(run.Path("station.ready")), HangGuardMs);
        QCOMPARE(::kill(-pid_t(run.Script().processId()), SIGINT), 0);
        QVERIFY(run.Finish());
        QCOMPARE(run.Script().exitCode(), 130);
        QVERIFY(processGone(run.PidOf("station.pid")));
        QVERIFY(processGone(run.PidOf("simulator.pid")));
        if (headless)
            QCOMPARE(run.FileText("display-at-stop"), QByteArray("up"));
    }

    void headless_saysHowToStop_andNamesNoScreenshotItDidNotTake()
    {
        ScriptRun run("exit 0", true, QString());
        QVERIFY(run.Finish());
        const QString output = run.Output();
        QCOMPARE(run.Script().exitCode(), 0);
        QVERIFY2(output.contains("press Ctrl+C to stop"), qPrintable(output));
        QVERIFY2(!output.contains("screenshot"), qPrintable(output));
        QVERIFY(!QFile::exists(run.ShotPath()));
        QVERIFY2(run.FileText("station.env").contains("DISPLAY=:"),
                 run.FileText("station.env").constData());
    }

    void headless_namesTheScreenshotItTook()
    {
        // The station stays until its screenshot is on disk, however slow the machine.
        ScriptRun run("while [ ! -s \"$RUN_TEST_SHOT\" ]; do sleep 0.1; done", true, QString());
        QVERIFY(run.Finish());
        const QString output = run.Output();
        QCOMPARE(run.Script().exitCode(), 0);
        QVERIFY2(output.contains("screenshot of the main screen: " + run.ShotPath()),
                 qPrintable(output));
        QFile shot(run.ShotPath());
        QVERIFY(shot.open(QIODevice::ReadOnly));
        QCOMPARE(shot.read(8), QByteArray("\x89PNG\r\n\x1a\n"));
    }
};

QTEST_GUILESS_MAIN(TestRunStation)
#include "tst_runstation.moc"
