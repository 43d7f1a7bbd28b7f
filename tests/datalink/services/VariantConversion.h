#pragma once

#include "objsvc/Variant.h"

// Variant type conversion, as a server converts an item's value to the type a client asked for.

constexpr HRESULT DISP_E_TYPEMISMATCH = ResultCode(0x80020005);

// The type a value has: the invalid value is VT_EMPTY, a list an array of variants, and a type
// without a counterpart VT_VARIANT.
VARTYPE VariantType(const QVariant& value);

// Converts the value to the type in place (VT_EMPTY leaves it as it is). A value that does not
// convert, or is out of the type's range, leaves it unchanged and gives the failure.
HRESULT VariantChangeType(QVariant& value, VARTYPE type);
