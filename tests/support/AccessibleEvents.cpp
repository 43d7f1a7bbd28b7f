// A static plugin of the program itself: the platform layer loads it as an accessibility bridge.
#define QT_STATICPLUGIN

#include "support/AccessibleEvents.h"

#include <QAccessibleBridge>
#include <QtPlugin>

namespace {
QList<AccessibleEventRecord>& records()
{
    static QList<AccessibleEventRecord> records;
    return records;
}

class RecordingBridge : public QAccessibleBridge
{
public:
    void setRootObject(QAccessibleInterface*) override {}
    void notifyAccessibilityUpdate(QAccessibleEvent* event) override
    {
        QAccessible::State changed;
        if (event->type() == QAccessible::StateChanged)
            changed = static_cast<QAccessibleStateChangeEvent*>(event)->changedStates();
        records().append({event->object(), event->type(), changed});
    }
};
} // namespace

class RecordingBridgePlugin : public QAccessibleBridgePlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QAccessibleBridgeFactoryInterface_iid FILE "AccessibleEvents.json")

public:
    // The platform layer keeps its bridges for the whole run and never deletes them.
    QAccessibleBridge* create(const QString&) override
    {
        static RecordingBridge bridge;
        return &bridge;
    }
};

Q_IMPORT_PLUGIN(RecordingBridgePlugin)

namespace AccessibleEvents {
void Clear()
{
    records().clear();
}

int CheckedChanges(const QObject* object)
{
    int count = 0;
    for (const AccessibleEventRecord& record : records()) {
        if (record.object == object && record.type == QAccessible::StateChanged &&
            record.changedStates.checked)
            ++count;
    }
    return count;
}
} // namespace AccessibleEvents

#include "AccessibleEvents.moc"
