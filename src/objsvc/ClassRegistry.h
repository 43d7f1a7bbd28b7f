#pragma once

#include "objsvc/Unknown.h"

#include <QString>

#include <functional>
#include <map>
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
// categories each class implements.
class ClassRegistry
{
public:
    // Replaces a class registered under the same identifier.
    void RegisterClass(ClassEntry entry);
    void UnregisterClass(REFCLSID clsid);

    const ClassEntry* FindClass(REFCLSID clsid) const;
    // ProgIDs compare without regard to case, as registry keys do.
    const ClassEntry* FindProgID(const QString& progId) const;
    // Classes implementing at least one of the categories, in identifier order.
    std::vector<CLSID> ClassesOfCategories(const std::vector<CATID>& categories) const;

private:
    std::map<CLSID, ClassEntry> classes_;
};

// This computer's name: its host name.
QString LocalComputerName();
// Case-insensitive; blanks around the name are ignored.
bool IsLocalComputerName(const QString& name);

// This computer's registry; it knows the OPC server list from the start.
ClassRegistry& LocalRegistry();

// A named computer reachable for remote activation (tests, or a transport, make it known); it
// starts with its own OPC server list. The name of this computer gives this computer's registry.
ClassRegistry& RegisterComputer(const QString& name);
void UnregisterComputer(const QString& name);
// Null for a name no transport reaches; this computer's registry for its own name.
ClassRegistry* ComputerRegistry(const QString& name);
