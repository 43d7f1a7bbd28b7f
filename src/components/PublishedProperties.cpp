#include "components/PublishedProperties.h"

#include "components/TPopupMenu.h"
#include "components/TiComponent.h"

#include <QByteArray>
#include <QMetaClassInfo>

#include <set>

std::vector<QMetaProperty> PublishedProperties(const QMetaObject& metaObject)
{
    int first = 0;
    for (const QMetaObject* root :
         {&TiComponent::staticMetaObject, &TPopupMenu::staticMetaObject}) {
        if (metaObject.inherits(root))
            first = root->propertyOffset();
    }
    std::vector<QMetaProperty> properties;
    std::set<QByteArray> seen;
    for (int i = first; i < metaObject.propertyCount(); ++i) {
        const QByteArray name = metaObject.property(i).name();
        if (!seen.insert(name).second)
            continue;
        properties.push_back(metaObject.property(metaObject.indexOfProperty(name.constData())));
    }
    return properties;
}

std::optional<QString> PropertyDefault(const QMetaObject& metaObject, const char* propertyName)
{
    const QByteArray key = QByteArray("Default:") + propertyName;
    const int index = metaObject.indexOfClassInfo(key.constData());
    if (index < 0)
        return std::nullopt;
    return QString::fromLatin1(metaObject.classInfo(index).value());
}
