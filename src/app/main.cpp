#include "app/DesktopPlatform.h"
#include "app/Station.h"
#include "app/StationApplication.h"
#include "app/StationCommandLine.h"
#include "app/Tmainfrm.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (const std::optional<QByteArray> answer = StationCommandLineAnswer(argc, argv)) {
        std::fwrite(answer->constData(), 1, std::size_t(answer->size()), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    ChooseDesktopPlatform();
    StationApplication application(argc, argv);
    Station station;
    // Not quit(): it first asks every window to close, and a floor screen refuses.
    QObject::connect(&station.mainfrm(), &Tmainfrm::closed, &application,
                     [] { QCoreApplication::exit(0); });
    station.mainfrm().show();
    return application.exec();
}
