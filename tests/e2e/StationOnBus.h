#pragma once

#include <QComboBox>
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
        qputenv("QUELVANE_COM1", bus.DevicePath().toLocal8Bit());
        station = std::make_unique<Station>();
        Main().Link().ShowWriteError = [this](const QString& m) { writeErrors << m; };
        Main().ShowOpenWarning = [this](const QString& m) { warnings << m; };
        Main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Main()));
    }
    ~StationOnBus() { Main().ClosePort(); }

    Tmainfrm& Main() { return station->mainfrm(); }
    TSetfrm& Dialog() { return *static_cast<TSetfrm*>(station->Screens().Setfrm); }

    template <typename T> T* Control(QWidget* screen, const char* name)
    {
        auto* found = screen->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr)
            qFatal("no control %s", name);
        return found;
    }

    std::uint32_t MainIndicator(int k)
    {
        return Control<TShape>(&Main(), qPrintable(QStringLiteral("R%1").arg(k)))->Brush().Color;
    }

    // The dialog's pick that chooses the entry of this COM name from the list.
    static std::function<void(TSetfrm&)> Choose(const char* name)
    {
        return [name](TSetfrm& d) {
            d.ComboBox1->setCurrentIndex(d.ComboBox1->findText(QLatin1String(name)));
        };
    }

    // Runs the port dialog: pick picks the entry (or types into the field), then OK or Cancel.
    void RunPortDialog(const std::function<void(TSetfrm&)>& pick, bool ok)
    {
        QTimer::singleShot(0, [this, pick, ok] {
            TSetfrm& d = Dialog();
            QTRY_VERIFY(d.isVisible());
            listed = QStringList();
            for (int i = 0; i < d.ComboBox1->count(); ++i)
                listed << d.ComboBox1->itemText(i);
            pick(d);
            QTest::mouseClick(Control<QPushButton>(&d, ok ? "Button1" : "Button2"), Qt::LeftButton);
        });
        Main().N1Click(&Main());
    }

    // COM1 chosen and confirmed; done once the bus has heard the status request that follows
    // the opening.
    void OpenCom1()
    {
        const int heard = int(bus.Frames().size());
        RunPortDialog(Choose("COM1"), true);
        QVERIFY(Main().PortReady());
        QVERIFY(WaitForFrames(heard + 1));
    }

    bool WaitForFrames(int count, int ms = 5000)
    {
        return QTest::qWaitFor([&] { return bus.Frames().size() >= count; }, ms);
    }

    BusOnThread bus;
    std::unique_ptr<Station> station;
    QStringList writeErrors;
    QStringList warnings;
    QStringList listed;
};
