#include "floors/Navigation.h"

#include <QWidget>

#include "floors/FloorScreens.h"
#include "floors/FloorTable.h"
#include "floors/ScopedCursor.h"
#include "link/ControllerLink.h"

void RequestFloorStatus(ControllerLink& link, int floor)
{
    bool first = true;
    for (int address : AddressesOfFloor(floor)) {
        if (!first)
            link.PumpWait(StatusBatchWaitMs);
        first = false;
        link.RequestStatus(std::uint8_t(address));
    }
}

void GoToFloor(ScreenSet& screens, QWidget* source, QWidget* clickedLabel, int floor)
{
    FloorScreen* target = FloorScreenOf(screens, floor);
    const ScopedCursor busy(Qt::BusyCursor, {source});
    // Qt clears the cursor over a disabled widget with a cursor of its own, which leaves the
    // desktop's: without its own the disabled label shows the screen's busy cursor.
    const QCursor labelCursor = clickedLabel->cursor();
    clickedLabel->unsetCursor();
    clickedLabel->setEnabled(false);
    RequestFloorStatus(*screens.link, floor);
    // The main screen closed during the waits: the station ends without showing anything more.
    if (screens.link->Ended())
        return;
    source->hide();
    target->show();
    clickedLabel->setEnabled(true);
    clickedLabel->setCursor(labelCursor);
}

void GoToMainScreen(ScreenSet& screens, QWidget* source)
{
    screens.link->RequestStatus(MainScreenAddress);
    source->hide();
    screens.mainfrm->show();
}

FloorScreen* FloorScreenOf(const ScreenSet& screens, int floor)
{
    RequireFloor(floor);
    const std::array<FloorScreen*, FloorCount> floors{
        screens.firstfrm, screens.Secondfrm, screens.Thirdfrm, screens.Fourfrm, screens.Fivefrm};
    return floors[std::size_t(floor - 1)];
}
