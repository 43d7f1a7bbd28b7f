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
    station_.reset();
    station_ = std::make_unique<StationOnDesktop>(desktop_);
    return station_->Start(error, change);
}
