#pragma once

#include <QString>
#include <QVariant>

class QObject;

// Sets every published, writable property of target whose full name (prefix "." name, or the
// bare name when the trimmed prefix is empty) equals wantedName case-insensitively, from the
// text of value. Object-valued properties are always searched through, as far as ObjectPath
// allows: a shared object on every way to it, no loop and no deeper than MaxObjectDepth.
// Ordinal properties, sets included, take a decimal integer; enumerations (Booleans too, but
// not sets) first read "True" and "False" as 1 and 0, and one ranging over 0..1 reads any text
// but "0" as 1; floating properties take a decimal number; strings take the text. A text that
// does not convert raises std::invalid_argument.
void ApplyPropertyValue(QObject* target, const QString& prefix, const QVariant& value,
                        const QString& wantedName);
