#include "datalink/iOPCFunctions.h"

#include "datalink/iOPCTypes.h"

#include "objsvc/ConnectionPoint.h"
#include "objsvc/Security.h"
#include "objsvc/TaskMemory.h"

namespace {

template <typename T> ComPtr<T> interfaceOf(IUnknown* object)
{
    return ComPtr<IUnknown>(object).As<T>();
}

// Result arrays of a call come from the task allocator and go back to it however the call
// ended.
template <typename T> struct TaskArray
{
    T* items = nullptr;
    ~TaskArray() { CoTaskMemFree(items); }
};

ComPtr<IConnectionPoint> connectionPoint(IUnknown* object, REFIID riid)
{
    const auto container = interfaceOf<IConnectionPointContainer>(object);
    ComPtr<IConnectionPoint> point;
    if (container && FAILED(container->FindConnectionPoint(riid, point.Put())))
        point.Reset();
    return point;
}

HRESULT advise(IUnknown* object, REFIID riid, IUnknown* sink, DWORD& cookie)
{
    cookie = 0;
    const auto point = connectionPoint(object, riid);
    if (!point || !sink)
        return E_FAIL;
    const HRESULT hr = point->Advise(sink, &cookie);
    if (FAILED(hr))
        cookie = 0;
    return hr;
}

HRESULT unadvise(IUnknown* object, REFIID riid, DWORD cookie)
{
    const auto point = connectionPoint(object, riid);
    return point ? point->Unadvise(cookie) : E_FAIL;
}

// The one item's own error when the call itself went through.
HRESULT itemResult(HRESULT call, const HRESULT* errors)
{
    if (FAILED(call))
        return call;
    return errors ? errors[0] : E_FAIL;
}

} // namespace

HRESULT OPCAddGroup(IUnknown* server, const QString& name, bool active, int updateRate,
                    OPCHANDLE& groupHandle, ComPtr<IOPCItemMgt>& group)
{
    groupHandle = 0;
    group.Reset();
    const auto opcServer = interfaceOf<IOPCServer>(server);
    if (!opcServer)
        return E_FAIL;
    const FLOAT deadband = 0.0f;
    DWORD revisedRate = 0;
    IUnknown* added = nullptr;
    const HRESULT hr = opcServer->AddGroup(StringToWide(name), active ? TRUE : FALSE,
                                           static_cast<DWORD>(updateRate), 0, nullptr, &deadband, 0,
                                           &groupHandle, &revisedRate, IID_IOPCItemMgt, &added);
    if (FAILED(hr) || !added) {
        groupHandle = 0;
        if (added)
            added->Release();
        return FAILED(hr) ? hr : E_FAIL;
    }
    group = ComPtr<IOPCItemMgt>::Adopt(static_cast<IOPCItemMgt*>(added));
    return hr;
}

HRESULT OPCAddItem(IUnknown* group, const QString& itemName, OPCHANDLE clientHandle,
                   VARTYPE requestedType, OPCHANDLE& itemHandle, VARTYPE& canonicalType)
{
    const auto items = interfaceOf<IOPCItemMgt>(group);
    if (!items)
        return E_FAIL;
    QString accessPath;
    QString itemId = itemName;
    OPCITEMDEF definition;
    definition.szAccessPath = const_cast<LPWSTR>(StringToWide(accessPath));
    definition.szItemID = const_cast<LPWSTR>(StringToWide(itemId));
    definition.bActive = TRUE;
    definition.hClient = clientHandle;
    definition.vtRequestedDataType = requestedType;
    TaskArray<OPCITEMRESULT> results;
    TaskArray<HRESULT> errors;
    const HRESULT call = items->AddItems(1, &definition, &results.items, &errors.items);
    if (results.items)
        CoTaskMemFree(results.items[0].pBlob);
    const HRESULT hr = itemResult(call, errors.items);
    if (SUCCEEDED(hr) && !results.items)
        return E_FAIL;
    if (SUCCEEDED(hr)) {
        itemHandle = results.items[0].hServer;
        canonicalType = results.items[0].vtCanonicalDataType;
    }
    return hr;
}

HRESULT OPCRemoveItem(IUnknown* group, OPCHANDLE itemHandle)
{
    const auto items = interfaceOf<IOPCItemMgt>(group);
    if (!items)
        return E_FAIL;
    TaskArray<HRESULT> errors;
    const HRESULT call = items->RemoveItems(1, &itemHandle, &errors.items);
    return itemResult(call, errors.items);
}

void OPCRemoveGroup(IUnknown* server, OPCHANDLE groupHandle)
{
    if (const auto opcServer = interfaceOf<IOPCServer>(server))
        opcServer->RemoveGroup(groupHandle, FALSE);
}

HRESULT OPCAdviseCallback(IUnknown* group, IOPCDataCallback* callback, DWORD& cookie)
{
    return advise(group, IID_IOPCDataCallback, callback, cookie);
}

HRESULT OPCUnadviseCallback(IUnknown* group, DWORD cookie)
{
    return unadvise(group, IID_IOPCDataCallback, cookie);
}

HRESULT OPCAdviseStream(IUnknown* group, IAdviseSink* sink, DWORD& connection)
{
    connection = 0;
    const auto dataObject = interfaceOf<IDataObject>(group);
    if (!dataObject || !sink)
        return E_FAIL;
    FORMATETC format;
    format.cfFormat = OPCStreamFormats().dataTime;
    format.ptd = nullptr;
    format.dwAspect = DVASPECT_CONTENT;
    format.lindex = -1;
    format.tymed = TYMED_HGLOBAL;
    const HRESULT hr = dataObject->DAdvise(&format, ADVF_PRIMEFIRST, sink, &connection);
    if (FAILED(hr))
        connection = 0;
    return hr;
}

HRESULT OPCUnadviseStream(IUnknown* group, DWORD connection)
{
    const auto dataObject = interfaceOf<IDataObject>(group);
    return dataObject ? dataObject->DUnadvise(connection) : E_FAIL;
}

HRESULT OPCAdviseShutdown(IUnknown* server, IOPCShutdown* callback, DWORD& cookie)
{
    return advise(server, IID_IOPCShutdown, callback, cookie);
}

HRESULT OPCUnadviseShutdown(IUnknown* server, DWORD cookie)
{
    return unadvise(server, IID_IOPCShutdown, cookie);
}

HRESULT OPCWriteItem(IUnknown* group, OPCHANDLE itemHandle, const QVariant& value)
{
    const auto syncIO = interfaceOf<IOPCSyncIO>(group);
    if (!syncIO)
        return E_FAIL;
    TaskArray<HRESULT> errors;
    const HRESULT call = syncIO->Write(1, &itemHandle, &value, &errors.items);
    return itemResult(call, errors.items);
}

HRESULT OPCInitializeSecurity()
{
    return CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_NONE,
                                RPC_C_IMP_LEVEL_IDENTIFY, nullptr, EOAC_NONE, nullptr);
}
