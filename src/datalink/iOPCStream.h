#pragma once

#include "objsvc/OPCDA.h"

#include <QVariant>

#include <cstdint>
#include <vector>

// One item of a data-advise stream block, as the server wrote it.
struct TiOPCStreamItem
{
    OPCHANDLE clientHandle = 0;
    WORD quality = 0;
    QVariant value;
    // UTC file time; 0 in a block without time stamps.
    std::uint64_t timeStamp = 0;
};

// Reads an "OPCSTMFORMATDATA" (withTimeStamps false) or "OPCSTMFORMATDATATIME" block. The block
// is the server's and trusted in nothing: the bound is the smaller of its size and the size its
// header gives; nothing is read outside it. A block whose group header or announced item
// headers do not fit, or whose status is a failure, gives no item. Otherwise every item comes
// out, in block order, with its client handle, quality and time stamp. Its value is empty when
// it does not lie after the item headers and within the bound, or cannot be decoded there: a
// type without a decoder (VT_ERROR, VT_DECIMAL, arrays of strings or variants) or a string of
// odd length.
std::vector<TiOPCStreamItem> OPCReadStreamBlock(const std::uint8_t* block, std::size_t size,
                                                bool withTimeStamps);
