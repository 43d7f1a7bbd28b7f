#include "datalink/iOPCItem.h"

#include "datalink/OPCError.h"

#include <QJsonObject>
#include <QMetaProperty>

#include <cmath>
#include <limits>

namespace {

// A stored value counts only when its JSON type is the property's type: a layout is read from
// outside, and a silently converted value would connect somewhere else than was saved.
bool storedValue(const QMetaProperty& property, const QJsonValue& stored, QVariant& value)
{
    switch (property.typeId()) {
    case QMetaType::QString:
        if (!stored.isString())
            return false;
        value = stored.toString();
        return true;
    case QMetaType::Bool:
        if (!stored.isBool())
            return false;
        value = stored.toBool();
        return true;
    case QMetaType::Int: {
        const double number = stored.toDouble(std::nan(""));
        if (!stored.isDouble() || std::trunc(number) != number ||
            number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max())
            return false;
        value = static_cast<int>(number);
        return true;
    }
    default:
        return false;
    }
}

void readProperties(TiOPCItem& item, const QJsonObject& stored)
{
    const QMetaObject* meta = item.metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        const QString name = QString::fromLatin1(property.name());
        if (!stored.contains(name))
            continue;
        QVariant value;
        if (!storedValue(property, stored.value(name), value))
            throw OPCError(QStringLiteral("Invalid property value: ") + name);
        property.write(&item, value);
    }
}

} // namespace

QJsonArray TiOPCItemManager::WriteItems() const
{
    QJsonArray stream;
    for (const auto& item : items_) {
        QJsonObject stored;
        const QMetaObject* meta = item->metaObject();
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
            const QMetaProperty property = meta->property(i);
            stored.insert(QString::fromLatin1(property.name()),
                          QJsonValue::fromVariant(property.read(item.get())));
        }
        stream.append(stored);
    }
    return stream;
}

void TiOPCItemManager::ReadItems(const QJsonArray& stream)
{
    Clear();
    for (const QJsonValue& element : stream) {
        if (!element.isObject())
            throw OPCError(QStringLiteral("Invalid OPCItems element"));
        auto* item = new TiOPCItem;
        Add(item);
        readProperties(*item, element.toObject());
        item->AfterLoad();
    }
}
