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

    Desktop desktop_;

private slots:
    void initTestCase();
    void init();
    void cleanup();

private:
    std::unique_ptr<StationOnDesktop> station_;
};
