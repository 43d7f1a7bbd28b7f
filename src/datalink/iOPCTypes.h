#pragma once

#include "objsvc/ClipboardFormat.h"

// The three stream formats of OPC Data Access 1.0 data advise, registered once by name.
struct TiOPCStreamFormats
{
    CLIPFORMAT data;
    CLIPFORMAT dataTime;
    CLIPFORMAT writeComplete;
};

// Registered when the program starts.
const TiOPCStreamFormats& OPCStreamFormats();
