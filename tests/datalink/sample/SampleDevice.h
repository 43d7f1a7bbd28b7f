#pragma once

#include "objsvc/ClassRegistry.h"
#include "objsvc/ClipboardFormat.h"
#include "objsvc/OPCDA.h"

#include <QString>
#include <QVariant>

#include <map>
#include <memory>
#include <optional>
#include <vector>

class SampleServer;

struct SampleItemState
{
    QVariant value;
    WORD quality = OPC_QUALITY_GOOD;
    std::uint64_t timeStamp = 0;

    friend bool operator==(const SampleItemState&, const SampleItemState&) = default;
};

// The arguments of one AddGroup; of the time bias and the dead band, what they pointed to.
struct SampleAddGroup
{
    QString name;
    BOOL active = FALSE;
    DWORD requestedUpdateRate = 0;
    OPCHANDLE clientGroup = 0;
    std::optional<LONG> timeBias;
    std::optional<FLOAT> percentDeadband;
    LCID locale = 0;
    IID riid = GUID_NULL;
};

// One item definition of an AddItems.
struct SampleItemDefinition
{
    QString accessPath;
    QString itemId;
    BOOL active = FALSE;
    OPCHANDLE clientHandle = 0;
    DWORD blobSize = 0;
    bool blob = false;
    VARTYPE requestedType = VT_EMPTY;
};

// The arguments of one DAdvise.
struct SampleStreamAdvise
{
    CLIPFORMAT format = 0;
    bool targetDevice = false;
    DWORD aspect = 0;
    LONG index = 0;
    DWORD tymed = 0;
    DWORD flags = 0;
};

struct SampleWrite
{
    QString itemId;
    QVariant value;
};

// The address space behind the sample OPC Data Access server, shared by every server object
// created from one registration: the items with their values, the fault switches and what the
// clients did.
class SampleDevice
{
public:
    static constexpr CLSID Clsid{
        0x5A3E7C10, 0x4F2B, 0x4D8E, {0x9C, 0x61, 0x2B, 0x7F, 0x0D, 0x13, 0xE4, 0xA5}};
    static QString ProgID() { return QStringLiteral("Quelvane.Sample.1"); }

    // The time stamp defaults to now.
    void SetItem(const QString& itemId, const QVariant& value, WORD quality = OPC_QUALITY_GOOD,
                 std::optional<std::uint64_t> timeStamp = std::nullopt);
    std::optional<SampleItemState> Item(const QString& itemId) const;

    // A client's write: recorded, then the item's new good value.
    void Write(const QString& itemId, const QVariant& value);

    // Every live server asks its clients to let go, through the event loop.
    void RequestShutdown(const QString& reason);

    // Fault switches.
    bool refuseGroups = false;
    bool refuseItems = false;
    bool failWrites = false;
    // Refuses the 2.0 data callback connection point, so clients fall back to stream advise.
    bool refuseDataCallback = false;
    // Calls the clients' data notifications from a thread of the server's own, waiting for it.
    bool notifyFromOwnThread = false;

    // What the clients did.
    int groupsAdded = 0;
    int groupsRemoved = 0;
    int itemsAdded = 0;
    int itemsRemoved = 0;
    std::vector<SampleAddGroup> addGroups;
    // The definitions of each AddItems.
    std::vector<std::vector<SampleItemDefinition>> addItems;
    std::vector<SampleStreamAdvise> streamAdvises;
    std::vector<SampleWrite> writes;
    int callbackAdvises = 0;
    // In order: every call of a client that adds, removes, advises or unadvises, and each time
    // the last reference to a server or a group went ("server released", "group released").
    std::vector<QString> calls;

    // The update rate of every AddGroup, and the requested type of every item definition.
    std::vector<DWORD> RequestedRates() const;
    std::vector<VARTYPE> RequestedTypes() const;

    int ServersAlive() const { return static_cast<int>(servers_.size()); }

    // Only the server objects call these.
    void Attach(SampleServer* server) { servers_.push_back(server); }
    void Detach(SampleServer* server);

private:
    std::map<QString, SampleItemState> items_;
    std::vector<SampleServer*> servers_;
};

// The current UTC time as a file time.
std::uint64_t SampleFileTimeNow();

// The class of the sample server over the device, in the given categories.
ClassEntry SampleServerClass(const std::shared_ptr<SampleDevice>& device,
                             std::vector<CATID> categories = {CATID_OPCDAServer10,
                                                              CATID_OPCDAServer20},
                             const CLSID& clsid = SampleDevice::Clsid,
                             const QString& progId = SampleDevice::ProgID());
