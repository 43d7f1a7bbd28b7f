#pragma once

#include "objsvc/ClassRegistry.h"
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

    // What the clients did.
    int groupsAdded = 0;
    int groupsRemoved = 0;
    int itemsAdded = 0;
    int itemsRemoved = 0;
    std::vector<DWORD> requestedRates;
    std::vector<VARTYPE> requestedTypes;
    std::vector<SampleWrite> writes;
    int streamAdvises = 0;
    int callbackAdvises = 0;
    // In order: every call of a client that adds, removes, advises or unadvises, and each time
    // the last reference to a server or a group went ("server released", "group released").
    std::vector<QString> calls;

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
