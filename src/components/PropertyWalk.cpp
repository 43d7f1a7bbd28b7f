#include "components/PropertyWalk.h"

#include "components/PropertyText.h"
#include "components/PublishedProperties.h"
#include "components/TPopupMenu.h"
#include "components/TiComponent.h"

#include <QObject>

#include <algorithm>

namespace {

// Of a widget other than the library's own (a plain QMenu as pop-up menu) only Qt's widget
// state could be walked: its visibility, title and geometry are no settings of the component.
bool keepsProperties(const QObject& object)
{
    return !object.isWidgetType() || qobject_cast<const TiComponent*>(&object) ||
           qobject_cast<const TPopupMenu*>(&object);
}

struct Walk
{
    const std::function<bool(const QString&)>& taken;
    const std::function<void(QObject*, const QMetaProperty&, const QString&)>& visit;
    ObjectPath path;

    void Object(QObject* object, const QString& prefix)
    {
        if (!path.Enter(object))
            return;
        for (const QMetaProperty& property : PublishedProperties(*object->metaObject())) {
            if (!property.isStored() || !property.isWritable())
                continue;
            const QString fullName = FullPropertyName(prefix, QString::fromLatin1(property.name()));
            if (!taken(fullName))
                continue;
            if (KindOf(property) != PropertyKind::Object) {
                visit(object, property, fullName);
                continue;
            }
            QObject* referred = property.read(object).value<QObject*>();
            if (referred && keepsProperties(*referred))
                Object(referred, fullName);
        }
        path.Leave();
    }
};

} // namespace

bool ObjectPath::Enter(const QObject* object)
{
    if (objects_.size() > std::size_t(MaxObjectDepth) ||
        std::find(objects_.begin(), objects_.end(), object) != objects_.end())
        return false;
    objects_.push_back(object);
    return true;
}

void ObjectPath::Leave()
{
    objects_.pop_back();
}

QString FullPropertyName(const QString& prefix, const QString& name)
{
    return prefix.trimmed().isEmpty() ? name : prefix + QLatin1Char('.') + name;
}

void WalkPublishedProperties(
    QObject* root, const QString& prefix, const std::function<bool(const QString&)>& taken,
    const std::function<void(QObject*, const QMetaProperty&, const QString&)>& visit)
{
    if (!root)
        return;
    Walk walk{taken, visit, {}};
    walk.Object(root, prefix);
}
