#pragma once

#include <QMetaProperty>
#include <QString>

#include <functional>
#include <vector>

class QObject;

// Objects reached through object-valued properties are walked up to this many levels below
// the walk's start.
constexpr int MaxObjectDepth = 8;

// The objects on the way from a walk's start to where it stands. An object reached by two
// properties is shared, not a loop, and is walked on each way to it; only an object already on
// the way (objects that refer to each other) or one more than MaxObjectDepth levels down is
// refused.
class ObjectPath
{
public:
    // False when the object is refused; otherwise it is on the way until Leave.
    bool Enter(const QObject* object);
    void Leave();

private:
    std::vector<const QObject*> objects_;
};

// The full name of a property reached with prefix: prefix "." name, or the bare name when the
// trimmed prefix is empty.
QString FullPropertyName(const QString& prefix, const QString& name);

// Visits root's published properties in declaration order over its class chain, taking only
// those that are stored and have a setter. An object-valued property is not visited itself:
// the object it refers to is walked in its place, with the property's full name as prefix.
// taken decides on each full name before anything else happens with it, so a name it refuses
// is neither visited nor descended into. Objects are followed as ObjectPath allows, so objects
// that refer to each other cannot loop; a widget that is neither an instrument component nor a
// TPopupMenu is not followed at all.
void WalkPublishedProperties(
    QObject* root, const QString& prefix, const std::function<bool(const QString&)>& taken,
    const std::function<void(QObject*, const QMetaProperty&, const QString&)>& visit);
