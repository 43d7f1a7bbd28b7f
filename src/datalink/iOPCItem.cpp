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
        notifier.Reset();
    }

    // The notifications of the group, and the item, as far as they exist.
    void leaveGroup()
    {
        if (adviseConnection)
            OPCUnadviseStream(group.Get(), adviseConnection);
        adviseConnection = 0;
        drop(sink);
        if (callbackCookie)
            OPCUnadviseCallback(group.Get(), callbackCookie);
        callbackCookie = 0;
        drop(callback);
        if (itemHandle)
            OPCRemoveItem(group.Get(), itemHandle);
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

void TiOPCItem::connectLinked(const QString& computer)
{
    Connection& link = *connection_;
    try {
        link.server = OPCCreateServer(computer, serverName_);
    } catch (const std::exception& error) {
        throw OPCError(QStringLiteral("Exception : Failed to Connect to Server - ") +
                       QString::fromUtf8(error.what()));
    }
    if (!link.server)
        throw OPCError(QStringLiteral("Failed to Connect to Server"));

    link.shutdown = MakeComObject<TiOPCShutdownCallback>();
    link.shutdown->Bind([this] { ServerShutdown(); });
    OPCAdviseShutdown(link.server.Get(), link.shutdown.Get(), link.shutdownCookie);

    if (FAILED(OPCAddGroup(link.server.Get(), QString(), true, updateRate_, link.groupHandle,
                           link.group)))
        throw OPCError(QStringLiteral("Failed to Add Group"));

    VARTYPE requestedType = VT_EMPTY;
    if (manager_ && manager_->OPCDataType)
        requestedType = manager_->OPCDataType(propertyName_);
    if (FAILED(OPCAddItem(link.group.Get(), itemName_, 0, requestedType, link.itemHandle,
                          link.canonicalType)))
        throw OPCError(QStringLiteral("Failed to Add Item"));

    link.callback = MakeComObject<TiOPCDataCallback>();
    TiOPCDataCallback* callback = link.callback.Get();
    callback->Bind([this, callback] {
        NewData(callback->Value(), callback->Quality(), callback->TimeStamp());
    });
    OPCAdviseCallback(link.group.Get(), callback, link.callbackCookie);
    if (link.callbackCookie)
        return;
    // A Data Access 1.0 server: the stream advise instead.
    Connection::drop(link.callback);
    link.sink = MakeComObject<TiOPCAdviseSink>();
    TiOPCAdviseSink* sink = link.sink.Get();
    sink->Bind([this, sink] { NewData(sink->Value(), sink->Quality(), sink->TimeStamp()); });
    OPCAdviseStream(link.group.Get(), sink, link.adviseConnection);
}

void TiOPCItem::Disconnect()
{
    linked_ = false;
    Connection& link = *connection_;
    link.leaveGroup();
    if (link.server) {
        if (link.shutdownCookie)
            OPCUnadviseShutdown(link.server.Get(), link.shutdownCookie);
        link.shutdownCookie = 0;
        Connection::drop(link.shutdown);
        if (link.groupHandle)
            OPCRemoveGroup(link.server.Get(), link.groupHandle);
        link.groupHandle = 0;
    }
    // The group goes before the server that made it.
    link.group.Reset();
    link.server.Reset();
}

void TiOPCItem::ServerShutdown()
{
    Connection& link = *connection_;
    if (link.group)
        link.leaveGroup();
    link.adviseConnection = 0;
    link.callbackCookie = 0;
    link.itemHandle = 0;
    link.shutdownCookie = 0;
    link.groupHandle = 0;
    Connection::drop(link.sink);
    Connection::drop(link.callback);
    Connection::drop(link.shutdown);
    link.group.Reset();
}

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
    if (FAILED(OPCWriteItem(link.group.Get(), link.itemHandle, value)))
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
