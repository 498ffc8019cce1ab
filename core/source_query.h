#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

// What a record source evaluates: all rows of one table or saved query, or the
// rows matching a condition of ours. Typed text only ever travels as a bound
// parameter, so quotes and wildcards in it are matched as themselves.
struct SourceQuery
{
    QString table;       // table or view the rows come from and edits go back to
    QString condition;   // empty for all rows; otherwise SQL with ? placeholders, never typed text
    QVariantList params; // values for the placeholders
    // For a text search: the columns of which one must contain the first parameter,
    // ignoring case (NULL contains nothing), so that rows held in memory can be tested
    // exactly as the condition tests them. Empty for any other condition.
    QStringList containedIn;

    // The SELECT the source runs.
    QString sql() const;

    bool operator==(const SourceQuery&) const = default;
};

namespace queries {

// Every row of a table or saved query ("cd", "lide", "pujcovani", "vypujcky", "nevracenecd").
SourceQuery all(const QString& table);
// No rows, only the columns: for a source that only adds records.
SourceQuery none(const QString& table);
// Discs whose name contains the text anywhere, ignoring case; discs without a name are left out.
SourceQuery cdNameContains(const QString& text);
// Discs whose content type contains the text anywhere, ignoring case.
SourceQuery cdContentTypeContains(const QString& text);
// Discs whose name is exactly the text.
SourceQuery cdNameEquals(const QString& name);
// People whose first name or surname contains the text anywhere, ignoring case.
SourceQuery peopleNameContains(const QString& text);
// The rows of a table or saved query whose whole-number column equals the id.
SourceQuery idEquals(const QString& table, const QString& column, qint64 id);

// The columns the searches of a table test (empty for a table no search reads): the
// tables whose rows are kept in memory, and the columns kept from their first reading on.
QStringList searchedColumns(const QString& table);

// Where the keys of a query's rows are found, when its rows are read a page at a time
// as they are looked at (the loan queries): the table, its key and the condition, with
// the query's own parameters, that the rows' keys meet. An empty table for any other query.
struct KeySource
{
    QString table;
    QString key;
    QString condition;
};
KeySource pagedKeys(const SourceQuery& query);

} // namespace queries
