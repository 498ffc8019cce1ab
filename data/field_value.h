#pragma once

#include "status.h"

#include <QDate>
#include <QString>
#include <QVariant>

// How a column's values are stored and shown, from its declared type.
enum class FieldKind
{
    Text,
    Integer,
    Boolean,
    Date
};

namespace fieldvalue {

// The kind of a column from its declared SQL type.
FieldKind kindOf(const QString& declType);

// A date as the program shows it: day, month and the whole year ("6.12.2026"), compact enough for a date column.
QString formatDate(const QDate& date);

// Reads a date typed or written by the program ("6. 12. 2026", "6.12.2026" or "2026-12-06").
QDate parseDate(const QString& text);

// The text a bound field or grid cell shows for a stored value (stored form: see RecordSource::cell).
QString display(FieldKind kind, const QString& stored);

// Whether a stored yes/no value is true.
bool isTrue(const QString& stored);

// Converts text from a bound field to the value stored in a column of that kind,
// or fails with a Czech message naming the field.
Status toStored(FieldKind kind, const QString& field, const QString& text, QVariant& result);

// The number of discs as typed: accepted only when it reads as one whole number
// in the field's range, so that what is stored is what the user meant.
struct DiscCount
{
    bool ok = false;
    qint64 value = 0;
    QString message; // the Czech refusal when not ok
};

// Reads a number of discs: sign, the user's locale's (QLocale()) or a dot decimal separator and an
// exponent are understood.
DiscCount parseDiscCount(const QString& text);

} // namespace fieldvalue
