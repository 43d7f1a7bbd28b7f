#pragma once

#include "sim/BuildingBus.h"

#include <QString>
#include <QStringList>

struct SimOptions
{
    BusConfig config;
    QString devicePath; // empty: serve a new pseudo-terminal
    bool trace = false;
};

struct SimCommandLine
{
    enum class Action
    {
        Run,
        ShowHelp,
        ShowVersion,
        Fail,
    };
    Action action = Action::Run;
    SimOptions options;
    QString text; // the help or the version to print, the reason for Fail
};

// Reads the program's arguments, the program name first. Every value is checked against its
// range; nothing out of range reaches the bus.
SimCommandLine ParseSimCommandLine(const QStringList& arguments);
