#include "app/StationCommandLine.h"

#include <cstring>

namespace {

const char* const Help = R"(Usage: quelvane [--help | --version]
The lighting station of one building: 21 relay boards on one serial line at 9600 baud.

The port is chosen in the dialog 文件 → 设置 (COM1 to COM4) each time the station runs; it
stores nothing. COMn opens /dev/ttyS(n-1) unless QUELVANE_COMn names another device, such as
QUELVANE_COM1=/dev/ttyUSB0. QUELVANE_LOCK_DIR names the directory of the lock files
(default /run/lock). QT_LOGGING_RULES="quelvane.line.debug=true" traces the line on standard
error.

  --help     print this help and exit
  --version  print the version and exit

The manual: man quelvane.
)";

} // namespace

std::optional<QByteArray> StationCommandLineAnswer(int argc, const char* const* argv)
{
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            break;
        if (std::strcmp(argv[i], "--help") == 0)
            return QByteArray(Help);
        if (std::strcmp(argv[i], "--version") == 0)
            return QByteArrayLiteral("quelvane " QUELVANE_VERSION "\n");
    }
    return std::nullopt;
}
