#include "datalink/iOPCItem.h"

#include "datalink/OPCError.h"
#include "datalink/iOPCClasses.h"
#include "datalink/iOPCFunctions.h"

#include <QMetaObject>

struct TiOPCItem::Connection
{
    ComPtr<IOPCServer> server;
    ComPtr<IOPCItemMgt> group;
    OPCHANDLE groupHandle = 0;
    OPCHANDLE itemHandle = 0;
    VARTYPE canonicalType = VT_EMPTY;
    ComPtr<TiOPCDataCallback> callback;
    DWORD callbackCookie = 0;
    ComPtr<TiOPCAdviseSink> sink;
    DWORD adviseConnection = 0;
    ComPtr<TiOPCShutdownCallback> shutdown;
    DWORD shutdownCookie = 0;

    // An object the item lets go of must not call it any more.
    template <typename T> static void drop(ComPtr<T>& notifier)
    {
        if (notifier)
            notifier->Unbind();
        notifier.reset();
    }

    // The notifications of the group, and the item, as far as they exist.
    void leaveGroup()
    {
        if (adviseConnection)
            OPCUnadviseStream(group.get(), adviseConnection);
        adviseConnection = 0;
        drop(sink);
        if (callbackCookie)
            OPCUnadviseCallback(group.get(), callbackCookie);
        callbackCookie = 0;
        drop(callback);
        if (itemHandle)
            OPCRemoveItem(group.get(), itemHandle);
        itemHandle = 0;
    }
};

TiOPCItem::TiOPCItem() : connection_(std::make_unique<Connection>())
{
    // Process-wide; only the first call of the process takes effect.
    OPCInitializeSecurity();
}

TiOPCItem::~TiOPCItem()
{
    try {
        Disconnect();
    } catch (...) {
        // Destruction swallows every error of the server.
    }
}

void TiOPCItem::SetPropertyName(const QString& value)
{
    propertyName_ = value;
}

void TiOPCItem::SetComputerName(const QString& value)
{
    computerName_ = value;
    reconnectIfLinked();
}

void TiOPCItem::SetServerName(const QString& value)
{
    serverName_ = value;
    reconnectIfLinked();
}

void TiOPCItem::SetItemName(const QString& value)
{
    itemName_ = value;
    reconnectIfLinked();
}

void TiOPCItem::SetUpdateRate(int value)
{
    updateRate_ = value;
    reconnectIfLinked();
}

void TiOPCItem::SetAutoConnect(bool value)
{
    autoConnect_ = value;
    reconnectIfLinked();
}

void TiOPCItem::SetAutoError(bool value)
{
    if (value == autoError_)
        return;
    autoError_ = value;
    if (autoError_)
        UpdateError();
}

void TiOPCItem::reconnectIfLinked()
{
    if (linked_)
        Connect();
}

void TiOPCItem::Connect()
{
    if (autoError_)
        UpdateError();
    if (connection_->server)
        Disconnect();
    if (propertyName_.trimmed().isEmpty() || serverName_.trimmed().isEmpty() ||
        itemName_.trimmed().isEmpty())
        return;
    linked_ = true;
    QString computer = computerName_.trimmed();
    if (computer.toUpper() == QLatin1String("LOCAL"))
        computer.clear();
    try {
        connectLinked(computer);
    } catch (...) {
        Disconnect();
        throw;
    }
}

void TiOPCItem::connectLinked(const QString&)
{
    throw OPCError(QStringLiteral("Failed to Connect to Server"));
}

void TiOPCItem::Disconnect()
{
    linked_ = false;
    connection_.reset();
}

void TiOPCItem::ServerShutdown() {}

void TiOPCItem::NewData(const QVariant& value, quint16 quality, double timeStamp)
{
    if (!linked_)
        return;
    value_ = value;
    quality_ = quality;
    timeStamp_ = timeStamp;
    if (autoError_)
        UpdateError();
    if (manager_ && manager_->NewDataHandler)
        manager_->NewDataHandler(this);
}

void TiOPCItem::WriteValue(const QVariant& value)
{
    if (!linked_)
        return;
    const Connection& link = *connection_;
    if (!link.server)
        throw OPCError(QStringLiteral("Data Write Failure - Not Connected to Server"));
    if (!link.group)
        throw OPCError(QStringLiteral("Data Write Failure - Not Connected to Group"));
    if (!link.itemHandle)
        throw OPCError(QStringLiteral("Data Write Failure - Not Connected to Item"));
    if (FAILED(OPCWriteItem(link.group.get(), link.itemHandle, value)))
        throw OPCError(QStringLiteral("Data Write Failure"));
}

void TiOPCItem::UpdateError()
{
    QObject* owner = manager_ ? manager_->Owner() : nullptr;
    // The component layer sits above the link, so it is reached by name, not by type.
    if (!owner || !owner->inherits("TiVCLComponent"))
        return;
    const bool error = !linked_ || !GoodQuality();
    QMetaObject::invokeMethod(owner, "SetErrorActive", Qt::DirectConnection, Q_ARG(bool, error));
}

void TiOPCItem::AfterLoad()
{
    try {
        if (autoError_)
            UpdateError();
        const bool designing = manager_ && manager_->IsDesigning && manager_->IsDesigning();
        if (autoConnect_ && !designing)
            Connect();
    } catch (...) {
        // A layout loads whatever its servers do; the item simply stays unlinked.
    }
}

TiOPCItemManager::TiOPCItemManager(QObject* owner) : QObject(owner) {}

TiOPCItemManager::~TiOPCItemManager()
{
    Clear();
}

TiOPCItem* TiOPCItemManager::Items(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return items_[static_cast<size_t>(index)].get();
}

int TiOPCItemManager::IndexOf(const TiOPCItem* item) const
{
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].get() == item)
            return static_cast<int>(i);
    }
    return -1;
}

void TiOPCItemManager::Clear()
{
    // Moved out first: an item disconnecting must not see a half-emptied list.
    std::vector<std::unique_ptr<TiOPCItem>> items;
    items.swap(items_);
    items.clear();
}

void TiOPCItemManager::Add(TiOPCItem* item)
{
    if (!item || IndexOf(item) >= 0)
        return;
    item->manager_ = this;
    items_.emplace_back(item);
}
