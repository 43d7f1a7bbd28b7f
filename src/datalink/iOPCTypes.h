#pragma once

#include "objsvc/ClipboardFormat.h"

// The three stream formats of OPC Data Access 1.0 data advise, registered once by name.
struct TiOPCStreamFormats
{
    CLIPFORMAT Data;
    CLIPFORMAT DataTime;
    CLIPFORMAT WriteComplete;
};

// Registers them on the first call.
const TiOPCStreamFormats& OPCStreamFormats();
