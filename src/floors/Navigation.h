#pragma once

#include "floors/ScreenSet.h"

class ControllerLink;
class FloorScreen;

// Moving between screens is only hiding and showing; the status requests on the way make the
// target's indicators fresh. Both functions run nested event loops in their waits.

// Requests the status of the floor's four controllers, ascending, a batch wait between two.
void RequestFloorStatus(ControllerLink& link, int floor);

// From source (the main screen or a floor screen) to floor 1 to 5. The clicked label is
// disabled meanwhile, so that a second click on it does nothing.
void GoToFloor(ScreenSet& screens, QWidget* source, QWidget* clickedLabel, int floor);

// From a floor screen back to the main screen, at once.
void GoToMainScreen(ScreenSet& screens, QWidget* source);

FloorScreen* FloorScreenOf(const ScreenSet& screens, int floor);
