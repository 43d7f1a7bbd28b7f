#include "datalink/iOPCTypes.h"

#include <QString>

const TiOPCStreamFormats& OPCStreamFormats()
{
    static const TiOPCStreamFormats formats{
        RegisterClipboardFormat(QStringLiteral("OPCSTMFORMATDATA")),
        RegisterClipboardFormat(QStringLiteral("OPCSTMFORMATDATATIME")),
        RegisterClipboardFormat(QStringLiteral("OPCSTMFORMATWRITECOMPLETE")),
    };
    return formats;
}
