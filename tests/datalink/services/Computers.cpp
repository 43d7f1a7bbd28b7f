#include "services/Computers.h"

void RegisterClass(ClassRegistry& registry, ClassEntry entry)
{
    const CLSID clsid = entry.clsid;
    registry.classes.insert_or_assign(clsid, std::move(entry));
}

void UnregisterClass(ClassRegistry& registry, REFCLSID clsid)
{
    registry.classes.erase(clsid);
}

ClassRegistry& RegisterComputer(const QString& name)
{
    if (ComputerKey(name).isEmpty() || IsLocalComputerName(name))
        return LocalRegistry();
    auto& slot = RemoteComputers()[ComputerKey(name)];
    if (!slot)
        slot = NewComputerRegistry(name.trimmed());
    return *slot;
}

void UnregisterComputer(const QString& name)
{
    RemoteComputers().erase(ComputerKey(name));
}
