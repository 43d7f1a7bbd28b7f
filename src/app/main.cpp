#include "app/DesktopPlatform.h"
#include "app/Station.h"
#include "app/StationApplication.h"
#include "app/Tmainfrm.h"

int main(int argc, char** argv)
{
    ChooseDesktopPlatform();
    StationApplication application(argc, argv);
    Station station;
    // Not quit(): it first asks every window to close, and a floor screen refuses.
    QObject::connect(&station.mainfrm(), &Tmainfrm::closed, &application,
                     [] { QCoreApplication::exit(0); });
    station.mainfrm().show();
    return application.exec();
}
