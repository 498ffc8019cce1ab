#pragma once

#include <QString>
#include <QStringList>

namespace tables {
struct Column;
struct Table;
} // namespace tables

// The words an import reads and writes: the captions a header may name a field by, the yes
// and no words of spreadsheets, what keeps a value out of the register, and the question
// about rows already there.
namespace importwords {

// Captions the program shows for a field besides its label: the add-person confirmation's
// "E-mail", the loan window's "Název CD", the grids' "ID Clovek"; the key also as "ID".
QStringList captionsOf(const tables::Column& column, bool key);

// The column of the table a header's name names (a caption may end in a colon, as the
// confirmations write it), or -1.
int columnNamed(const tables::Table& table, QString name);

// The captions a header may use, for a message: "Název, Počet disků, …".
QString acceptedCaptions(const tables::Table& table);

// Words spreadsheets write for yes and no besides those a window takes ("PRAVDA", "x"), as
// the window's words; any other text as it stands.
QString yesNoWord(const QString& text);

// "Soubor obsahuje 300 disků, které už v evidenci jsou (…); přidat je znovu?", with the
// numeral's Czech forms, by key and name or by every value.
QString alreadyThereText(bool discs, qint64 n, bool byKey);

// What keeps a value from the file out of the register ("je delší než …"), or nothing.
QString unstorable(const QString& value);

} // namespace importwords
