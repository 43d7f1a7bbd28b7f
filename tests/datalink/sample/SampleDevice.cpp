#include "SampleDevice.h"

#include "SampleServer.h"

#include "services/Apartment.h"

#include <QDateTime>

#include <algorithm>

void SampleDevice::SetItem(const QString& itemId, const QVariant& value, WORD quality,
                           std::optional<std::uint64_t> timeStamp)
{
    items_[itemId] = SampleItemState{value, quality, timeStamp.value_or(SampleFileTimeNow())};
}

std::optional<SampleItemState> SampleDevice::Item(const QString& itemId) const
{
    const auto found = items_.find(itemId);
    if (found == items_.end())
        return std::nullopt;
    return found->second;
}

void SampleDevice::Write(const QString& itemId, const QVariant& value)
{
    writes.push_back(SampleWrite{itemId, value});
    SetItem(itemId, value);
}

std::vector<DWORD> SampleDevice::RequestedRates() const
{
    std::vector<DWORD> rates;
    for (const SampleAddGroup& call : addGroups)
        rates.push_back(call.requestedUpdateRate);
    return rates;
}

std::vector<VARTYPE> SampleDevice::RequestedTypes() const
{
    std::vector<VARTYPE> types;
    for (const auto& definitions : addItems) {
        for (const SampleItemDefinition& definition : definitions)
            types.push_back(definition.requestedType);
    }
    return types;
}

void SampleDevice::RequestShutdown(const QString& reason)
{
    std::vector<ComPtr<SampleServer>> servers;
    for (SampleServer* server : servers_)
        servers.emplace_back(server);
    PostToApartment([servers, reason] {
        for (const auto& server : servers)
            server->NotifyShutdown(reason);
    });
}

void SampleDevice::Detach(SampleServer* server)
{
    std::erase(servers_, server);
}

std::uint64_t SampleFileTimeNow()
{
    constexpr std::uint64_t UnixEpochFileTime = 116444736000000000ULL;
    const auto msecs = static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch());
    return UnixEpochFileTime + msecs * 10000;
}

ClassEntry SampleServerClass(const std::shared_ptr<SampleDevice>& device,
                             std::vector<CATID> categories, const CLSID& clsid,
                             const QString& progId)
{
    ClassEntry entry;
    entry.clsid = clsid;
    entry.progId = progId;
    entry.userType = QStringLiteral("Quelvane sample OPC Data Access server");
    entry.categories = std::move(categories);
    entry.factory = [device]() -> ComPtr<IUnknown> {
        const auto server = MakeComObject<SampleServer>(device);
        return ComPtr<IUnknown>(server->Unknown());
    };
    return entry;
}
