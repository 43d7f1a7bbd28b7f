#include "datalink/OPCError.h"
#include "datalink/iOPCFunctions.h"

#include "objsvc/Activation.h"
#include "objsvc/ClassRegistry.h"
#include "objsvc/ResultText.h"
#include "objsvc/TaskMemory.h"

#include <cstdio>

namespace {

void terminalBell()
{
    std::fputc('\a', stderr);
    std::fflush(stderr);
}

TiOPCBeep& beepHook()
{
    static TiOPCBeep beep = &terminalBell;
    return beep;
}

void check(HRESULT hr)
{
    if (FAILED(hr))
        throw OPCError(ResultMessage(hr));
}

QString localName(const QString& computer)
{
    const QString trimmed = computer.trimmed();
    return trimmed.toUpper() == QLatin1String("LOCAL") ? QString() : trimmed;
}

// Remote activation of the class on the named computer, asking for one interface. This
// computer's own name may also be served in-process or by a local server.
ComPtr<IUnknown> createOn(const QString& computer, REFCLSID clsid, REFIID riid)
{
    if (!RemoteActivationAvailable(computer))
        throw OPCError(QStringLiteral("DCOM not installed"));
    const QString name = computer;
    COSERVERINFO server;
    server.pwszName = const_cast<LPWSTR>(StringToWide(name));
    MULTI_QI result;
    result.pIID = &riid;
    DWORD context = CLSCTX_REMOTE_SERVER;
    if (IsLocalComputerName(computer))
        context |= CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;
    check(CoCreateInstanceEx(clsid, nullptr, context, &server, 1, &result));
    check(result.hr);
    return ComPtr<IUnknown>::Adopt(result.pItf);
}

// The first class of the category whose ProgID is exactly the wanted one.
bool findInCategory(IOPCServerList& list, const CATID& category, const QString& progId,
                    CLSID& clsid)
{
    ComPtr<IEnumGUID> classes;
    if (FAILED(list.EnumClassesOfCategories(1, &category, 0, nullptr, classes.Put())) || !classes)
        return false;
    GUID candidate;
    ULONG fetched = 0;
    while (classes->Next(1, &candidate, &fetched) == S_OK && fetched == 1) {
        LPOLESTR name = nullptr;
        LPOLESTR userType = nullptr;
        const HRESULT hr = list.GetClassDetails(candidate, &name, &userType);
        const bool found = SUCCEEDED(hr) && WideToString(name) == progId;
        CoTaskMemFree(name);
        CoTaskMemFree(userType);
        if (found) {
            clsid = candidate;
            return true;
        }
    }
    return false;
}

} // namespace

void OPCSetBeep(TiOPCBeep beep)
{
    beepHook() = beep;
}

ComPtr<IOPCServerList> OPCCreateServerList(const QString& computer)
{
    const QString name = localName(computer);
    ComPtr<IUnknown> object;
    try {
        if (name.isEmpty())
            check(CoCreateInstance(CLSID_OpcServerList, nullptr,
                                   CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                   object.PutVoid()));
        else
            object = createOn(name, CLSID_OpcServerList, IID_IUnknown);
    } catch (const OPCError& error) {
        throw OPCError(QStringLiteral("Unable to Create IOPCServerList Object : ") +
                       error.Message());
    }
    const auto list = object.As<IOPCServerList>();
    if (!list)
        throw OPCError(QStringLiteral("Unable to Create IOPCServerList Object"));
    return list;
}

CLSID OPCResolveClassID(const QString& computer, const QString& progId,
                        ComPtr<IOPCServerList>& serverList)
{
    const QString wanted = progId;
    CLSID clsid = GUID_NULL;
    if (SUCCEEDED(CLSIDFromProgID(StringToWide(wanted), &clsid)))
        return clsid;
    if (!serverList)
        serverList = OPCCreateServerList(computer);
    if (SUCCEEDED(serverList->CLSIDFromProgID(StringToWide(wanted), &clsid))) {
        if (clsid.Data1 == 0 && beepHook())
            beepHook()();
        return clsid;
    }
    if (findInCategory(*serverList.Get(), CATID_OPCDAServer20, wanted, clsid) ||
        findInCategory(*serverList.Get(), CATID_OPCDAServer10, wanted, clsid))
        return clsid;
    throw OPCError(QStringLiteral("Unable to convert ProgID to CLSID"));
}

ComPtr<IOPCServer> OPCCreateServer(const QString& computer, const QString& progId)
{
    ComPtr<IUnknown> object;
    if (computer.isEmpty()) {
        const QString wanted = progId;
        CLSID clsid = GUID_NULL;
        check(CLSIDFromProgID(StringToWide(wanted), &clsid));
        check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                               IID_IUnknown, object.PutVoid()));
    } else {
        ComPtr<IOPCServerList> serverList;
        const CLSID clsid = OPCResolveClassID(computer, progId, serverList);
        object = createOn(computer, clsid, IID_IUnknown);
    }
    return object.As<IOPCServer>();
}
