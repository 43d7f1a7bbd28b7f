// The line trace a maintainer turns on with QT_LOGGING_RULES: one switch flip through the whole
// station, run as a child process so that the trace is seen where Qt prints it, on standard
// error, with the rules taken from the environment as an operator would give them.
#include "StationOnBus.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTime>

#include "components/TiSwitchRocker.h"

namespace {

constexpr std::uint32_t Red = 0x000000FF;

struct Child
{
    QString out;
    QString err;
    int exitCode = -1;
};

// This test program, running only the flip, with the given logging rules (none when empty).
Child runFlip(const QString& rules)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    if (!rules.isEmpty())
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), rules);
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("aSwitchFlip")});
    process.waitForFinished(120000);
    return {QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError()), process.exitCode()};
}

// The trace lines, "quelvane.line: 14:03:07.251 text", as time and text.
QList<std::pair<QTime, QString>> traceLines(const QString& err)
{
    static const QRegularExpression line(
        QStringLiteral("^quelvane\\.line: (\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d) (.*)$"),
        QRegularExpression::MultilineOption);
    QList<std::pair<QTime, QString>> lines;
    for (const auto& match : line.globalMatch(err))
        lines.append({QTime::fromString(match.captured(1), QStringLiteral("HH:mm:ss.zzz")),
                      match.captured(2)});
    return lines;
}

// The index of the first line at or after from that starts with text; -1 when there is none.
qsizetype find(const QList<std::pair<QTime, QString>>& lines, const QString& text, qsizetype from)
{
    for (qsizetype i = std::max<qsizetype>(from, 0); i < lines.size(); ++i)
        if (lines[i].second.startsWith(text))
            return i;
    return -1;
}

} // namespace

class TestLineTrace : public QObject
{
    Q_OBJECT
private slots:
    void aSwitchFlip()
    {
        // Qt's own message handler, as in the station, instead of the test log's.
        const QtMessageHandler testLog = qInstallMessageHandler(nullptr);
        {
            StationOnBus s;
            s.OpenCom1();
            QTest::qWait(100);
            QTest::mouseClick(s.Control<TiSwitchRocker>(&s.Main(), "iSwitchRocker3"),
                              Qt::LeftButton);
            QTRY_COMPARE(s.MainIndicator(3), Red);
        }
        qInstallMessageHandler(testLog);
    }

    void theTraceIsOffUnlessTheRulesTurnItOn()
    {
        const Child quiet = runFlip(QString());
        QCOMPARE(quiet.exitCode, 0);
        QVERIFY2(!quiet.err.contains(QStringLiteral("quelvane.line")), qPrintable(quiet.err));

        const Child traced = runFlip(QStringLiteral("quelvane.line.debug=true"));
        QCOMPARE(traced.exitCode, 0);
        QVERIFY2(!traced.out.contains(QStringLiteral("quelvane.line")), qPrintable(traced.out));
        const auto lines = traceLines(traced.err);
        const QString zeros = QStringLiteral("00 ").repeated(20);
        const qsizetype open = find(lines, QStringLiteral("COM1 ("), 0);
        const qsizetype command =
            find(lines, "write 26 bytes: aa 01 13 04 04 " + zeros + "c6", open);
        const qsizetype request =
            find(lines, "write 26 bytes: aa 01 09 00 00 " + zeros + "b4", command);
        const qsizetype read = find(lines, QStringLiteral("read 26 bytes: aa 01 09 "), request);
        const qsizetype applied =
            find(lines, QStringLiteral("reply applied for board 1: status 04"), read);
        const qsizetype closed = find(lines, QStringLiteral("COM1 ("), applied);
        QVERIFY2(open >= 0 && command > open && request > command && read > request &&
                     applied > read && closed > applied,
                 qPrintable(traced.err));
        QVERIFY(lines[open].second.endsWith(QStringLiteral("open, 9600,n,8,1")));
        QVERIFY(lines[closed].second.endsWith(QStringLiteral("closed")));
        // The wait between the command and the request shows in their time stamps.
        const int waitMs =
            (lines[command].first.msecsTo(lines[request].first) + 86400000) % 86400000;
        QVERIFY2(waitMs >= 2000, qPrintable(QString::number(waitMs)));
    }
};

QTEST_MAIN(TestLineTrace)
#include "tst_linetrace.moc"
