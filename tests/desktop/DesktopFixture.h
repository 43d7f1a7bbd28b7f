#pragma once

#include <QObject>

#include <memory>

#include "StationOnDesktop.h"

// One desktop for the whole test program, and the station started afresh on it for every test
// function.
class DesktopFixture : public QObject
{
    Q_OBJECT

protected:
    StationOnDesktop& station() { return *station_; }
    // This test's station ended, another started in a changed environment.
    bool restartStation(const StationOnDesktop::EnvironmentChange& change, QString* error);

    Desktop desktop_;

private slots:
    void initTestCase();
    void init();
    void cleanup();

private:
    std::unique_ptr<StationOnDesktop> station_;
};
