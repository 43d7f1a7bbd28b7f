#include "SampleServer.h"

#include "SampleGroup.h"

#include "objsvc/TaskMemory.h"

namespace {

// Faster rates would only load the test machine.
constexpr DWORD FastestRate = 10;

} // namespace

SampleServer::SampleServer(std::shared_ptr<SampleDevice> device)
    : device_(std::move(device)), shutdownPoint_(MakeComObject<ConnectionPoint>(IID_IOPCShutdown))
{
    device_->Attach(this);
    shutdownPoint_->SetAdviseHook(
        [this] { device_->calls.push_back(QStringLiteral("Advise IOPCShutdown")); });
    shutdownPoint_->SetUnadviseHook(
        [this] { device_->calls.push_back(QStringLiteral("Unadvise IOPCShutdown")); });
}

SampleServer::~SampleServer()
{
    for (auto& [handle, group] : groups_)
        group->Detach();
    shutdownPoint_->Detach();
    device_->Detach(this);
    device_->calls.push_back(QStringLiteral("server released"));
}

HRESULT SampleServer::AddGroup(LPCWSTR name, BOOL active, DWORD requestedUpdateRate,
                               OPCHANDLE clientGroup, const LONG* timeBias,
                               const FLOAT* percentDeadband, LCID locale, OPCHANDLE* serverGroup,
                               DWORD* revisedUpdateRate, REFIID riid, IUnknown** group)
{
    if (!serverGroup || !revisedUpdateRate || !group)
        return E_INVALIDARG;
    *group = nullptr;
    device_->calls.push_back(QStringLiteral("AddGroup"));
    device_->addGroups.push_back(SampleAddGroup{
        WideToString(name), active, requestedUpdateRate, clientGroup,
        timeBias ? std::optional<LONG>(*timeBias) : std::nullopt,
        percentDeadband ? std::optional<FLOAT>(*percentDeadband) : std::nullopt, locale, riid});
    if (device_->refuseGroups)
        return E_FAIL;
    const DWORD rate = std::max(requestedUpdateRate, FastestRate);
    const auto added = MakeComObject<SampleGroup>(device_, clientGroup, rate, active != FALSE);
    const HRESULT hr = added->QueryInterface(riid, reinterpret_cast<void**>(group));
    if (FAILED(hr))
        return hr;
    *serverGroup = nextGroup_++;
    *revisedUpdateRate = rate;
    groups_.emplace(*serverGroup, added);
    ++device_->groupsAdded;
    return rate == requestedUpdateRate ? S_OK : OPC_S_UNSUPPORTEDRATE;
}

HRESULT SampleServer::RemoveGroup(OPCHANDLE serverGroup, BOOL)
{
    device_->calls.push_back(QStringLiteral("RemoveGroup"));
    const auto found = groups_.find(serverGroup);
    if (found == groups_.end())
        return E_INVALIDARG;
    found->second->Detach();
    groups_.erase(found);
    ++device_->groupsRemoved;
    return S_OK;
}

HRESULT SampleServer::FindConnectionPoint(REFIID riid, IConnectionPoint** point)
{
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (riid != IID_IOPCShutdown)
        return CONNECT_E_NOCONNECTION;
    shutdownPoint_->AddRef();
    *point = shutdownPoint_.Get();
    return S_OK;
}

void SampleServer::NotifyShutdown(const QString& reason)
{
    const QString text = reason;
    for (const auto& sink : shutdownPoint_->Sinks<IOPCShutdown>())
        sink->ShutdownRequest(StringToWide(text));
}
