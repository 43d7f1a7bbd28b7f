#pragma once

#include <QMetaProperty>
#include <QString>
#include <QVariant>

class QObject;

// How a published property's value stands in a properties file.
enum class PropertyKind
{
    // Integers, characters, enumerations (Booleans too) and sets: a decimal ordinal.
    Ordinal,
    // In the general format with the locale's decimal separator.
    Floating,
    // The text itself.
    String,
    // A reference to an object whose own properties follow.
    Object,
    // Neither written nor read: variants and every other type.
    Other
};

PropertyKind KindOf(const QMetaProperty& property);

// A value's text as an error message quotes it: at most MaxQuotedValueLength characters, the
// rest cut and marked, so a huge bad value cannot make a huge message.
constexpr qsizetype MaxQuotedValueLength = 64;
QString QuotedValue(const QString& text);

// An Ordinal property whose text names one of its values: an enumeration or a Boolean. Sets
// (Qt's flag types) are not: their text is a bit mask, converted like any integer.
bool IsEnumeration(const QMetaProperty& property);

// The text of the property's current value; for the Ordinal, Floating and String kinds.
QString ValueText(const QMetaProperty& property, const QObject* object);

// The value a text gives the property; raises std::invalid_argument when the text does not
// convert: not a decimal integer where one is needed (so "True" is refused), out of the type's
// range, not one of an enumeration's values, or not a number in the locale's format.
QVariant ValueFromText(const QMetaProperty& property, const QString& text);
