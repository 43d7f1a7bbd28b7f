#include "objsvc/ClassRegistry.h"

#include "objsvc/OpcServerList.h"

#include <QSysInfo>

#include <algorithm>
#include <memory>

void ClassRegistry::RegisterClass(ClassEntry entry)
{
    const CLSID clsid = entry.clsid;
    classes_.insert_or_assign(clsid, std::move(entry));
}

void ClassRegistry::UnregisterClass(REFCLSID clsid)
{
    classes_.erase(clsid);
}

const ClassEntry* ClassRegistry::FindClass(REFCLSID clsid) const
{
    const auto found = classes_.find(clsid);
    return found == classes_.end() ? nullptr : &found->second;
}

const ClassEntry* ClassRegistry::FindProgID(const QString& progId) const
{
    for (const auto& [clsid, entry] : classes_) {
        if (!entry.progId.isEmpty() && entry.progId.compare(progId, Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}

std::vector<CLSID> ClassRegistry::ClassesOfCategories(const std::vector<CATID>& categories) const
{
    std::vector<CLSID> found;
    for (const auto& [clsid, entry] : classes_) {
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

namespace {

std::map<QString, std::unique_ptr<ClassRegistry>>& namedComputers()
{
    static std::map<QString, std::unique_ptr<ClassRegistry>> computers;
    return computers;
}

QString computerKey(const QString& name)
{
    return name.trimmed().toCaseFolded();
}

std::unique_ptr<ClassRegistry> newComputer(const QString& name)
{
    auto registry = std::make_unique<ClassRegistry>();
    registry->RegisterClass(OpcServerListClass(name));
    return registry;
}

} // namespace

QString LocalComputerName()
{
    return QSysInfo::machineHostName();
}

bool IsLocalComputerName(const QString& name)
{
    return computerKey(name) == computerKey(LocalComputerName());
}

ClassRegistry& LocalRegistry()
{
    static const std::unique_ptr<ClassRegistry> local = newComputer(QString());
    return *local;
}

ClassRegistry& RegisterComputer(const QString& name)
{
    if (computerKey(name).isEmpty() || IsLocalComputerName(name))
        return LocalRegistry();
    auto& slot = namedComputers()[computerKey(name)];
    if (!slot)
        slot = newComputer(name.trimmed());
    return *slot;
}

void UnregisterComputer(const QString& name)
{
    namedComputers().erase(computerKey(name));
}

ClassRegistry* ComputerRegistry(const QString& name)
{
    if (computerKey(name).isEmpty() || IsLocalComputerName(name))
        return &LocalRegistry();
    const auto found = namedComputers().find(computerKey(name));
    return found == namedComputers().end() ? nullptr : found->second.get();
}
