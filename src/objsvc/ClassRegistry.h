#pragma once

#include "objsvc/Unknown.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

// Makes one new object of a class under a first reference; null when it cannot.
using ClassFactory = std::function<ComPtr<IUnknown>()>;

struct ClassEntry
{
    CLSID clsid = GUID_NULL;
    QString progId;
    QString userType;
    std::vector<CATID> categories;
    ClassFactory factory;
};

// The classes one computer knows: ProgID to class identifier to factory, with the component
// categories each class implements. Installing a class is adding its entry to the table.
struct ClassRegistry
{
    std::map<CLSID, ClassEntry> classes;

    const ClassEntry* FindClass(REFCLSID clsid) const;
    // ProgIDs compare without regard to case, as registry keys do.
    const ClassEntry* FindProgID(const QString& progId) const;
    // Classes implementing at least one of the categories, in identifier order.
    std::vector<CLSID> ClassesOfCategories(const std::vector<CATID>& categories) const;
};

// This computer's name: its host name.
QString LocalComputerName();
// Blanks around a computer name and its case do not count.
QString ComputerKey(const QString& name);
bool IsLocalComputerName(const QString& name);

// A computer's registry as it starts: it knows that computer's OPC server list.
std::unique_ptr<ClassRegistry> NewComputerRegistry(const QString& name);
// This computer's registry.
ClassRegistry& LocalRegistry();
// The named computers that remote activation reaches, by key. A transport to other computers
// makes them known here; without one, no named computer is reachable.
std::map<QString, std::unique_ptr<ClassRegistry>>& RemoteComputers();
// Null for a name no transport reaches; this computer's registry for its own name.
ClassRegistry* ComputerRegistry(const QString& name);
