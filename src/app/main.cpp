#include "app/Station.h"
#include "app/StationApplication.h"
#include "app/Tmainfrm.h"

int main(int argc, char** argv)
{
    StationApplication application(argc, argv);
    Station station;
    QObject::connect(&station.mainfrm(), &Tmainfrm::closed, &application, &QCoreApplication::quit);
    station.mainfrm().show();
    return application.exec();
}
