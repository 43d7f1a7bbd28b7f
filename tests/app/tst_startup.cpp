#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include "app/Station.h"
#include "app/StationApplication.h"
#include "app/TSetfrm.h"
#include "app/Tmainfrm.h"
#include "floors/FloorScreens.h"
#include "serial/PortProbe.h"
#include "support/BusOnThread.h"

namespace {

// Records, application-wide, which screens are made (each sets its caption while it is
// created) and which are shown and hidden.
class ScreenEvents : public QObject
{
public:
    QStringList created;
    QStringList shownAndHidden;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || !widget->isWindow())
            return false;
        // A base class's constructor sets the caption: name the screen by its caption.
        const QString name = widget->windowTitle();
        if (event->type() == QEvent::WindowTitleChange && !created.contains(name))
            created << name;
        if (event->type() == QEvent::Show)
            shownAndHidden << "show " + name;
        if (event->type() == QEvent::Hide)
            shownAndHidden << "hide " + name;
        return false;
    }
};

QStringList shownMessages;
void recordMessage(const QString& message)
{
    shownMessages << message;
}

class Thrower : public QObject
{
public:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw std::runtime_error("a handler failed");
        return QObject::event(event);
    }
};

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void screensAreCreatedInOrderAndOnlyTheMainScreenIsVisible()
    {
        ScreenEvents events;
        qApp->installEventFilter(&events);
        Station station;
        station.mainfrm().show();
        qApp->removeEventFilter(&events);

        QCOMPARE(events.created,
                 (QStringList{"楼宇监控系统", "岚苑一层界面", "岚苑二层界面", "岚苑三层界面",
                              "岚苑四层界面", "岚苑五层界面", "通讯端口设置"}));
        // The floor-4 hook showed floor 2; start-up hid it again.
        const QString floor2 = QStringLiteral("岚苑二层界面");
        QVERIFY(events.shownAndHidden.contains("show " + floor2));
        QVERIFY(events.shownAndHidden.indexOf("show " + floor2) <
                events.shownAndHidden.lastIndexOf("hide " + floor2));

        ScreenSet& screens = station.Screens();
        QVERIFY(screens.mainfrm->isVisible());
        for (QWidget* other :
             std::initializer_list<QWidget*>{screens.firstfrm, screens.Secondfrm, screens.Thirdfrm,
                                             screens.Fourfrm, screens.Fivefrm, screens.Setfrm})
            QVERIFY2(!other->isVisible(), qPrintable(other->objectName()));
        QCOMPARE(station.mainfrm().windowTitle(), QStringLiteral("楼宇监控系统"));

        // Every screen shows the station's icon, in the sizes the desktop asks for.
        for (QWidget* screen : std::initializer_list<QWidget*>{
                 screens.mainfrm, screens.firstfrm, screens.Secondfrm, screens.Thirdfrm,
                 screens.Fourfrm, screens.Fivefrm, screens.Setfrm}) {
            const QList<QSize> sizes = screen->windowIcon().availableSizes();
            for (int edge : {16, 32, 48, 64, 128, 256})
                QVERIFY2(sizes.contains(QSize(edge, edge)), qPrintable(screen->objectName()));
        }
    }

    // Both programs answer before anything opens a display; a display the station opened
    // first would abort it, as none is given.
    void helpAndVersion_answerOnStandardOutputWithoutADisplay_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("answer");
        const QString station = QStringLiteral(QUELVANE_STATION_PROGRAM);
        const QString simulator = QStringLiteral(QUELVANE_SIM_PROGRAM);
        const QString version = QStringLiteral(" \\d+\\.\\d+\\.\\d+\n$");
        QTest::newRow("station help")
            << station << QStringList{"--help"}
            << QStringLiteral("^Usage: quelvane \\[--help \\| --version\\]\n");
        QTest::newRow("station version")
            << station << QStringList{"--version"} << "^quelvane" + version;
        QTest::newRow("simulator version")
            << simulator << QStringList{"--version"} << "^quelvane-sim" + version;
    }
    void helpAndVersion_answerOnStandardOutputWithoutADisplay()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, answer);
        QProcess process;
        process.setProgram(QStringLiteral("env"));
        process.setArguments(
            QStringList{"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb", program} +
            arguments);
        process.start();
        QVERIFY(process.waitForFinished());
        const QString output = QString::fromUtf8(process.readAllStandardOutput());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY2(QRegularExpression(answer).match(output).hasMatch(), qPrintable(output));
        QCOMPARE(process.readAllStandardError(), QByteArray());
    }

    void formCreateSetsTheFloorCaptionsAndPreparesComm1()
    {
        Station station;
        auto* label7 = station.mainfrm().findChild<QLabel*>("Label7");
        QVERIFY(label7);
        QCOMPARE(label7->text(), QStringLiteral("岚\r\n一\r\n层\r\n监\r\n控\r\n界\r\n面"));
        auto* label11 = station.mainfrm().findChild<QLabel*>("Label11");
        QCOMPARE(label11->text(), QStringLiteral("岚\r\n五\r\n层\r\n监\r\n控\r\n界\r\n面"));

        const TMSComm& comm = station.mainfrm().Comm1;
        QCOMPARE(comm.CommPort(), short(1));
        QCOMPARE(comm.Settings(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(comm.InputLen(), short(0));
        QCOMPARE(comm.SThreshold(), short(1));
        QCOMPARE(comm.RThreshold(), short(1));
        QCOMPARE(comm.InputMode(), 1);
        QVERIFY(!comm.PortOpen());
        QVERIFY(!station.mainfrm().PortReady());
    }

    void onlyTheMainScreenEndsTheStation()
    {
        QVERIFY(!qApp->quitOnLastWindowClosed());
        Station station;
        QSignalSpy closed(&station.mainfrm(), &Tmainfrm::closed);
        station.mainfrm().show();
        station.Screens().Setfrm->show();
        station.Screens().Setfrm->close();
        QCOMPARE(closed.count(), 0);
        station.mainfrm().close();
        QCOMPARE(closed.count(), 1);
    }

    void closingTheMainScreenWithThePortNeverOpened()
    {
        Station station;
        station.mainfrm().show();
        QVERIFY(station.mainfrm().close());
        QVERIFY(!station.mainfrm().PortReady());
        QVERIFY(!station.mainfrm().Comm1.PortOpen());
    }

    void closingTheMainScreenReleasesAnOpenPort()
    {
        BusOnThread bus;
        qputenv("QUELVANE_COM1", bus.DevicePath().toLocal8Bit());
        Station station;
        station.mainfrm().show();
        QVERIFY(station.mainfrm().OpenPort(1, 9600));
        QVERIFY(!ProbeComPort(1).listed()); // held by the station
        QVERIFY(station.mainfrm().close());
        QVERIFY(!station.mainfrm().PortReady());
        QVERIFY(!station.mainfrm().Comm1.PortOpen());
        QVERIFY(ProbeComPort(1).listed());
    }

    void closingTheMainScreenInsideASwitchFlipResetsItsCursors()
    {
        Station station;
        Tmainfrm& mainfrm = station.mainfrm();
        QSignalSpy closed(&mainfrm, &Tmainfrm::closed);
        mainfrm.show();
        auto* rocker = mainfrm.findChild<QWidget*>("iSwitchRocker2");
        // Fires inside the flip's wait: the click runs the handler before it returns.
        QTimer::singleShot(0, &mainfrm, [&] { mainfrm.close(); });
        QTest::mouseClick(rocker, Qt::LeftButton, {}, rocker->rect().center());
        QCOMPARE(closed.count(), 1);
        QVERIFY(mainfrm.Link().Ended());
        QVERIFY(!rocker->testAttribute(Qt::WA_SetCursor));
        QCOMPARE(mainfrm.cursor().shape(), Qt::ArrowCursor);
    }

    void anExceptionLeavingAHandlerIsShownAndTheStationGoesOn()
    {
        shownMessages.clear();
        StationApplication::SetErrorPresenter(recordMessage);
        Thrower thrower;
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QTRY_COMPARE(shownMessages, QStringList{"a handler failed"});
        bool stillRunning = false;
        QTimer::singleShot(0, [&] { stillRunning = true; });
        QTRY_VERIFY(stillRunning);
        StationApplication::SetErrorPresenter(nullptr);
    }
};

int main(int argc, char** argv)
{
    StationApplication application(argc, argv);
    TestStartup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
