#pragma once

#include "objsvc/ComTypes.h"

#include <QString>

// The system's message for a result code; a code without one reads "OLE error XXXXXXXX".
QString ResultMessage(HRESULT result);
