#pragma once

#include "core/field_value.h"

#include <QString>

#include <vector>

// The register's tables and saved queries, each column declared once: its name, its
// kind and its Czech label. The schema's SQL (storage/schema.cpp), the kinds of the
// columns a query yields, the labels of messages and screen readers all come from here.
namespace tables {

struct Column
{
    QString name;
    FieldKind kind;
    QString label;       // as the windows label the field ("Počet disků")
    QString constraints; // of a table's column, after its SQL type in CREATE TABLE
    QString source;      // of a saved query's column, the table it comes from
};

struct Table
{
    QString name;
    bool isView = false;
    std::vector<Column> columns; // in their order; the key first
    QString where;               // of a saved query, the condition its loans meet (empty: every loan)
};

// The three tables ("cd", "lide", "pujcovani") and the two saved queries over the loans
// ("vypujcky", "nevracenecd"), in the order they are created.
const std::vector<Table>& all();
// The table or saved query of that name; null for any other name.
const Table* find(const QString& name);
// The kind of a column of a table or saved query (text for one not declared).
FieldKind kindOf(const QString& table, const QString& column);
// The Czech label of a field; a column of one name has one label in every table.
QString label(const QString& column);

} // namespace tables
