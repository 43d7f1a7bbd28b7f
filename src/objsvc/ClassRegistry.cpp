#include "objsvc/ClassRegistry.h"

#include "objsvc/OpcServerList.h"

#include <QSysInfo>

#include <algorithm>

const ClassEntry* ClassRegistry::FindClass(REFCLSID clsid) const
{
    const auto found = classes.find(clsid);
    return found == classes.end() ? nullptr : &found->second;
}

const ClassEntry* ClassRegistry::FindProgID(const QString& progId) const
{
    for (const auto& [clsid, entry] : classes) {
        if (!entry.progId.isEmpty() && entry.progId.compare(progId, Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}

std::vector<CLSID> ClassRegistry::ClassesOfCategories(const std::vector<CATID>& categories) const
{
    std::vector<CLSID> found;
    for (const auto& [clsid, entry] : classes) {
        const auto& implemented = entry.categories;
        const bool implements = std::any_of(
            categories.begin(), categories.end(), [&implemented](const CATID& category) {
                return std::find(implemented.begin(), implemented.end(), category) !=
                       implemented.end();
            });
        if (implements)
            found.push_back(clsid);
    }
    return found;
}

QString LocalComputerName()
{
    return QSysInfo::machineHostName();
}

QString ComputerKey(const QString& name)
{
    return name.trimmed().toCaseFolded();
}

bool IsLocalComputerName(const QString& name)
{
    return ComputerKey(name) == ComputerKey(LocalComputerName());
}

std::unique_ptr<ClassRegistry> NewComputerRegistry(const QString& name)
{
    auto registry = std::make_unique<ClassRegistry>();
    ClassEntry serverList = OpcServerListClass(name);
    registry->classes.emplace(serverList.clsid, std::move(serverList));
    return registry;
}

ClassRegistry& LocalRegistry()
{
    static const std::unique_ptr<ClassRegistry> local = NewComputerRegistry(QString());
    return *local;
}

std::map<QString, std::unique_ptr<ClassRegistry>>& RemoteComputers()
{
    static std::map<QString, std::unique_ptr<ClassRegistry>> computers;
    return computers;
}

ClassRegistry* ComputerRegistry(const QString& name)
{
    if (ComputerKey(name).isEmpty() || IsLocalComputerName(name))
        return &LocalRegistry();
    const auto found = RemoteComputers().find(ComputerKey(name));
    return found == RemoteComputers().end() ? nullptr : found->second.get();
}
