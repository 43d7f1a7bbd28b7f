// Arbitrary bytes as a properties file, loaded into a real rocker switch with a pop-up menu.
// A load either assigns or fails with the load error, never leaves the switch update-locked,
// and what it leaves behind saves to a file that loads back to the same file.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "components/PropertiesFile.h"
#include "components/TPopupMenu.h"
#include "components/TiSwitchRocker.h"

#include <QApplication>
#include <QByteArray>

namespace {

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "fuzz_properties";
    static char* argv[] = {name, nullptr};
    static const QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    (void)app;
}

// A switch on a panel of its own that is never shown, so a loaded Visible = 1 opens nothing.
struct Subject
{
    QWidget panel;
    TiSwitchRocker rocker{&panel};
    TPopupMenu menu;

    Subject() { rocker.SetPopupMenu(&menu); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ensureApplication();
    // The file reader refuses anything larger.
    if (size > std::size_t(MaxPropertiesFileSize))
        return 0;
    Subject loaded;
    try {
        const QString text =
            DecodePropertiesFile(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        LoadPropertiesText(loaded.rocker, text);
    } catch (const PropertiesFileError& e) {
        FUZZ_CHECK(QByteArray(e.what()).startsWith("Error Loading Properties - "));
    }
    FUZZ_CHECK(!loaded.rocker.UpdateLocked());

    // The first save may cut or trim what the input held; from then on the file is stable.
    const QString first = PropertiesText(loaded.rocker);
    Subject second;
    LoadPropertiesText(second.rocker, first);
    const QString again = PropertiesText(second.rocker);
    Subject third;
    LoadPropertiesText(third.rocker, again);
    FUZZ_CHECK(PropertiesText(third.rocker) == again);
    return 0;
}
