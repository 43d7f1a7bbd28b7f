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

namespace {

// The program registers the formats when it starts, not when a server first sends a stream.
[[maybe_unused]] const TiOPCStreamFormats& registeredAtStart = OPCStreamFormats();

} // namespace
