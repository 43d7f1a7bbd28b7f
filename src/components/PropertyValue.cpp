#include "components/PropertyValue.h"

#include "components/PropertyText.h"
#include "components/PropertyWalk.h"
#include "components/PublishedProperties.h"

#include <QMetaEnum>
#include <QObject>

#include <algorithm>
#include <stdexcept>

namespace {

[[noreturn]] void notValid(const QString& text, const char* what)
{
    throw std::invalid_argument(QStringLiteral("'%1' is not a valid %2 value")
                                    .arg(QuotedValue(text), QLatin1String(what))
                                    .toStdString());
}

// The decimal text of a number, whatever its type: QVariant gives the character itself for
// the one-byte types a server's VT_I1 and VT_UI1 arrive as. Arrays have no text to apply.
QString valueText(const QVariant& value, const QString& wantedName)
{
    switch (value.metaType().id()) {
    case QMetaType::Char:
        return QString::number(int(value.value<char>()));
    case QMetaType::SChar:
        return QString::number(int(value.value<signed char>()));
    case QMetaType::UChar:
        return QString::number(uint(value.value<uchar>()));
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return QString::number(value.toULongLong());
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
    case QMetaType::QByteArrayList:
        throw std::invalid_argument(QStringLiteral("An array value cannot be assigned to '%1'")
                                        .arg(QuotedValue(wantedName))
                                        .toStdString());
    default:
        return value.toString();
    }
}

// Parses with the given member of QString, raising when the text is not a decimal integer.
template <typename T> QVariant parsed(const QString& text, T (QString::*parse)(bool*, int) const)
{
    bool ok = false;
    const T value = (text.*parse)(&ok, 10);
    if (!ok)
        notValid(text, "integer");
    return QVariant::fromValue(value);
}

bool rangesOverZeroToOne(const QMetaProperty& property)
{
    if (property.metaType().id() == QMetaType::Bool)
        return true;
    const QMetaEnum e = property.enumerator();
    if (e.keyCount() == 0)
        return false;
    int low = e.value(0);
    int high = low;
    for (int i = 1; i < e.keyCount(); ++i) {
        low = std::min(low, e.value(i));
        high = std::max(high, e.value(i));
    }
    return low == 0 && high == 1;
}

QVariant parseOrdinal(int typeId, const QString& text)
{
    switch (typeId) {
    case QMetaType::UInt:
        return parsed(text, &QString::toUInt);
    case QMetaType::LongLong:
        return parsed(text, &QString::toLongLong);
    case QMetaType::ULongLong:
        return parsed(text, &QString::toULongLong);
    default:
        return parsed(text, &QString::toInt);
    }
}

// Empty when the property is of a kind that is never set from text.
QVariant convert(const QMetaProperty& property, const QString& text)
{
    const int typeId = property.metaType().id();
    if (IsEnumeration(property)) {
        QString ordinal = text;
        if (ordinal.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            ordinal = QStringLiteral("1");
        else if (ordinal.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            ordinal = QStringLiteral("0");
        if (rangesOverZeroToOne(property) && ordinal != QLatin1String("0"))
            ordinal = QStringLiteral("1");
        const int n = parseOrdinal(QMetaType::Int, ordinal).toInt();
        if (typeId == QMetaType::Bool)
            return QVariant(n != 0);
        return QVariant(n);
    }
    switch (typeId) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::QChar:
        return parseOrdinal(typeId, text);
    case QMetaType::Double:
    case QMetaType::Float: {
        bool ok = false;
        const double number = text.toDouble(&ok);
        if (!ok)
            notValid(text, "floating point");
        return number;
    }
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return text;
    default:
        return property.isFlagType() ? parseOrdinal(QMetaType::Int, text) : QVariant();
    }
}

void apply(QObject* target, const QString& prefix, const QString& text, const QString& wantedName,
           ObjectPath& path)
{
    if (!path.Enter(target))
        return;
    for (const QMetaProperty& property : PublishedProperties(*target->metaObject())) {
        if (!property.isWritable())
            continue;
        const QString name = QString::fromLatin1(property.name());
        const QString fullName =
            prefix.trimmed().isEmpty() ? name : prefix + QLatin1Char('.') + name;
        if (property.metaType().flags() & QMetaType::PointerToQObject) {
            if (QObject* object = property.read(target).value<QObject*>())
                apply(object, fullName, text, wantedName, path);
            continue;
        }
        if (fullName.compare(wantedName, Qt::CaseInsensitive) != 0)
            continue;
        const QVariant converted = convert(property, text);
        if (converted.isValid())
            property.write(target, converted);
    }
    path.Leave();
}

} // namespace

void ApplyPropertyValue(QObject* target, const QString& prefix, const QVariant& value,
                        const QString& wantedName)
{
    if (!target)
        return;
    ObjectPath path;
    apply(target, prefix, valueText(value, wantedName), wantedName, path);
}
