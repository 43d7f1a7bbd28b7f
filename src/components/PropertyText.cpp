#include "components/PropertyText.h"

#include <QLocale>
#include <QMetaEnum>
#include <QObject>

#include <limits>
#include <stdexcept>
#include <type_traits>

namespace {

[[noreturn]] void NotValid(const QString& text, const QString& what)
{
    throw std::invalid_argument(
        QStringLiteral("'%1' is not a valid %2 value").arg(text, what).toStdString());
}

template <typename T> QVariant Integer(const QString& text)
{
    bool ok = false;
    if constexpr (std::is_signed_v<T>) {
        const qlonglong n = text.toLongLong(&ok, 10);
        if (!ok || n < std::numeric_limits<T>::min() || n > std::numeric_limits<T>::max())
            NotValid(text, QStringLiteral("integer"));
        return QVariant::fromValue(T(n));
    } else {
        // toULongLong would take "-1" as its two's complement.
        const qulonglong n = text.startsWith(QLatin1Char('-')) ? 0 : text.toULongLong(&ok, 10);
        if (!ok || n > std::numeric_limits<T>::max())
            NotValid(text, QStringLiteral("integer"));
        return QVariant::fromValue(T(n));
    }
}

QLocale FileLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

bool IsInteger(int typeId)
{
    switch (typeId) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool IsUnsigned64(int typeId)
{
    return typeId == QMetaType::ULongLong || typeId == QMetaType::ULong;
}

QVariant IntegerFromText(int typeId, const QString& text)
{
    switch (typeId) {
    case QMetaType::UInt:
        return Integer<uint>(text);
    case QMetaType::Long:
        return Integer<long>(text);
    case QMetaType::ULong:
        return Integer<ulong>(text);
    case QMetaType::LongLong:
        return Integer<qlonglong>(text);
    case QMetaType::ULongLong:
        return Integer<qulonglong>(text);
    case QMetaType::Short:
        return Integer<short>(text);
    case QMetaType::UShort:
        return Integer<ushort>(text);
    case QMetaType::Char:
        return Integer<char>(text);
    case QMetaType::SChar:
        return Integer<signed char>(text);
    case QMetaType::UChar:
        return Integer<uchar>(text);
    default:
        return Integer<int>(text);
    }
}

// Only the enumeration's own values: anything else would be an invalid value of its type.
QVariant EnumerationFromText(const QMetaProperty& property, const QString& text)
{
    const int n = Integer<int>(text).toInt();
    if (property.metaType().id() == QMetaType::Bool) {
        if (n != 0 && n != 1)
            NotValid(text, QStringLiteral("Boolean"));
        return QVariant(n == 1);
    }
    const QMetaEnum enumerator = property.enumerator();
    if (!enumerator.valueToKey(n))
        NotValid(text, QString::fromLatin1(enumerator.name()));
    return QVariant(n);
}

} // namespace

PropertyKind KindOf(const QMetaProperty& property)
{
    const QMetaType type = property.metaType();
    const int typeId = type.id();
    if (property.isEnumType() || typeId == QMetaType::Bool || typeId == QMetaType::QChar ||
        IsInteger(typeId))
        return PropertyKind::Ordinal;
    if (typeId == QMetaType::Double || typeId == QMetaType::Float)
        return PropertyKind::Floating;
    if (typeId == QMetaType::QString)
        return PropertyKind::String;
    if (type.flags() & QMetaType::PointerToQObject)
        return PropertyKind::Object;
    return PropertyKind::Other;
}

bool IsEnumeration(const QMetaProperty& property)
{
    return (property.isEnumType() && !property.isFlagType()) ||
           property.metaType().id() == QMetaType::Bool;
}

QString ValueText(const QMetaProperty& property, const QObject* object)
{
    const QVariant value = property.read(object);
    const int typeId = property.metaType().id();
    switch (KindOf(property)) {
    case PropertyKind::Ordinal:
        if (typeId == QMetaType::Bool)
            return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        if (typeId == QMetaType::QChar)
            return QString::number(value.value<QChar>().unicode());
        if (IsUnsigned64(typeId))
            return QString::number(value.toULongLong());
        return QString::number(value.toLongLong());
    case PropertyKind::Floating:
        return FileLocale().toString(value.toDouble(), 'g', 15);
    case PropertyKind::String:
        return value.toString();
    case PropertyKind::Object:
    case PropertyKind::Other:
        break;
    }
    return QString();
}

QVariant ValueFromText(const QMetaProperty& property, const QString& text)
{
    const int typeId = property.metaType().id();
    switch (KindOf(property)) {
    case PropertyKind::Ordinal:
        if (IsEnumeration(property))
            return EnumerationFromText(property, text);
        if (property.isFlagType())
            return Integer<int>(text);
        if (typeId == QMetaType::QChar)
            return QVariant::fromValue(QChar(Integer<ushort>(text).value<ushort>()));
        return IntegerFromText(typeId, text);
    case PropertyKind::Floating: {
        bool ok = false;
        const double number = FileLocale().toDouble(text, &ok);
        if (!ok)
            NotValid(text, QStringLiteral("floating point"));
        return number;
    }
    case PropertyKind::String:
        return text;
    case PropertyKind::Object:
    case PropertyKind::Other:
        break;
    }
    return QVariant();
}
