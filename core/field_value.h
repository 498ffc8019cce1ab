#pragma once

#include "core/status.h"

#include <QDate>
#include <QString>
#include <QVariant>

// How a column's values are stored and shown (each column's is declared in core/register_tables.cpp).
enum class FieldKind { Text, Integer, Boolean, Date };

namespace fieldvalue {

// A date as the program shows it: day, month and the whole year ("6.12.2026"), compact enough for a date column.
QString formatDate(const QDate& date);

// Reads a date typed or written by the program ("6. 12. 2026", "6.12.2026" or "2026-12-06").
QDate parseDate(const QString& text);

// A stored date as a day: valid only for a day as the program writes it, text YYYY-MM-DD of a
// real day of the years 1 to 9999. Any other value in a date field (left by another program or
// an older release: "2023-02-29", "29.02.2023", "0000-01-01", a number, bytes) is shown as it
// is stored and never counted as days; it is a value, not damage of the file.
QDate storedDay(const QString& stored);
// The same in SQL: the expression's value where it is such a day, NULL otherwise (through the
// function ordisk_den every connection of the program has; never in the register's schema).
QString sqlDay(const QString& expression);

// The text a bound field or grid cell shows for a stored value (stored form: see RecordSource::cell).
QString display(FieldKind kind, const QString& stored);

// A stored value as the exported and printed lists write it: yes/no as "Ano" or "Ne", a day
// as 09.12.2026 (a value that is no day as it is stored), anything else as stored; NULL stays null.
QString inWords(FieldKind kind, const QString& stored);

// Whether a stored yes/no value is true.
bool isTrue(const QString& stored);

// Converts text from a bound field to the value stored in a column of that kind,
// or fails with a Czech message naming the field by its label (tables::label): messages
// never name a field by its own name.
Status toStored(FieldKind kind, const QString& field, const QString& text, QVariant& result);

// A whole number as typed: accepted only when it reads as one whole number in the
// field's range, so that what is stored is what the user meant.
struct WholeNumber
{
    bool ok = false;
    qint64 value = 0;
    QString message; // the Czech refusal when not ok
};

// Reads a whole number for the labelled field, the same wherever it is typed and whatever
// the system's locale: a sign, a decimal comma or dot and an exponent are understood, so
// "2,5" and "2.5" are both refused as not whole. The number of discs has a 32-bit range.
WholeNumber parseWholeNumber(const QString& text, const QString& field);

// Reads a number of discs (parseWholeNumber for pocetdisku).
WholeNumber parseDiscCount(const QString& text);

} // namespace fieldvalue
