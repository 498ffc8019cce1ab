#include "core/source_query.h"

#include "core/register_tables.h"

#include <QStringList>

QString SourceQuery::sql() const
{
    QString text = QStringLiteral("SELECT * FROM ") + table;
    if (!condition.isEmpty())
        text += QStringLiteral(" WHERE ") + condition;
    return text;
}

namespace queries {

KeySource pagedKeys(const SourceQuery& query)
{
    // The loan queries (the saved queries) list every loan ever made. Their keys come from
    // the loans table itself, several times quicker than through the joins of the views:
    // every loan has its disc and its person (the foreign keys keep it so). A condition of
    // such a query tests the loan's own columns (idcd, idcloveka, idvypujcky), which the
    // table has too. The rows come in the order of their keys, the order the loans were
    // made in and the order SQLite gives the views' rows in a register as the program makes it.
    const tables::Table* view = tables::find(query.table);
    if (!view || !view->isView)
        return {};
    const QString& loans = view->columns.front().source;
    const QString& key = view->columns.front().name;
    if (view->where.isEmpty() || query.condition.isEmpty())
        return {loans, key, view->where.isEmpty() ? query.condition : view->where};
    return {loans, key, QStringLiteral("%1 AND (%2)").arg(view->where, query.condition)};
}

namespace {

// The text searches of the lists, each declared once: its table and the columns of which
// one must contain the typed text. The SQL condition, the test of rows kept in memory and
// the columns kept from a table's first reading on all come from these.
struct Search
{
    const char* table;
    std::initializer_list<const char*> columns;
};
constexpr Search cdName{"cd", {"nazev"}};
constexpr Search cdContentType{"cd", {"typobsahu"}};
constexpr Search peopleName{"lide", {"jmeno", "prijmeni"}};
constexpr const Search* searches[] = {&cdName, &cdContentType, &peopleName};

SourceQuery contains(const Search& search, const QString& text)
{
    SourceQuery query{QString::fromLatin1(search.table), QString(), {}, {}};
    QStringList terms;
    for (const char* column : search.columns) {
        terms << QStringLiteral("ordisk_contains(%1, ?)").arg(QLatin1String(column));
        query.params << text;
        query.containedIn << QString::fromLatin1(column);
    }
    query.condition = terms.join(QStringLiteral(" OR "));
    return query;
}

} // namespace

QStringList searchedColumns(const QString& table)
{
    QStringList columns;
    for (const Search* search : searches)
        if (table == QLatin1String(search->table))
            for (const char* column : search->columns)
                columns << QString::fromLatin1(column);
    return columns;
}

SourceQuery all(const QString& table)
{
    Q_ASSERT(tables::find(table));
    return {table, QString(), {}, {}};
}

SourceQuery none(const QString& table)
{
    Q_ASSERT(tables::find(table));
    return {table, QStringLiteral("0"), {}, {}};
}

SourceQuery cdNameContains(const QString& text)
{
    return contains(cdName, text);
}

SourceQuery cdContentTypeContains(const QString& text)
{
    return contains(cdContentType, text);
}

SourceQuery cdNameEquals(const QString& name)
{
    return {QStringLiteral("cd"), QStringLiteral("nazev = ?"), {name}, {}};
}

SourceQuery peopleNameContains(const QString& text)
{
    return contains(peopleName, text);
}

SourceQuery idEquals(const QString& table, const QString& column, qint64 id)
{
    Q_ASSERT(tables::find(table));
    // Column names come from the program's own code, never from typed text.
    return {table, column + QStringLiteral(" = ?"), {id}, {}};
}

} // namespace queries
