#include "services/VariantConversion.h"

#include <QDateTime>
#include <QVariantList>

#include <cmath>
#include <limits>

namespace {

int metaTypeOf(VARTYPE type)
{
    switch (type) {
    case VT_I1:
        return QMetaType::SChar;
    case VT_UI1:
        return QMetaType::UChar;
    case VT_I2:
        return QMetaType::Short;
    case VT_UI2:
        return QMetaType::UShort;
    case VT_I4:
    case VT_INT:
        return QMetaType::Int;
    case VT_UI4:
    case VT_UINT:
        return QMetaType::UInt;
    case VT_I8:
        return QMetaType::LongLong;
    case VT_UI8:
        return QMetaType::ULongLong;
    case VT_R4:
        return QMetaType::Float;
    case VT_R8:
    case VT_CY:
        return QMetaType::Double;
    case VT_DATE:
        return QMetaType::QDateTime;
    case VT_BSTR:
        return QMetaType::QString;
    case VT_BOOL:
        return QMetaType::Bool;
    default:
        return QMetaType::UnknownType;
    }
}

template <typename T> bool toInteger(const QVariant& value, QVariant& result)
{
    bool ok = false;
    const double number = std::nearbyint(value.toDouble(&ok));
    // Through double the 64-bit extremes are not exact; they take the integer path below.
    if (!ok || number < static_cast<double>(std::numeric_limits<T>::min()) ||
        number > static_cast<double>(std::numeric_limits<T>::max()))
        return false;
    result = QVariant::fromValue(static_cast<T>(number));
    return true;
}

bool toLongLong(const QVariant& value, QVariant& result)
{
    bool ok = false;
    const qlonglong whole = value.toLongLong(&ok);
    if (ok && value.typeId() != QMetaType::Double && value.typeId() != QMetaType::Float) {
        result = whole;
        return true;
    }
    const double number = std::nearbyint(value.toDouble(&ok));
    if (!ok || !(number >= -0x1p63 && number < 0x1p63))
        return false;
    result = static_cast<qlonglong>(number);
    return true;
}

bool toULongLong(const QVariant& value, QVariant& result)
{
    bool ok = false;
    const qulonglong whole = value.toULongLong(&ok);
    if (ok && value.typeId() != QMetaType::Double && value.typeId() != QMetaType::Float) {
        result = whole;
        return true;
    }
    const double number = std::nearbyint(value.toDouble(&ok));
    if (!ok || !(number >= 0 && number < 0x1p64))
        return false;
    result = static_cast<qulonglong>(number);
    return true;
}

bool convertScalar(const QVariant& value, VARTYPE type, QVariant& result)
{
    switch (type) {
    case VT_I1:
        return toInteger<signed char>(value, result);
    case VT_UI1:
        return toInteger<uchar>(value, result);
    case VT_I2:
        return toInteger<short>(value, result);
    case VT_UI2:
        return toInteger<ushort>(value, result);
    case VT_I4:
    case VT_INT:
        return toInteger<int>(value, result);
    case VT_UI4:
    case VT_UINT:
        return toInteger<uint>(value, result);
    case VT_I8:
        return toLongLong(value, result);
    case VT_UI8:
        return toULongLong(value, result);
    default: {
        const int id = metaTypeOf(type);
        if (id == QMetaType::UnknownType)
            return false;
        result = value;
        return result.convert(QMetaType(id));
    }
    }
}

} // namespace

VARTYPE VariantType(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return VT_EMPTY;
    case QMetaType::SChar:
    case QMetaType::Char:
        return VT_I1;
    case QMetaType::UChar:
        return VT_UI1;
    case QMetaType::Short:
        return VT_I2;
    case QMetaType::UShort:
        return VT_UI2;
    case QMetaType::Int:
        return VT_I4;
    case QMetaType::UInt:
        return VT_UI4;
    case QMetaType::LongLong:
        return VT_I8;
    case QMetaType::ULongLong:
        return VT_UI8;
    case QMetaType::Float:
        return VT_R4;
    case QMetaType::Double:
        return VT_R8;
    case QMetaType::QDateTime:
        return VT_DATE;
    case QMetaType::QString:
        return VT_BSTR;
    case QMetaType::Bool:
        return VT_BOOL;
    case QMetaType::QVariantList:
        return VT_ARRAY | VT_VARIANT;
    default:
        return VT_VARIANT;
    }
}

HRESULT VariantChangeType(QVariant& value, VARTYPE type)
{
    if (type == VT_EMPTY || type == VT_VARIANT)
        return S_OK;
    QVariant result;
    if (type & VT_ARRAY) {
        if (value.typeId() != QMetaType::QVariantList)
            return DISP_E_TYPEMISMATCH;
        const VARTYPE element = type & ~VT_ARRAY;
        QVariantList converted;
        for (const QVariant& entry : value.toList()) {
            QVariant one = entry;
            if (FAILED(VariantChangeType(one, element)))
                return DISP_E_TYPEMISMATCH;
            converted.append(one);
        }
        value = converted;
        return S_OK;
    }
    if (!convertScalar(value, type, result))
        return DISP_E_TYPEMISMATCH;
    value = result;
    return S_OK;
}
