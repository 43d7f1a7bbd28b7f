#pragma once

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>

#include "app/Station.h"
#include "app/TSetfrm.h"
#include "app/Tmainfrm.h"
#include "floors/TShape.h"
#include "support/BusOnThread.h"

// The whole station with COM1 wired to the simulated building bus. Messages the station would
// show in boxes are recorded instead.
struct StationOnBus
{
    StationOnBus()
    {
        qputenv("QUELVANE_COM1", bus.devicePath.toLocal8Bit());
        station = std::make_unique<Station>();
        main().Link().ShowWriteError = [this](const QString& m) { writeErrors << m; };
        main().ShowOpenWarning = [this](const QString& m) { warnings << m; };
        main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&main()));
    }
    ~StationOnBus() { main().ClosePort(); }

    Tmainfrm& main() { return station->mainfrm(); }
    TSetfrm& dialog() { return *static_cast<TSetfrm*>(station->Screens().Setfrm); }

    template <typename T> T* control(QWidget* screen, const char* name)
    {
        auto* found = screen->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr)
            qFatal("no control %s", name);
        return found;
    }

    std::uint32_t mainIndicator(int k)
    {
        return control<TShape>(&main(), qPrintable(QStringLiteral("R%1").arg(k)))->Brush().Color;
    }

    // Runs the port dialog: pick picks the entry (or types into the field), then OK or Cancel.
    void runPortDialog(const std::function<void(TSetfrm&)>& pick, bool ok)
    {
        QTimer::singleShot(0, [this, pick, ok] {
            TSetfrm& d = dialog();
            QTRY_VERIFY(d.isVisible());
            listed = QStringList();
            for (int i = 0; i < d.ComboBox1->count(); ++i)
                listed << d.ComboBox1->itemText(i);
            pick(d);
            QTest::mouseClick(control<QPushButton>(&d, ok ? "Button1" : "Button2"), Qt::LeftButton);
        });
        main().N1Click(&main());
    }

    void openCom1()
    {
        runPortDialog(
            [](TSetfrm& d) { d.ComboBox1->setCurrentIndex(d.ComboBox1->findText("COM1")); }, true);
        QVERIFY(main().PortReady());
    }

    bool waitForFrames(int count, int ms = 5000)
    {
        QElapsedTimer t;
        t.start();
        while (bus.frames.size() < count && t.elapsed() < ms)
            QTest::qWait(5);
        return bus.frames.size() >= count;
    }

    BusOnThread bus;
    std::unique_ptr<Station> station;
    QStringList writeErrors;
    QStringList warnings;
    QStringList listed;
};
