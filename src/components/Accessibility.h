#pragma once

#include <QAccessible>
#include <QObject>

// Presents every widget of class W to assistive technology through the interface I, which is
// made from a W*. Installed once; a widget class calls it when a widget is created, before
// anything asks for the widget's interface.
template <typename W, typename I> void InstallAccessibleInterface()
{
    static const bool installed = [] {
        QAccessible::installFactory(
            [](const QString& className, QObject* object) -> QAccessibleInterface* {
                if (className != QLatin1String(W::staticMetaObject.className()))
                    return nullptr;
                auto* widget = qobject_cast<W*>(object);
                return widget ? new I(widget) : nullptr;
            });
        return true;
    }();
    Q_UNUSED(installed);
}

// Tells assistive technology that the object's checked state changed.
inline void NotifyCheckedChange(QObject* object)
{
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(object, changed);
    QAccessible::updateAccessibility(&event);
}
