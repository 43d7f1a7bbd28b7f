#pragma once

#include <QString>

#include <cstdint>

using CLIPFORMAT = std::uint16_t;

// A process-wide identifier for a format name: the same name (in any case) always gives the
// same identifier, from 0xC000 upwards; 0 for an empty name and once the range is used up.
CLIPFORMAT RegisterClipboardFormat(const QString& name);
