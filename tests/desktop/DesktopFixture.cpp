#include "DesktopFixture.h"

#include <QTest>

void DesktopFixture::initTestCase()
{
    QString error;
    QVERIFY2(desktop_.Start(&error), qPrintable(error));
}

void DesktopFixture::init()
{
    station_ = std::make_unique<StationOnDesktop>(desktop_);
    QString error;
    QVERIFY2(station_->Start(&error), qPrintable(error));
}

void DesktopFixture::cleanup()
{
    station_.reset();
}

bool DesktopFixture::restartStation(const StationOnDesktop::EnvironmentChange& change,
                                    QString* error)
{
    const Desktop::WindowId oldMain = station_->Main();
    station_.reset();
    // The new station's main screen bears the same title.
    if (!WaitFor([&] { return !desktop_.Clients().contains(oldMain); },
                 StationOnDesktop::WindowMs)) {
        *error = QStringLiteral("the ended station's main screen stayed");
        return false;
    }
    station_ = std::make_unique<StationOnDesktop>(desktop_);
    return station_->Start(error, change);
}
