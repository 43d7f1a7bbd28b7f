// The item link against the sample server, with a stand-in for the windowed component that
// owns the item manager: connecting, reconnecting, values through the event loop, writes,
// shutdown, stored layouts and the automatic error indication.
#include "datalink/iOPCItem.h"

#include "SampleDevice.h"
#include "objsvc/Security.h"
#include "services/Computers.h"
#include "support/OPCErrorMessage.h"

#include <QJsonObject>
#include <QTest>
#include <QThread>

// Stands in for the windowed component layer: the link recognises it by its class name and
// reaches its error indication through the meta-object.
class TiVCLComponent : public QObject
{
    Q_OBJECT

public:
    struct Arrival
    {
        int index;
        QVariant value;
        WORD quality;
        bool onUiThread;
    };

    TiVCLComponent()
    {
        manager.IsDesigning = [this] { return designing; };
        manager.NewDataHandler = [this](TiOPCItem* item) {
            arrivals.push_back({manager.IndexOf(item), item->Value(), item->Quality(),
                                QThread::currentThread() == thread()});
            if (onArrival)
                onArrival(item);
        };
        manager.OPCDataType = [](const QString& property) -> quint16 {
            return property.compare(QLatin1String("Active"), Qt::CaseInsensitive) == 0 ? VT_BOOL
                                                                                       : 0;
        };
    }

    Q_INVOKABLE void SetErrorActive(bool value) { errorStates.push_back(value); }

    TiOPCItemManager manager{this};
    bool designing = false;
    std::vector<Arrival> arrivals;
    std::vector<bool> errorStates;
    std::function<void(TiOPCItem*)> onArrival;
};

// Any other owner: it has the same method, but is no windowed component.
class PlainOwner : public QObject
{
    Q_OBJECT

public:
    Q_INVOKABLE void SetErrorActive(bool value) { errorStates.push_back(value); }

    std::vector<bool> errorStates;
};

namespace {

const QString Relay = QStringLiteral("Floor3.Relay4");

QJsonObject storedItem(const QString& itemName)
{
    return QJsonObject{{QStringLiteral("PropertyName"), QStringLiteral("Active")},
                       {QStringLiteral("ComputerName"), QStringLiteral("Local")},
                       {QStringLiteral("ServerName"), SampleDevice::ProgID()},
                       {QStringLiteral("ItemName"), itemName},
                       {QStringLiteral("UpdateRate"), 20},
                       {QStringLiteral("AutoConnect"), true},
                       {QStringLiteral("AutoError"), false}};
}

} // namespace

class ItemLinkTest : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<SampleDevice> device_;
    std::unique_ptr<TiVCLComponent> component_;

    // An item of the component, named for the sample server, not yet connected.
    TiOPCItem* newItem(const QString& itemName = Relay)
    {
        auto* item = new TiOPCItem;
        component_->manager.Add(item);
        item->SetPropertyName(QStringLiteral("Active"));
        item->SetServerName(SampleDevice::ProgID());
        item->SetItemName(itemName);
        item->SetUpdateRate(20);
        return item;
    }

    TiOPCItem* connectedItem()
    {
        TiOPCItem* item = newItem();
        item->Connect();
        return item;
    }

