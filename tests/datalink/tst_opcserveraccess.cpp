// Server access: creation here and on named computers, class identifier resolution through the
// server lists, the error texts, and the group, item, advise and write calls against the
// sample server.
#include "datalink/iOPCClasses.h"
#include "datalink/iOPCFunctions.h"

#include "SampleDevice.h"
#include "services/Computers.h"
#include "support/OPCErrorMessage.h"

#include "objsvc/OpcServerList.h"
#include "objsvc/Security.h"

#include <QTest>

namespace {

const QString Plant = QStringLiteral("PLANT7");

// Fails every ProgID look-up but enumerates like the computer's own list.
class ProgIdBlindList : public ComObject<IOPCServerList>
{
public:
    explicit ProgIdBlindList(ComPtr<IOPCServerList> inner) : inner_(std::move(inner)) {}

    HRESULT EnumClassesOfCategories(ULONG implementedCount, const CATID* implemented,
                                    ULONG requiredCount, const CATID* required,
                                    IEnumGUID** classes) override
    {
        return inner_->EnumClassesOfCategories(implementedCount, implemented, requiredCount,
                                               required, classes);
    }
    HRESULT GetClassDetails(REFCLSID clsid, LPOLESTR* progId, LPOLESTR* userType) override
    {
        return inner_->GetClassDetails(clsid, progId, userType);
    }
    HRESULT CLSIDFromProgID(LPCOLESTR, CLSID*) override { return REGDB_E_CLASSNOTREG; }

private:
    ComPtr<IOPCServerList> inner_;
};

// An object that is no OPC server.
class NotAServer : public ComObject<IOPCShutdown>
{
public:
    HRESULT ShutdownRequest(LPCWSTR) override { return S_OK; }
};

ClassEntry classOf(const CLSID& clsid, const QString& progId, ClassFactory factory)
{
    ClassEntry entry;
    entry.clsid = clsid;
    entry.progId = progId;
    entry.factory = std::move(factory);
    return entry;
}

constexpr CLSID OtherClsid{0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};
constexpr CLSID ZeroFirstClsid{0, 0x0001, 0x0002, {3, 3, 3, 3, 3, 3, 3, 3}};

int beeps = 0;

void countBeep()
{
    ++beeps;
}

} // namespace

class ServerAccessTest : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<SampleDevice> device_;

    ComPtr<IOPCServer> localServer() { return OPCCreateServer(QString(), SampleDevice::ProgID()); }

    ComPtr<IOPCItemMgt> addGroup(const ComPtr<IOPCServer>& server, OPCHANDLE& handle)
    {
        ComPtr<IOPCItemMgt> group;
        const HRESULT hr = OPCAddGroup(server.Get(), QString(), true, 20, handle, group);
        return SUCCEEDED(hr) ? group : nullptr;
    }

