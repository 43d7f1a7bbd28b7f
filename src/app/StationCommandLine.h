#pragma once

#include <optional>

#include <QByteArray>

// What the station prints for --help or --version before it exits with status 0; none when it
// is to run. It looks at the arguments before the application object is made, which opens the
// display, so both answer without one. Arguments after "--" are not looked at; any other is
// left to Qt, as the station takes none of its own.
std::optional<QByteArray> StationCommandLineAnswer(int argc, const char* const* argv);
