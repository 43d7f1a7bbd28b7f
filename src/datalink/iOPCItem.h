#pragma once

#include <QJsonArray>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class TiOPCItemManager;

// One link between a property of a windowed instrument component and an item of an OPC Data
// Access server. The published properties are what a stored layout holds; the rest is run-time
// state. Every method runs on the UI thread.
class TiOPCItem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString PropertyName READ PropertyName WRITE SetPropertyName)
    Q_PROPERTY(QString ComputerName READ ComputerName WRITE SetComputerName)
    Q_PROPERTY(QString ServerName READ ServerName WRITE SetServerName)
    Q_PROPERTY(QString ItemName READ ItemName WRITE SetItemName)
    Q_PROPERTY(int UpdateRate READ UpdateRate WRITE SetUpdateRate)
    Q_PROPERTY(bool AutoConnect READ AutoConnect WRITE SetAutoConnect)
    Q_PROPERTY(bool AutoError READ AutoError WRITE SetAutoError)

public:
    TiOPCItem();
    ~TiOPCItem() override;

    QString PropertyName() const { return propertyName_; }
    QString ComputerName() const { return computerName_; }
    QString ServerName() const { return serverName_; }
    QString ItemName() const { return itemName_; }
    int UpdateRate() const { return updateRate_; }
    bool AutoConnect() const { return autoConnect_; }
    bool AutoError() const { return autoError_; }

    // Only PropertyName is stored without more; the connection setters reconnect a linked item
    // whatever the new value, and may raise the errors of Connect.
    void SetPropertyName(const QString& value);
    void SetComputerName(const QString& value);
    void SetServerName(const QString& value);
    void SetItemName(const QString& value);
    void SetUpdateRate(int value);
    void SetAutoConnect(bool value);
    void SetAutoError(bool value);

    QVariant Value() const { return value_; }
    // Local time in days since 1899-12-30; 0 when the server gave none.
    double TimeStamp() const { return timeStamp_; }
    quint16 Quality() const { return quality_; }
    bool GoodQuality() const { return (quality_ & 0xC0) == 0xC0; }
    bool Linked() const { return linked_; }
    TiOPCItemManager* Manager() const { return manager_; }

    // Raises OPCError; on any failure the item is left unlinked.
    void Connect();
    void Disconnect();
    // The server asks its clients to let go: the item keeps its server and its last value.
    void ServerShutdown();
    // A notification delivered a value; dropped unless linked.
    void NewData(const QVariant& value, quint16 quality, double timeStamp);
    // Raises OPCError when linked but unable to write; does nothing when unlinked.
    virtual void WriteValue(const QVariant& value);
    void UpdateError();
    // Errors are swallowed: a failed connection leaves the item unlinked.
    void AfterLoad();

private:
    friend class TiOPCItemManager;
    struct Connection;

    void reconnectIfLinked();
    void connectLinked(const QString& computer);

    QString propertyName_;
    QString computerName_ = QStringLiteral("Local");
    QString serverName_;
    QString itemName_;
    int updateRate_ = 500;
    bool autoConnect_ = true;
    bool autoError_ = false;

    bool linked_ = false;
    QVariant value_;
    double timeStamp_ = 0;
    quint16 quality_ = 0;
    TiOPCItemManager* manager_ = nullptr;
    std::unique_ptr<Connection> connection_;
};

// The items of one component, in load order: an item's position is its index. The component
// binds the three callbacks when it creates the manager.
class TiOPCItemManager : public QObject
{
    Q_OBJECT

public:
    explicit TiOPCItemManager(QObject* owner);
    ~TiOPCItemManager() override;

    int Count() const { return static_cast<int>(items_.size()); }
    // Null for an index out of range.
    TiOPCItem* Items(int index) const;
    int IndexOf(const TiOPCItem* item) const;
    bool HasItems() const { return !items_.empty(); }
    // Frees every item; each disconnects on the way.
    void Clear();
    // Makes this manager the item's manager and takes it over.
    void Add(TiOPCItem* item);

    QObject* Owner() const { return parent(); }

    // The "OPCItems" stream: one object per item, its published properties by name.
    QJsonArray WriteItems() const;
    // Clears, then creates, appends, reads and AfterLoads each element in order. An element that
    // is not an object, or a property whose value has the wrong type, raises OPCError.
    void ReadItems(const QJsonArray& items);

    std::function<bool()> IsDesigning;
    std::function<void(TiOPCItem*)> NewDataHandler;
    std::function<quint16(const QString&)> OPCDataType;

private:
    std::vector<std::unique_ptr<TiOPCItem>> items_;
};
