#pragma once

// Chooses Qt's X11 platform when an X display is named and the user has chosen no platform
// (QT_QPA_PLATFORM unset): a Wayland client cannot place its windows, and every screen of the
// station has its place. On a Wayland session the station then runs on its X server
// (Xwayland); when that X server cannot be reached, the Wayland platform is tried next. Runs
// before the application object exists.
void ChooseDesktopPlatform();
