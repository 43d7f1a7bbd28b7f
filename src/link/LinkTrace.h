#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include <QString>

#include "link/IndicatorLookup.h"
#include "link/ReplyAssembler.h"

// What the line trace says about the reassembly's decisions.

// "reply applied for board 12: status 05", "lone burst of 22 bytes applied as a reply for board
// 5: status 00", "reply for board 22 ignored: no such board", "lone burst of 23 bytes ignored:
// command 13". Whether a board is applied is the dispatch's rule: status command, an address
// with indicators.
QString ReplyTraceText(std::span<const std::uint8_t> reply, ReplyForm form,
                       const IndicatorLookup& indicators);

// "dropped 3 bytes: noise around the replies", ...
QString DropTraceText(std::size_t count, DropReason why);
