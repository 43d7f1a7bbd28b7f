#include "objsvc/ClipboardFormat.h"

#include <QHash>

CLIPFORMAT RegisterClipboardFormat(const QString& name)
{
    static QHash<QString, CLIPFORMAT> formats;
    if (name.isEmpty())
        return 0;
    const QString key = name.toCaseFolded();
    const auto found = formats.constFind(key);
    if (found != formats.constEnd())
        return *found;
    if (formats.size() >= 0x4000)
        return 0;
    const auto format = static_cast<CLIPFORMAT>(0xC000 + formats.size());
    formats.insert(key, format);
    return format;
}
