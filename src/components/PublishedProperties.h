#pragma once

#include <QMetaProperty>
#include <QString>

#include <optional>
#include <vector>

// The published properties of a class in declaration order over its class chain. For an
// instrument component these start at TiComponent's own, for a pop-up menu at TPopupMenu's
// (Qt's lower-case widget properties are not published); a property that a descendant
// declares again keeps the position of its first declaration and takes the descendant's
// declaration. Other classes publish all their properties.
std::vector<QMetaProperty> PublishedProperties(const QMetaObject& metaObject);

// The default a class declares for a published property, in the text the writer gives its
// value (Booleans "0" and "1"); none when the property has no default and is always written.
std::optional<QString> PropertyDefault(const QMetaObject& metaObject, const char* propertyName);