private slots:
    void init()
    {
        device_ = std::make_shared<SampleDevice>();
        device_->SetItem(QStringLiteral("Floor3.Relay4"), false);
        RegisterClass(LocalRegistry(), SampleServerClass(device_));
        beeps = 0;
        OPCSetBeep(&countBeep);
    }

    void cleanup()
    {
        UnregisterClass(LocalRegistry(), SampleDevice::Clsid);
        UnregisterComputer(Plant);
    }

    void createsTheServerHereByProgID()
    {
        ComPtr<IOPCServer> server = localServer();
        QVERIFY(server);
        QCOMPARE(device_->ServersAlive(), 1);
        server.Reset();
        QCOMPARE(device_->ServersAlive(), 0);
    }

    void unknownProgIDHereGivesThePlatformError()
    {
        QCOMPARE(OPCErrorMessage([] { OPCCreateServer(QString(), QStringLiteral("No.Such.1")); }),
                 QStringLiteral("Invalid class string"));
    }

    void thisComputersNameCreatesHere()
    {
        const auto server = OPCCreateServer(LocalComputerName().toUpper(), SampleDevice::ProgID());
        QVERIFY(server);
        QCOMPARE(device_->ServersAlive(), 1);
    }

    void unreachableComputerHasNoRemoteActivation()
    {
        QCOMPARE(OPCErrorMessage(
                     [] { OPCCreateServer(QStringLiteral("NOWHERE"), SampleDevice::ProgID()); }),
                 QStringLiteral("DCOM not installed"));
        QCOMPARE(OPCErrorMessage(
                     [] { OPCCreateServer(QStringLiteral("NOWHERE"), QStringLiteral("X.1")); }),
                 QStringLiteral("Unable to Create IOPCServerList Object : DCOM not installed"));
        // Once some computer is reachable, an unknown one is the activation's own failure.
        RegisterComputer(Plant);
        QCOMPARE(OPCErrorMessage(
                     [] { OPCCreateServer(QStringLiteral("NOWHERE"), SampleDevice::ProgID()); }),
                 QStringLiteral("The RPC server is unavailable"));
    }

    void progIdKnownOnlyToTheComputersServerListResolvesThroughIt()
    {
        UnregisterClass(LocalRegistry(), SampleDevice::Clsid);
        const auto remote = std::make_shared<SampleDevice>();
        RegisterClass(RegisterComputer(Plant), SampleServerClass(remote));
        ComPtr<IOPCServerList> list;
        QCOMPARE(OPCResolveClassID(Plant, SampleDevice::ProgID(), list), SampleDevice::Clsid);
        QVERIFY(list);
        const auto server = OPCCreateServer(Plant, SampleDevice::ProgID());
        QVERIFY(server);
        QCOMPARE(remote->ServersAlive(), 1);
        QCOMPARE(device_->ServersAlive(), 0);
        QCOMPARE(beeps, 0);
    }

    void givenServerListIsAskedInsteadOfANewOne()
    {
        UnregisterClass(LocalRegistry(), SampleDevice::Clsid);
        RegisterComputer(Plant);
        // The list of a computer that knows the class, handed in for one that does not.
        ClassRegistry& other = RegisterComputer(QStringLiteral("PLANT8"));
        RegisterClass(other, SampleServerClass(device_));
        auto list = OpcServerListClass(QStringLiteral("PLANT8")).factory().As<IOPCServerList>();
        const IOPCServerList* given = list.Get();
        QCOMPARE(OPCResolveClassID(Plant, SampleDevice::ProgID(), list), SampleDevice::Clsid);
        QCOMPARE(list.Get(), given);
        UnregisterComputer(QStringLiteral("PLANT8"));
    }

    void listFailingProgIdLookUpStillFindsTheServerUnderDA10()
    {
        UnregisterClass(LocalRegistry(), SampleDevice::Clsid);
        ClassRegistry& plant = RegisterComputer(Plant);
        RegisterClass(plant, SampleServerClass(device_, {CATID_OPCDAServer10}));
        // Under 2.0 only a ProgID that differs in case: the match is exact.
        RegisterClass(plant, SampleServerClass(device_, {CATID_OPCDAServer20}, OtherClsid,
                                               SampleDevice::ProgID().toLower()));
        RegisterClass(plant, classOf(CLSID_OpcServerList, QString(), [] {
                          const auto inner =
                              OpcServerListClass(Plant).factory().As<IOPCServerList>();
                          const auto blind = MakeComObject<ProgIdBlindList>(inner);
                          return ComPtr<IUnknown>(blind->Unknown());
                      }));
        ComPtr<IOPCServerList> list;
        QCOMPARE(OPCResolveClassID(Plant, SampleDevice::ProgID(), list), SampleDevice::Clsid);
        QVERIFY(OPCCreateServer(Plant, SampleDevice::ProgID()));
    }

    void progIdNowhereToBeFound()
    {
        RegisterComputer(Plant);
        ComPtr<IOPCServerList> list;
        QCOMPARE(
            OPCErrorMessage([&] { OPCResolveClassID(Plant, QStringLiteral("No.Such.1"), list); }),
            QStringLiteral("Unable to convert ProgID to CLSID"));
    }

    void classIdWithZeroFirstFieldBeepsAndIsUsed()
    {
        RegisterClass(
            RegisterComputer(Plant),
            SampleServerClass(device_, {}, ZeroFirstClsid, QStringLiteral("Quelvane.Zero.1")));
        ComPtr<IOPCServerList> list;
        QCOMPARE(OPCResolveClassID(Plant, QStringLiteral("Quelvane.Zero.1"), list), ZeroFirstClsid);
        QCOMPARE(beeps, 1);
        QVERIFY(OPCCreateServer(Plant, QStringLiteral("Quelvane.Zero.1")));
        QCOMPARE(beeps, 2);
    }

    void serverListCreationErrors()
    {
        QVERIFY(OPCCreateServerList(QStringLiteral(" local ")));
        QVERIFY(OPCCreateServerList(QString()));
        QCOMPARE(OPCErrorMessage([] { OPCCreateServerList(QStringLiteral("NOWHERE")); }),
                 QStringLiteral("Unable to Create IOPCServerList Object : DCOM not installed"));
        ClassRegistry& plant = RegisterComputer(Plant);
        UnregisterClass(plant, CLSID_OpcServerList);
        QCOMPARE(OPCErrorMessage([] { OPCCreateServerList(Plant); }),
                 QStringLiteral("Unable to Create IOPCServerList Object : Class not registered"));
        RegisterClass(plant, classOf(CLSID_OpcServerList, QString(), [] {
                          const auto object = MakeComObject<NotAServer>();
                          return ComPtr<IUnknown>(object->Unknown());
                      }));
        QCOMPARE(OPCErrorMessage([] { OPCCreateServerList(Plant); }),
                 QStringLiteral("Unable to Create IOPCServerList Object"));
    }

    void objectWithoutServerInterfaceGivesNoServer()
    {
        RegisterClass(LocalRegistry(), classOf(OtherClsid, QStringLiteral("Quelvane.Plain.1"), [] {
                          const auto object = MakeComObject<NotAServer>();
                          return ComPtr<IUnknown>(object->Unknown());
                      }));
        QVERIFY(!OPCCreateServer(QString(), QStringLiteral("Quelvane.Plain.1")));
        UnregisterClass(LocalRegistry(), OtherClsid);
    }

    void callsWithoutTheNeededInterfaceFailAlone()
    {
        const auto server = localServer();
        OPCHANDLE handle = 7;
        VARTYPE type = VT_EMPTY;
        DWORD cookie = 7;
        ComPtr<IOPCItemMgt> group;
        QCOMPARE(OPCAddGroup(nullptr, QString(), true, 500, handle, group), E_FAIL);
        QCOMPARE(handle, 0u);
        // The server is no group: nothing reaches it.
        IUnknown* notAGroup = server.Get();
        QCOMPARE(OPCAddItem(notAGroup, QStringLiteral("Floor3.Relay4"), 0, 0, handle, type),
                 E_FAIL);
        QCOMPARE(OPCRemoveItem(notAGroup, 1), E_FAIL);
        QCOMPARE(OPCAdviseCallback(notAGroup, nullptr, cookie), E_FAIL);
        QCOMPARE(cookie, 0u);
        QCOMPARE(OPCUnadviseCallback(nullptr, 1), E_FAIL);
        QCOMPARE(OPCAdviseStream(notAGroup, nullptr, cookie), E_FAIL);
        QCOMPARE(OPCUnadviseStream(notAGroup, 1), E_FAIL);
        QCOMPARE(OPCAdviseShutdown(nullptr, nullptr, cookie), E_FAIL);
        QCOMPARE(OPCUnadviseShutdown(nullptr, 1), E_FAIL);
        QCOMPARE(OPCWriteItem(notAGroup, 1, true), E_FAIL);
        OPCRemoveGroup(nullptr, 1);
        QCOMPARE(device_->groupsAdded + device_->itemsAdded + int(device_->writes.size()), 0);
    }

    void groupAndItemAreAddedAsAskedWithTheFixedArguments()
    {
        const auto server = localServer();
        ComPtr<IOPCItemMgt> group;
        OPCHANDLE groupHandle = 0;
        QCOMPARE(
            OPCAddGroup(server.Get(), QStringLiteral("Relays"), false, 250, groupHandle, group),
            S_OK);
        QVERIFY(group && groupHandle != 0);
        QCOMPARE(device_->addGroups.size(), 1u);
        const SampleAddGroup& added = device_->addGroups[0];
        QCOMPARE(added.name, QStringLiteral("Relays"));
        QCOMPARE(added.active, FALSE);
        QCOMPARE(added.requestedUpdateRate, 250u);
        QCOMPARE(added.clientGroup, 0u);
        QVERIFY(!added.timeBias);
        QVERIFY(added.percentDeadband);
        QCOMPARE(*added.percentDeadband, 0.0f);
        QCOMPARE(added.locale, 0u);
        QCOMPARE(added.riid, IID_IOPCItemMgt);

        OPCHANDLE item = 0;
        VARTYPE canonical = VT_EMPTY;
        QCOMPARE(
            OPCAddItem(group.Get(), QStringLiteral("Floor3.Relay4"), 5, VT_BSTR, item, canonical),
            S_OK);
        QVERIFY(item != 0);
        QCOMPARE(canonical, VT_BOOL);
        QCOMPARE(device_->addItems.size(), 1u);
        QCOMPARE(device_->addItems[0].size(), 1u);
        const SampleItemDefinition& definition = device_->addItems[0][0];
        QVERIFY(definition.accessPath.isEmpty());
        QCOMPARE(definition.itemId, QStringLiteral("Floor3.Relay4"));
        QCOMPARE(definition.active, TRUE);
        QCOMPARE(definition.clientHandle, 5u);
        QCOMPARE(definition.blobSize, 0u);
        QVERIFY(!definition.blob);
        QCOMPARE(definition.requestedType, VT_BSTR);
        QCOMPARE(OPCAddItem(group.Get(), QStringLiteral("Floor9.Relay1"), 0, 0, item, canonical),
                 OPC_E_UNKNOWNITEMID);
        QCOMPARE(OPCRemoveItem(group.Get(), item), S_OK);
        QCOMPARE(OPCRemoveItem(group.Get(), item), OPC_E_INVALIDHANDLE);
        OPCRemoveGroup(server.Get(), groupHandle);
        QCOMPARE(device_->groupsRemoved, 1);
    }

    void refusedGroupGivesTheServersCode()
    {
        device_->refuseGroups = true;
        ComPtr<IOPCItemMgt> group;
        OPCHANDLE handle = 0;
        QCOMPARE(OPCAddGroup(localServer().Get(), QString(), true, 500, handle, group), E_FAIL);
        QVERIFY(!group);
    }

    void writeGivesTheItemsOwnResult()
    {
        const auto server = localServer();
        OPCHANDLE groupHandle = 0;
        const auto group = addGroup(server, groupHandle);
        OPCHANDLE item = 0;
        VARTYPE canonical = VT_EMPTY;
        QCOMPARE(OPCAddItem(group.Get(), QStringLiteral("Floor3.Relay4"), 0, 0, item, canonical),
                 S_OK);
        QCOMPARE(OPCWriteItem(group.Get(), item, true), S_OK);
        QCOMPARE(device_->writes.size(), 1u);
        QCOMPARE(device_->Item(QStringLiteral("Floor3.Relay4"))->value, QVariant(true));
        device_->failWrites = true;
        QCOMPARE(OPCWriteItem(group.Get(), item, false), E_FAIL);
        QCOMPARE(OPCWriteItem(group.Get(), item + 100, false), OPC_E_INVALIDHANDLE);
        QCOMPARE(device_->writes.size(), 1u);
    }

    void callbackAdviseAndItsRefusal()
    {
        const auto server = localServer();
        OPCHANDLE groupHandle = 0;
        const auto group = addGroup(server, groupHandle);
        const auto callback = MakeComObject<TiOPCDataCallback>();
        DWORD cookie = 0;
        QCOMPARE(OPCAdviseCallback(group.Get(), callback.Get(), cookie), S_OK);
        QVERIFY(cookie != 0);
        QCOMPARE(OPCUnadviseCallback(group.Get(), cookie), S_OK);
        QCOMPARE(OPCUnadviseCallback(group.Get(), cookie), CONNECT_E_NOCONNECTION);
        device_->refuseDataCallback = true;
        QCOMPARE(OPCAdviseCallback(group.Get(), callback.Get(), cookie), E_FAIL);
        QCOMPARE(cookie, 0u);
    }

    void streamAdviseAsksForTimedDataPrimedFirst()
    {
        const auto server = localServer();
        OPCHANDLE groupHandle = 0;
        ComPtr<IOPCItemMgt> group;
        // The first update is a minute away: what arrives before is the prime.
        QCOMPARE(OPCAddGroup(server.Get(), QString(), true, 60000, groupHandle, group), S_OK);
        OPCHANDLE item = 0;
        VARTYPE canonical = VT_EMPTY;
        OPCAddItem(group.Get(), QStringLiteral("Floor3.Relay4"), 5, 0, item, canonical);
        const auto sink = MakeComObject<TiOPCAdviseSink>();
        int calls = 0;
        sink->Bind([&] { ++calls; });
        DWORD connection = 0;
        QCOMPARE(OPCAdviseStream(group.Get(), sink.Get(), connection), S_OK);
        QVERIFY(connection != 0);
        QCOMPARE(device_->streamAdvises.size(), 1u);
        const SampleStreamAdvise& advise = device_->streamAdvises[0];
        QCOMPARE(advise.format, RegisterClipboardFormat(QStringLiteral("OPCSTMFORMATDATATIME")));
        QVERIFY(!advise.targetDevice);
        QCOMPARE(advise.aspect, 1u);
        QCOMPARE(advise.index, -1);
        QCOMPARE(advise.tymed, 1u);
        QCOMPARE(advise.flags, 2u);
        QCOMPARE(calls, 0);
        QTRY_COMPARE(calls, 1);
        QCOMPARE(sink->ClientHandle(), 5u);
        QCOMPARE(sink->Value(), QVariant(false));
        QVERIFY(sink->TimeStamp() != 0.0);
        QCOMPARE(OPCUnadviseStream(group.Get(), connection), S_OK);
        QVERIFY(FAILED(OPCUnadviseStream(group.Get(), connection)));
    }

    void shutdownRequestArrivesThroughTheEventLoop()
    {
        const auto server = localServer();
        const auto shutdown = MakeComObject<TiOPCShutdownCallback>();
        int calls = 0;
        shutdown->Bind([&] { ++calls; });
        DWORD cookie = 0;
        QCOMPARE(OPCAdviseShutdown(server.Get(), shutdown.Get(), cookie), S_OK);
        QVERIFY(cookie != 0);
        device_->RequestShutdown(QStringLiteral("maintenance"));
        QCOMPARE(calls, 0);
        QTRY_COMPARE(calls, 1);
        QCOMPARE(OPCUnadviseShutdown(server.Get(), cookie), S_OK);
        device_->RequestShutdown(QStringLiteral("again"));
        QTest::qWait(20);
        QCOMPARE(calls, 1);
    }

    void securityIsSetUpOnceForTheProcess()
    {
        const HRESULT first = OPCInitializeSecurity();
        QVERIFY(first == S_OK || first == RPC_E_TOO_LATE);
        QCOMPARE(OPCInitializeSecurity(), RPC_E_TOO_LATE);
        const auto levels = ProcessSecurity().levels;
        QVERIFY(levels);
        QCOMPARE(levels->authenticationServices, -1);
        QCOMPARE(levels->authenticationLevel, RPC_C_AUTHN_LEVEL_NONE);
        QCOMPARE(levels->impersonationLevel, RPC_C_IMP_LEVEL_IDENTIFY);
        QCOMPARE(levels->capabilities, EOAC_NONE);
    }
};

QTEST_GUILESS_MAIN(ServerAccessTest)
#include "tst_opcserveraccess.moc"