private slots:
    void init()
    {
        device_ = std::make_shared<SampleDevice>();
        device_->SetItem(Relay, false);
        device_->SetItem(QStringLiteral("Floor3.Relay5"), true);
        RegisterClass(LocalRegistry(), SampleServerClass(device_));
        component_ = std::make_unique<TiVCLComponent>();
    }

    void cleanup()
    {
        component_.reset();
        UnregisterClass(LocalRegistry(), SampleDevice::Clsid);
        UnregisterComputer(QStringLiteral("PLANT7"));
    }

    void blankNameNeverLinks()
    {
        TiOPCItem* item = newItem();
        item->SetServerName(QStringLiteral("   "));
        item->Connect();
        QVERIFY(!item->Linked());
        item->SetServerName(SampleDevice::ProgID());
        item->SetItemName(QString());
        item->Connect();
        QVERIFY(!item->Linked());
        item->SetItemName(Relay);
        item->SetPropertyName(QStringLiteral(" "));
        item->Connect();
        QVERIFY(!item->Linked());
        QCOMPARE(device_->ServersAlive(), 0);
        QVERIFY(device_->addGroups.empty());
    }

    void localNamesCreateTheServerHere_data()
    {
        QTest::addColumn<QString>("computer");
        QTest::newRow("blanks around") << QStringLiteral(" local ");
        QTest::newRow("empty") << QString();
        QTest::newRow("upper case") << QStringLiteral("LOCAL");
    }

    void localNamesCreateTheServerHere()
    {
        QFETCH(QString, computer);
        TiOPCItem* item = newItem();
        item->SetComputerName(computer);
        item->Connect();
        QVERIFY(item->Linked());
        QCOMPARE(device_->ServersAlive(), 1);
        QCOMPARE(device_->groupsAdded, 1);
        QCOMPARE(device_->itemsAdded, 1);
    }

    void serverOnANamedComputer()
    {
        UnregisterClass(LocalRegistry(), SampleDevice::Clsid);
        const auto remote = std::make_shared<SampleDevice>();
        remote->SetItem(Relay, true);
        RegisterClass(RegisterComputer(QStringLiteral("PLANT7")), SampleServerClass(remote));
        TiOPCItem* item = newItem();
        item->SetComputerName(QStringLiteral("PLANT7"));
        item->Connect();
        QCOMPARE(remote->ServersAlive(), 1);
        QTRY_COMPARE(item->Value(), QVariant(true));
    }

    void valuesArriveOnTheUiThreadThroughTheEventLoop()
    {
        TiOPCItem* item = connectedItem();
        QVERIFY(component_->arrivals.empty());
        QTRY_COMPARE(component_->arrivals.size(), 1u);
        QCOMPARE(item->Value(), QVariant(false));
        QVERIFY(item->GoodQuality());
        QVERIFY(item->TimeStamp() > 0.0);
        device_->SetItem(Relay, true, OPC_QUALITY_BAD | 0x04);
        QTRY_COMPARE(component_->arrivals.size(), 2u);
        const auto& arrival = component_->arrivals.back();
        QCOMPARE(arrival.index, 0);
        QCOMPARE(arrival.value, QVariant(true));
        QCOMPARE(arrival.quality, WORD(0x04));
        QVERIFY(arrival.onUiThread);
        QVERIFY(!item->GoodQuality());
    }

    void connectAddsAnActiveUnnamedGroupAndItsItem()
    {
        connectedItem();
        QCOMPARE(device_->addGroups.size(), 1u);
        const SampleAddGroup& group = device_->addGroups[0];
        QVERIFY(group.name.isEmpty());
        QCOMPARE(group.active, TRUE);
        QCOMPARE(group.requestedUpdateRate, 20u);
        QCOMPARE(device_->addItems.size(), 1u);
        QCOMPARE(device_->addItems[0].size(), 1u);
        const SampleItemDefinition& item = device_->addItems[0][0];
        QCOMPARE(item.itemId, Relay);
        QCOMPARE(item.clientHandle, 0u);
        QCOMPARE(item.requestedType, VT_BOOL);
    }

    void everyItemCreationSetsUpTheProcessSecurity()
    {
        const SecurityRequest asked{false, false, false, ProcessSecurityLevels{-1, 1, 2, 0}};
        const unsigned before = ProcessSecurity().requests;
        for (unsigned created = 1; created <= 3; ++created) {
            ProcessSecurity().lastRequest = SecurityRequest{};
            const TiOPCItem item;
            QCOMPARE(ProcessSecurity().requests, before + created);
            QVERIFY(ProcessSecurity().lastRequest == asked);
        }
    }

    void requestedTypeComesFromTheComponent()
    {
        connectedItem();
        TiOPCItem* caption = newItem();
        caption->SetPropertyName(QStringLiteral("Caption"));
        caption->Connect();
        component_->manager.OPCDataType = nullptr;
        newItem()->Connect();
        QCOMPARE(device_->RequestedTypes(), (std::vector<VARTYPE>{VT_BOOL, VT_EMPTY, VT_EMPTY}));
    }

    void changingTheUpdateRateReaddsGroupAndItem()
    {
        TiOPCItem* item = connectedItem();
        item->SetUpdateRate(40);
        QVERIFY(item->Linked());
        QCOMPARE(device_->groupsRemoved, 1);
        QCOMPARE(device_->itemsRemoved, 1);
        QCOMPARE(device_->groupsAdded, 2);
        QCOMPARE(device_->itemsAdded, 2);
        QCOMPARE(device_->RequestedRates(), (std::vector<DWORD>{20, 40}));
        QCOMPARE(device_->ServersAlive(), 1);
    }

    void connectionSettersReconnectWhateverTheValue()
    {
        TiOPCItem* item = connectedItem();
        item->SetServerName(item->ServerName());
        item->SetItemName(item->ItemName());
        item->SetComputerName(item->ComputerName());
        item->SetAutoConnect(item->AutoConnect());
        QCOMPARE(device_->groupsAdded, 5);
        item->SetPropertyName(QStringLiteral("Other"));
        item->SetAutoError(true);
        QCOMPARE(device_->groupsAdded, 5);
    }

    void settersOfAnUnlinkedItemOnlyStore()
    {
        TiOPCItem* item = newItem();
        item->SetUpdateRate(100);
        item->SetComputerName(QStringLiteral("Local"));
        QVERIFY(!item->Linked());
        QCOMPARE(device_->ServersAlive(), 0);
    }

    void connectErrorsLeaveTheItemUnlinked()
    {
        TiOPCItem* item = newItem();
        item->SetServerName(QStringLiteral("No.Such.1"));
        QCOMPARE(OPCErrorMessage([&] { item->Connect(); }),
                 QStringLiteral("Exception : Failed to Connect to Server - Invalid class string"));
        QVERIFY(!item->Linked());

        item->SetServerName(SampleDevice::ProgID());
        device_->refuseGroups = true;
        QCOMPARE(OPCErrorMessage([&] { item->Connect(); }), QStringLiteral("Failed to Add Group"));
        QVERIFY(!item->Linked());
        QCOMPARE(device_->ServersAlive(), 0);

        device_->refuseGroups = false;
        device_->refuseItems = true;
        QCOMPARE(OPCErrorMessage([&] { item->Connect(); }), QStringLiteral("Failed to Add Item"));
        QVERIFY(!item->Linked());
        QCOMPARE(device_->groupsRemoved, 1);
        QCOMPARE(device_->ServersAlive(), 0);
    }

    void setterOfALinkedItemRaisesTheConnectError()
    {
        TiOPCItem* item = connectedItem();
        device_->refuseItems = true;
        QCOMPARE(OPCErrorMessage([&] { item->SetUpdateRate(30); }),
                 QStringLiteral("Failed to Add Item"));
        QVERIFY(!item->Linked());
    }

    void writeOfAnUnlinkedItemReturnsQuietly()
    {
        TiOPCItem* item = newItem();
        QCOMPARE(OPCErrorMessage([&] { item->WriteValue(true); }), QString());
        QVERIFY(device_->writes.empty());
    }

    void writeReachesTheServer()
    {
        TiOPCItem* item = connectedItem();
        item->WriteValue(true);
        QCOMPARE(device_->writes.size(), 1u);
        QCOMPARE(device_->writes[0].itemId, Relay);
        QCOMPARE(device_->writes[0].value, QVariant(true));
        device_->failWrites = true;
        QCOMPARE(OPCErrorMessage([&] { item->WriteValue(false); }),
                 QStringLiteral("Data Write Failure"));
    }

    void afterShutdownTheValueStaysAndWritesFail()
    {
        TiOPCItem* item = connectedItem();
        device_->SetItem(Relay, true);
        QTRY_COMPARE(item->Value(), QVariant(true));
        device_->RequestShutdown(QStringLiteral("maintenance"));
        QTRY_COMPARE(device_->itemsRemoved, 1);
        QVERIFY(item->Linked());
        QCOMPARE(item->Value(), QVariant(true));
        QCOMPARE(device_->groupsRemoved, 0);
        QCOMPARE(device_->ServersAlive(), 1);
        QCOMPARE(OPCErrorMessage([&] { item->WriteValue(false); }),
                 QStringLiteral("Data Write Failure - Not Connected to Group"));
        const std::size_t arrivals = component_->arrivals.size();
        device_->SetItem(Relay, false);
        QTest::qWait(60);
        QCOMPARE(component_->arrivals.size(), arrivals);
        // A setter reconnects from the shut-down state.
        item->SetUpdateRate(25);
        QCOMPARE(device_->groupsAdded, 2);
        QTRY_COMPARE(item->Value(), QVariant(false));
        item->WriteValue(true);
        QCOMPARE(device_->writes.size(), 1u);
    }

    void refusedCallbackFallsBackToStreamAdvise()
    {
        device_->refuseDataCallback = true;
        device_->SetItem(Relay, true, 0xD8);
        TiOPCItem* item = connectedItem();
        QCOMPARE(device_->streamAdvises.size(), 1u);
        QCOMPARE(device_->callbackAdvises, 0);
        QTRY_COMPARE(component_->arrivals.size(), 1u);
        QCOMPARE(item->Value(), QVariant(true));
        QCOMPARE(item->Quality(), WORD(0xC0));
        QVERIFY(item->TimeStamp() > 0.0);
        item->Disconnect();
        QCOMPARE(device_->itemsRemoved, 1);
        QCOMPARE(device_->ServersAlive(), 0);
    }

    void dataForAnUnlinkedItemIsDropped()
    {
        TiOPCItem* item = newItem();
        item->NewData(true, OPC_QUALITY_GOOD, 1.0);
        QVERIFY(!item->Value().isValid());
        QVERIFY(component_->arrivals.empty());
    }

    void disconnectReleasesInTheLinksOrder_data()
    {
        QTest::addColumn<bool>("streamOnly");
        QTest::addColumn<QString>("advise");
        QTest::addColumn<QString>("unadvise");
        QTest::newRow("data callback") << false << QStringLiteral("Advise IOPCDataCallback")
                                       << QStringLiteral("Unadvise IOPCDataCallback");
        QTest::newRow("stream advise")
            << true << QStringLiteral("DAdvise") << QStringLiteral("DUnadvise");
    }

    void disconnectReleasesInTheLinksOrder()
    {
        QFETCH(bool, streamOnly);
        QFETCH(QString, advise);
        QFETCH(QString, unadvise);
        device_->refuseDataCallback = streamOnly;
        TiOPCItem* item = connectedItem();
        QCOMPARE(device_->calls, (std::vector<QString>{QStringLiteral("Advise IOPCShutdown"),
                                                       QStringLiteral("AddGroup"),
                                                       QStringLiteral("AddItems"), advise}));
        QTRY_COMPARE(component_->arrivals.size(), 1u);
        device_->calls.clear();
        item->Disconnect();
        QVERIFY(!item->Linked());
        // The group goes before the server that made it.
        QCOMPARE(device_->calls, (std::vector<QString>{unadvise, QStringLiteral("RemoveItems"),
                                                       QStringLiteral("Unadvise IOPCShutdown"),
                                                       QStringLiteral("RemoveGroup"),
                                                       QStringLiteral("group released"),
                                                       QStringLiteral("server released")}));
        QCOMPARE(device_->ServersAlive(), 0);
        device_->SetItem(Relay, true);
        QTest::qWait(60);
        QCOMPARE(component_->arrivals.size(), 1u);
    }

    void clearingTheManagerDisconnectsItsItems()
    {
        connectedItem();
        connectedItem();
        QCOMPARE(device_->ServersAlive(), 2);
        component_->manager.Clear();
        QCOMPARE(component_->manager.Count(), 0);
        QCOMPARE(device_->ServersAlive(), 0);
        QCOMPARE(device_->groupsRemoved, 2);
    }

    void itemMayBeFreedFromItsOwnNewDataHandler()
    {
        connectedItem();
        component_->onArrival = [this](TiOPCItem*) { component_->manager.Clear(); };
        QTRY_COMPARE(component_->arrivals.size(), 1u);
        QCOMPARE(component_->manager.Count(), 0);
        QCOMPARE(device_->ServersAlive(), 0);
    }

    void storedLayoutGivesIndicesInStoredOrder()
    {
        component_->manager.ReadItems(
            QJsonArray{storedItem(Relay), storedItem(QStringLiteral("Floor3.Relay5"))});
        QCOMPARE(component_->manager.Count(), 2);
        TiOPCItem* first = component_->manager.Items(0);
        TiOPCItem* second = component_->manager.Items(1);
        QCOMPARE(first->ItemName(), Relay);
        QCOMPARE(second->ItemName(), QStringLiteral("Floor3.Relay5"));
        QCOMPARE(component_->manager.IndexOf(second), 1);
        QVERIFY(first->Linked() && second->Linked());
        QTRY_COMPARE(component_->arrivals.size(), 2u);
        std::map<int, QVariant> byIndex;
        for (const auto& arrival : component_->arrivals)
            byIndex[arrival.index] = arrival.value;
        QCOMPARE(byIndex[0], QVariant(false));
        QCOMPARE(byIndex[1], QVariant(true));
    }

    void layoutRoundTripsThePublishedProperties()
    {
        TiOPCItem* item = newItem();
        item->SetComputerName(QStringLiteral("PLANT7"));
        item->SetAutoConnect(false);
        item->SetAutoError(true);
        const QJsonArray stored = component_->manager.WriteItems();
        QCOMPARE(stored.size(), 1);
        const QJsonObject object = stored[0].toObject();
        QCOMPARE(object.keys().size(), 7);
        QCOMPARE(object[QStringLiteral("ItemName")].toString(), Relay);
        QCOMPARE(object[QStringLiteral("UpdateRate")].toInt(), 20);

        TiVCLComponent other;
        other.manager.ReadItems(stored);
        QCOMPARE(other.manager.Count(), 1);
        TiOPCItem* read = other.manager.Items(0);
        QCOMPARE(read->ComputerName(), QStringLiteral("PLANT7"));
        QCOMPARE(read->ServerName(), SampleDevice::ProgID());
        QCOMPARE(read->PropertyName(), QStringLiteral("Active"));
        QVERIFY(!read->AutoConnect());
        QVERIFY(read->AutoError());
        QVERIFY(!read->Linked());
        QCOMPARE(read->Manager(), &other.manager);
    }

    void layoutReadingClearsFirstAndRejectsWrongTypes()
    {
        newItem();
        QJsonObject wrong = storedItem(Relay);
        wrong[QStringLiteral("UpdateRate")] = QStringLiteral("fast");
        QCOMPARE(OPCErrorMessage([&] { component_->manager.ReadItems(QJsonArray{wrong}); }),
                 QStringLiteral("Invalid property value: UpdateRate"));
        wrong[QStringLiteral("UpdateRate")] = 20.5;
        QVERIFY(
            !OPCErrorMessage([&] { component_->manager.ReadItems(QJsonArray{wrong}); }).isEmpty());
        QCOMPARE(OPCErrorMessage([&] { component_->manager.ReadItems(QJsonArray{1}); }),
                 QStringLiteral("Invalid OPCItems element"));
        component_->manager.ReadItems(QJsonArray{QJsonObject{}});
        QCOMPARE(component_->manager.Count(), 1);
        QCOMPARE(component_->manager.Items(0)->UpdateRate(), 500);
        QVERIFY(!component_->manager.Items(1));
        QVERIFY(!component_->manager.Items(-1));
    }

    void afterLoadConnectsOnlyOutsideTheDesignerAndWhenAsked()
    {
        component_->designing = true;
        component_->manager.ReadItems(QJsonArray{storedItem(Relay)});
        QVERIFY(!component_->manager.Items(0)->Linked());
        component_->designing = false;
        QJsonObject manual = storedItem(Relay);
        manual[QStringLiteral("AutoConnect")] = false;
        component_->manager.ReadItems(QJsonArray{manual});
        QVERIFY(!component_->manager.Items(0)->Linked());
        QJsonObject broken = storedItem(Relay);
        broken[QStringLiteral("ServerName")] = QStringLiteral("No.Such.1");
        component_->manager.ReadItems(QJsonArray{broken, storedItem(Relay)});
        QVERIFY(!component_->manager.Items(0)->Linked());
        QVERIFY(component_->manager.Items(1)->Linked());
    }

    void autoErrorMirrorsTheLinkIntoTheComponent()
    {
        TiOPCItem* item = newItem();
        item->SetAutoError(true);
        QCOMPARE(component_->errorStates, (std::vector<bool>{true}));
        item->SetAutoError(true);
        QCOMPARE(component_->errorStates.size(), 1u);
        item->Connect();
        QTRY_COMPARE(component_->arrivals.size(), 1u);
        QCOMPARE(component_->errorStates.back(), false);
        device_->SetItem(Relay, true, OPC_QUALITY_UNCERTAIN);
        QTRY_COMPARE(component_->arrivals.size(), 2u);
        QCOMPARE(component_->errorStates.back(), true);
        device_->SetItem(Relay, true, OPC_QUALITY_GOOD);
        QTRY_COMPARE(component_->arrivals.size(), 3u);
        QCOMPARE(component_->errorStates.back(), false);
        item->SetUpdateRate(30);
        // Connect shows the state it starts from: linked, last quality good.
        QCOMPARE(component_->errorStates.back(), false);
        item->Disconnect();
        item->UpdateError();
        QCOMPARE(component_->errorStates.back(), true);
    }

    void autoErrorLeavesOtherOwnersAlone()
    {
        PlainOwner owner;
        TiOPCItemManager manager(&owner);
        auto* item = new TiOPCItem;
        manager.Add(item);
        item->SetAutoError(true);
        item->UpdateError();
        QVERIFY(owner.errorStates.empty());
        QCOMPARE(manager.Owner(), &owner);
    }

    void addingTakesOverOnce()
    {
        auto* item = new TiOPCItem;
        component_->manager.Add(item);
        component_->manager.Add(item);
        component_->manager.Add(nullptr);
        QCOMPARE(component_->manager.Count(), 1);
        QCOMPARE(item->Manager(), &component_->manager);
        QVERIFY(component_->manager.HasItems());
        TiOPCItem stranger;
        QCOMPARE(component_->manager.IndexOf(&stranger), -1);
    }
};

QTEST_GUILESS_MAIN(ItemLinkTest)
#include "tst_opcitemlink.moc"
