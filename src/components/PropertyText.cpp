#include "components/PropertyText.h"

#include <QLocale>
#include <QMetaEnum>
#include <QObject>

#include <limits>
#include <stdexcept>
#include <type_traits>

namespace {

[[noreturn]] void notValid(const QString& text, const QString& what)
{
    throw std::invalid_argument(
        QStringLiteral("'%1' is not a valid %2 value").arg(QuotedValue(text), what).toStdString());
}

template <typename T> QVariant parseInteger(const QString& text)
{
    bool ok = false;
    if constexpr (std::is_signed_v<T>) {
        const qlonglong n = text.toLongLong(&ok, 10);
        if (!ok || n < std::numeric_limits<T>::min() || n > std::numeric_limits<T>::max())
            notValid(text, QStringLiteral("integer"));
        return QVariant::fromValue(T(n));
    } else {
        // toULongLong would take "-1" as its two's complement.
        const qulonglong n = text.startsWith(QLatin1Char('-')) ? 0 : text.toULongLong(&ok, 10);
        if (!ok || n > std::numeric_limits<T>::max())
            notValid(text, QStringLiteral("integer"));
        return QVariant::fromValue(T(n));
    }
}

QLocale fileLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

bool isInteger(int typeId)
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

bool isUnsigned64(int typeId)
{
    return typeId == QMetaType::ULongLong || typeId == QMetaType::ULong;
}

QVariant integerFromText(int typeId, const QString& text)
{
    switch (typeId) {
    case QMetaType::UInt:
        return parseInteger<uint>(text);
    case QMetaType::Long:
        return parseInteger<long>(text);
    case QMetaType::ULong:
        return parseInteger<ulong>(text);
    case QMetaType::LongLong:
        return parseInteger<qlonglong>(text);
    case QMetaType::ULongLong:
        return parseInteger<qulonglong>(text);
    case QMetaType::Short:
        return parseInteger<short>(text);
    case QMetaType::UShort:
        return parseInteger<ushort>(text);
    case QMetaType::Char:
        return parseInteger<char>(text);
    case QMetaType::SChar:
        return parseInteger<signed char>(text);
    case QMetaType::UChar:
        return parseInteger<uchar>(text);
    default:
        return parseInteger<int>(text);
    }
}

// Only the enumeration's own values: anything else would be an invalid value of its type.
QVariant enumerationFromText(const QMetaProperty& property, const QString& text)
{
    const int n = parseInteger<int>(text).toInt();
    if (property.metaType().id() == QMetaType::Bool) {
        if (n != 0 && n != 1)
            notValid(text, QStringLiteral("Boolean"));
        return QVariant(n == 1);
    }
    const QMetaEnum enumerator = property.enumerator();
    if (!enumerator.valueToKey(n))
        notValid(text, QString::fromLatin1(enumerator.name()));
    return QVariant(n);
}

} // namespace

QString QuotedValue(const QString& text)
{
    if (text.size() <= MaxQuotedValueLength)
        return text;
    qsizetype end = MaxQuotedValueLength;
    if (text.at(end - 1).isHighSurrogate())
        --end;
    return text.left(end) + QStringLiteral("...");
}

PropertyKind KindOf(const QMetaProperty& property)
{
    const QMetaType type = property.metaType();
    const int typeId = type.id();
    if (property.isEnumType() || typeId == QMetaType::Bool || typeId == QMetaType::QChar ||
        isInteger(typeId))
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
        if (isUnsigned64(typeId))
            return QString::number(value.toULongLong());
        return QString::number(value.toLongLong());
    case PropertyKind::Floating:
        return fileLocale().toString(value.toDouble(), 'g', 15);
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
            return enumerationFromText(property, text);
        if (property.isFlagType())
            return parseInteger<int>(text);
        if (typeId == QMetaType::QChar)
            return QVariant::fromValue(QChar(parseInteger<ushort>(text).value<ushort>()));
        return integerFromText(typeId, text);
    case PropertyKind::Floating: {
        bool ok = false;
        const double number = fileLocale().toDouble(text, &ok);
        if (!ok)
            notValid(text, QStringLiteral("floating point"));
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
