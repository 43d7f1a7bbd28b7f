#include "objsvc/Activation.h"

#include "objsvc/ClassRegistry.h"
#include "objsvc/TaskMemory.h"

namespace {

constexpr DWORD LocalContexts = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;

HRESULT createObject(const ClassRegistry& registry, REFCLSID clsid, IUnknown* outer,
                     ComPtr<IUnknown>& object)
{
    if (outer)
        return CLASS_E_NOAGGREGATION;
    const ClassEntry* entry = registry.FindClass(clsid);
    if (!entry || !entry->factory)
        return REGDB_E_CLASSNOTREG;
    object = entry->factory();
    return object ? S_OK : E_OUTOFMEMORY;
}

} // namespace

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid)
{
    if (!progId || !clsid)
        return E_POINTER;
    const ClassEntry* entry = LocalRegistry().FindProgID(WideToString(progId));
    if (!entry) {
        *clsid = GUID_NULL;
        return CO_E_CLASSSTRING;
    }
    *clsid = entry->clsid;
    return S_OK;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!(context & LocalContexts))
        return E_INVALIDARG;
    ComPtr<IUnknown> created;
    const HRESULT hr = createObject(LocalRegistry(), clsid, outer, created);
    if (FAILED(hr))
        return hr;
    return created->QueryInterface(riid, object);
}

HRESULT CoCreateInstanceEx(REFCLSID clsid, IUnknown* outer, DWORD context,
                           const COSERVERINFO* server, DWORD count, MULTI_QI* results)
{
    if (count == 0 || !results)
        return E_INVALIDARG;
    for (DWORD i = 0; i < count; ++i) {
        results[i].pItf = nullptr;
        results[i].hr = E_NOINTERFACE;
        if (!results[i].pIID)
            return E_INVALIDARG;
    }
    const QString name = server ? WideToString(server->pwszName) : QString();
    const bool local = name.trimmed().isEmpty() || IsLocalComputerName(name);
    const ClassRegistry* registry = ComputerRegistry(name);
    if (!registry)
        return RPC_S_SERVER_UNAVAILABLE;
    if (!(context & (local ? LocalContexts | CLSCTX_REMOTE_SERVER : CLSCTX_REMOTE_SERVER)))
        return E_INVALIDARG;
    ComPtr<IUnknown> created;
    const HRESULT hr = createObject(*registry, clsid, outer, created);
    if (FAILED(hr))
        return hr;
    DWORD obtained = 0;
    for (DWORD i = 0; i < count; ++i) {
        results[i].hr =
            created->QueryInterface(*results[i].pIID, reinterpret_cast<void**>(&results[i].pItf));
        if (SUCCEEDED(results[i].hr))
            ++obtained;
    }
    if (obtained == count)
        return S_OK;
    return obtained > 0 ? CO_S_NOTALLINTERFACES : E_NOINTERFACE;
}

bool RemoteActivationAvailable(const QString& computer)
{
    return IsLocalComputerName(computer) || !RemoteComputers().empty();
}
