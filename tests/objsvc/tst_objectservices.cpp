// The object services stand-in: reference counting, global memory and formats, the class
// registries of this and named computers with their server lists, activation and the process
// security.
#include "objsvc/Activation.h"
#include "objsvc/ClassRegistry.h"
#include "objsvc/ClipboardFormat.h"
#include "objsvc/ConnectionPoint.h"
#include "objsvc/GlobalMemory.h"
#include "objsvc/OPCCommon.h"
#include "objsvc/Security.h"
#include "objsvc/TaskMemory.h"
#include "services/Computers.h"
#include "services/GlobalAlloc.h"

#include <QTest>

namespace {

constexpr CLSID ProbeClsid{0xABCDEF01, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr CATID Category{0x0F0F0F0F, 0x1, 0x2, {9, 9, 9, 9, 9, 9, 9, 9}};

int probesAlive = 0;

// An object with one interface, counting its instances.
class Probe : public ComObject<IOPCShutdown>
{
public:
    Probe() { ++probesAlive; }
    ~Probe() override { --probesAlive; }

    HRESULT ShutdownRequest(LPCWSTR) override { return S_OK; }
};

ClassEntry probeClass(const QString& progId, std::vector<CATID> categories = {})
{
    ClassEntry entry;
    entry.clsid = ProbeClsid;
    entry.progId = progId;
    entry.userType = QStringLiteral("Probe");
    entry.categories = std::move(categories);
    entry.factory = [] {
        const auto probe = MakeComObject<Probe>();
        return ComPtr<IUnknown>(probe->Unknown());
    };
    return entry;
}

ComPtr<IOPCServerList> serverListOf(const QString& computer)
{
    MULTI_QI result;
    result.pIID = &IID_IOPCServerList;
    const QString name = computer;
    COSERVERINFO server;
    server.pwszName = const_cast<LPWSTR>(StringToWide(name));
    if (FAILED(CoCreateInstanceEx(CLSID_OpcServerList, nullptr, CLSCTX_REMOTE_SERVER, &server, 1,
                                  &result)))
        return nullptr;
    return ComPtr<IOPCServerList>::Adopt(static_cast<IOPCServerList*>(result.pItf));
}

} // namespace

class ObjectServicesTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        UnregisterClass(LocalRegistry(), ProbeClsid);
        UnregisterComputer(QStringLiteral("PLANT7"));
        QCOMPARE(probesAlive, 0);
    }

    void referencesKeepTheObjectAlive()
    {
        ComPtr<Probe> first = MakeComObject<Probe>();
        ComPtr<Probe> copy = first;
        ComPtr<IOPCShutdown> asInterface = first.As<IOPCShutdown>();
        QVERIFY(asInterface);
        QVERIFY(!first.As<IConnectionPoint>());
        first.Reset();
        copy.Reset();
        QCOMPARE(probesAlive, 1);
        ComPtr<IOPCShutdown> moved = std::move(asInterface);
        QVERIFY(!asInterface);
        moved.Reset();
        QCOMPARE(probesAlive, 0);
    }

    void queryInterfaceAnswersAsTheStandardSays()
    {
        const auto probe = MakeComObject<Probe>();
        QCOMPARE(probe->QueryInterface(IID_IOPCShutdown, nullptr), E_POINTER);
        void* other = &other;
        QCOMPARE(probe->QueryInterface(IID_IOPCServerList, &other), E_NOINTERFACE);
        QVERIFY(!other);
        IUnknown* identity = nullptr;
        QCOMPARE(probe->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
        QCOMPARE(identity, probe->Unknown());
        QCOMPARE(identity->Release(), 1u);
    }

    void globalMemoryBlocksAreCheckedByHandle()
    {
        const HGLOBAL block = GlobalAlloc(GHND, 32);
        QVERIFY(block);
        QCOMPARE(GlobalSize(block), 32u);
        auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
        QVERIFY(bytes);
        QVERIFY(std::all_of(bytes, bytes + 32, [](unsigned char b) { return b == 0; }));
        QVERIFY(GlobalLock(block));
        QVERIFY(GlobalUnlock(block));
        QVERIFY(!GlobalUnlock(block));
        QVERIFY(!GlobalUnlock(block));
        QVERIFY(!GlobalFree(block));
        QVERIFY(!GlobalLock(block));
        QCOMPARE(GlobalSize(block), 0u);
        QCOMPARE(GlobalFree(block), block);
        const auto forged = reinterpret_cast<HGLOBAL>(bytes);
        QVERIFY(!GlobalLock(forged));
        QVERIFY(!GlobalAlloc(GHND, GlobalMemoryLimit + 1));
        const HGLOBAL empty = GlobalAlloc(GHND, 0);
        QVERIFY(!GlobalLock(empty));
        GlobalFree(empty);
    }

    void clipboardFormatsAreRegisteredByName()
    {
        const CLIPFORMAT first = RegisterClipboardFormat(QStringLiteral("QuelvaneProbeFormat"));
        QVERIFY(first >= 0xC000);
        QCOMPARE(RegisterClipboardFormat(QStringLiteral("QUELVANEPROBEFORMAT")), first);
        QVERIFY(RegisterClipboardFormat(QStringLiteral("QuelvaneOtherFormat")) != first);
        QCOMPARE(RegisterClipboardFormat(QString()), CLIPFORMAT(0));
    }

    void activationHereByProgID()
    {
        const QString unknown = QStringLiteral("Quelvane.Probe.1");
        CLSID clsid = ProbeClsid;
        QCOMPARE(CLSIDFromProgID(StringToWide(unknown), &clsid), CO_E_CLASSSTRING);
        QCOMPARE(clsid, GUID_NULL);
        RegisterClass(LocalRegistry(), probeClass(unknown));
        const QString otherCase = QStringLiteral("quelvane.PROBE.1");
        QCOMPARE(CLSIDFromProgID(StringToWide(otherCase), &clsid), S_OK);
        QCOMPARE(clsid, ProbeClsid);
        ComPtr<IOPCShutdown> probe;
        QCOMPARE(CoCreateInstance(ProbeClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOPCShutdown,
                                  probe.PutVoid()),
                 S_OK);
        QCOMPARE(probesAlive, 1);
        ComPtr<IUnknown> none;
        QCOMPARE(CoCreateInstance(ProbeClsid, probe.Get(), CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  none.PutVoid()),
                 CLASS_E_NOAGGREGATION);
        QCOMPARE(CoCreateInstance(GUID_NULL, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  none.PutVoid()),
                 REGDB_E_CLASSNOTREG);
        QCOMPARE(CoCreateInstance(ProbeClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOPCServerList,
                                  none.PutVoid()),
                 E_NOINTERFACE);
        QVERIFY(!none);
    }

    void namedComputersHaveTheirOwnRegistry()
    {
        const QString name = QStringLiteral("PLANT7");
        QVERIFY(!RemoteActivationAvailable(name));
        QVERIFY(RemoteActivationAvailable(QStringLiteral(" ") + LocalComputerName().toLower()));
        QCOMPARE(ComputerRegistry(LocalComputerName().toUpper()), &LocalRegistry());
        MULTI_QI results[2];
        results[0].pIID = &IID_IOPCShutdown;
        results[1].pIID = &IID_IOPCServerList;
        COSERVERINFO server;
        server.pwszName = const_cast<LPWSTR>(StringToWide(name));
        QCOMPARE(CoCreateInstanceEx(ProbeClsid, nullptr, CLSCTX_REMOTE_SERVER, &server, 2, results),
                 RPC_S_SERVER_UNAVAILABLE);
        RegisterClass(RegisterComputer(QStringLiteral(" plant7 ")), probeClass(QString()));
        QVERIFY(RemoteActivationAvailable(name));
        QVERIFY(!LocalRegistry().FindClass(ProbeClsid));
        QCOMPARE(CoCreateInstanceEx(ProbeClsid, nullptr, CLSCTX_INPROC_SERVER, &server, 2, results),
                 E_INVALIDARG);
        QCOMPARE(CoCreateInstanceEx(ProbeClsid, nullptr, CLSCTX_REMOTE_SERVER, &server, 2, results),
                 CO_S_NOTALLINTERFACES);
        QCOMPARE(results[0].hr, S_OK);
        QCOMPARE(results[1].hr, E_NOINTERFACE);
        QVERIFY(!results[1].pItf);
        results[0].pItf->Release();
        QCOMPARE(probesAlive, 0);
    }

    void serverListAnswersFromItsComputer()
    {
        ClassRegistry& plant = RegisterComputer(QStringLiteral("PLANT7"));
        RegisterClass(plant, probeClass(QStringLiteral("Quelvane.Probe.1"), {Category}));
        const auto list = serverListOf(QStringLiteral("PLANT7"));
        QVERIFY(list);
        CLSID clsid = GUID_NULL;
        const QString progId = QStringLiteral("Quelvane.Probe.1");
        QCOMPARE(list->CLSIDFromProgID(StringToWide(progId), &clsid), S_OK);
        QCOMPARE(clsid, ProbeClsid);
        ComPtr<IEnumGUID> classes;
        QCOMPARE(list->EnumClassesOfCategories(1, &Category, 0, nullptr, classes.Put()), S_OK);
        GUID found[2];
        ULONG fetched = 0;
        QCOMPARE(classes->Next(2, found, &fetched), S_FALSE);
        QCOMPARE(fetched, 1u);
        QCOMPARE(found[0], ProbeClsid);
        // Also required: a category the class lacks leaves it out.
        QCOMPARE(
            list->EnumClassesOfCategories(1, &Category, 1, &CATID_OPCDAServer20, classes.Put()),
            S_OK);
        QCOMPARE(classes->Next(1, found, &fetched), S_FALSE);
        LPOLESTR name = nullptr;
        LPOLESTR userType = nullptr;
        QCOMPARE(list->GetClassDetails(ProbeClsid, &name, &userType), S_OK);
        QCOMPARE(WideToString(name), progId);
        QCOMPARE(WideToString(userType), QStringLiteral("Probe"));
        CoTaskMemFree(name);
        CoTaskMemFree(userType);
        QCOMPARE(list->GetClassDetails(GUID_NULL, &name, &userType), REGDB_E_CLASSNOTREG);
        QVERIFY(!name && !userType);
        // The local list does not know the computer's classes.
        const auto local = serverListOf(QString());
        QCOMPARE(local->CLSIDFromProgID(StringToWide(progId), &clsid), CO_E_CLASSSTRING);
        UnregisterComputer(QStringLiteral("PLANT7"));
        QCOMPARE(list->CLSIDFromProgID(StringToWide(progId), &clsid), RPC_S_SERVER_UNAVAILABLE);
    }

    void securityIsFixedByTheFirstCall()
    {
        int descriptor = 0;
        QCOMPARE(CoInitializeSecurity(&descriptor, -1, nullptr, nullptr, 1, 2, nullptr, 0, nullptr),
                 E_INVALIDARG);
        QVERIFY(!ProcessSecurity().levels);
        QCOMPARE(CoInitializeSecurity(nullptr, -1, nullptr, nullptr, 1, 3, nullptr, 0, nullptr),
                 S_OK);
        QCOMPARE(CoInitializeSecurity(nullptr, -1, nullptr, nullptr, 2, 2, nullptr, 0, nullptr),
                 RPC_E_TOO_LATE);
        QCOMPARE(ProcessSecurity().levels->impersonationLevel, 3u);
        QCOMPARE(ProcessSecurity().levels->authenticationLevel, 1u);
    }
};

QTEST_GUILESS_MAIN(ObjectServicesTest)
#include "tst_objectservices.moc"
