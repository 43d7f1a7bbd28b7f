#include "components/ComponentLayout.h"

#include <stdexcept>

#include <QJsonArray>
#include <QMetaProperty>
#include <QScopeGuard>

#include "components/PropertyText.h"
#include "components/PropertyWalk.h"
#include "components/PublishedProperties.h"
#include "components/TiVCLComponent.h"
#include "datalink/iOPCItem.h"

namespace {

const QString OPCItemsKey = QStringLiteral("OPCItems");

} // namespace

QJsonObject WriteComponentLayout(TiVCLComponent& component)
{
    QJsonObject layout;
    WalkPublishedProperties(
        &component, QString(), [](const QString&) { return true; },
        [&layout](QObject* object, const QMetaProperty& property, const QString& fullName) {
            if (KindOf(property) == PropertyKind::Other)
                return;
            const QString value = ValueText(property, object);
            // A new component has its defaults already: a layout holds what differs.
            if (value != PropertyDefault(*object->metaObject(), property.name()))
                layout.insert(fullName, value);
        });
    TiOPCItemManager* items = component.OPCItemManager();
    if (items->HasItems())
        layout.insert(OPCItemsKey, items->WriteItems());
    return layout;
}

void ReadComponentLayout(TiVCLComponent& component, const QJsonObject& layout)
{
    component.BeginLoad();
    component.BeginUpdate();
    // Loading state and update lock end however the read ends.
    const auto loaded = qScopeGuard([&component] {
        component.EndUpdate();
        component.EndLoad();
    });
    WalkPublishedProperties(
        &component, QString(), [](const QString&) { return true; },
        [&layout](QObject* object, const QMetaProperty& property, const QString& fullName) {
            const QJsonValue value = layout.value(fullName);
            if (KindOf(property) == PropertyKind::Other || !value.isString())
                return;
            property.write(object, ValueFromText(property, value.toString()));
        });
    if (!layout.contains(OPCItemsKey))
        return;
    const QJsonValue items = layout.value(OPCItemsKey);
    if (!items.isArray())
        throw std::invalid_argument("\"OPCItems\" is not a list of items");
    component.OPCItemManager()->ReadItems(items.toArray());
}
