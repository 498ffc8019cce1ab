#include "source_query.h"

#include <QStringList>

QString SourceQuery::sql() const
{
    QString text = QStringLiteral("SELECT * FROM ") + table;
    if (!condition.isEmpty())
        text += QStringLiteral(" WHERE ") + condition;
    return text;
}

namespace queries {

bool isKnownTable(const QString& table)
{
    static const QStringList names = {QStringLiteral("cd"), QStringLiteral("lide"), QStringLiteral("pujcovani"),
                                      QStringLiteral("vypujcky"), QStringLiteral("nevracenecd")};
    return names.contains(table);
}

QStringList searchedColumns(const QString& table)
{
    if (table == QLatin1String("cd"))
        return {QStringLiteral("nazev"), QStringLiteral("typobsahu")};
    if (table == QLatin1String("lide"))
        return {QStringLiteral("jmeno"), QStringLiteral("prijmeni")};
    return {};
}

SourceQuery all(const QString& table)
{
    Q_ASSERT(isKnownTable(table));
    return {table, QString(), {}, {}};
}

SourceQuery none(const QString& table)
{
    Q_ASSERT(isKnownTable(table));
    return {table, QStringLiteral("0"), {}, {}};
}

SourceQuery cdNameContains(const QString& text)
{
    return {QStringLiteral("cd"), QStringLiteral("ordisk_contains(nazev, ?)"), {text}, {QStringLiteral("nazev")}};
}

SourceQuery cdContentTypeContains(const QString& text)
{
    return {
        QStringLiteral("cd"), QStringLiteral("ordisk_contains(typobsahu, ?)"), {text}, {QStringLiteral("typobsahu")}};
}

SourceQuery cdNameEquals(const QString& name)
{
    return {QStringLiteral("cd"), QStringLiteral("nazev = ?"), {name}, {}};
}

SourceQuery peopleNameContains(const QString& text)
{
    return {QStringLiteral("lide"),
            QStringLiteral("ordisk_contains(jmeno, ?) OR ordisk_contains(prijmeni, ?)"),
            {text, text},
            {QStringLiteral("jmeno"), QStringLiteral("prijmeni")}};
}

SourceQuery idEquals(const QString& table, const QString& column, qint64 id)
{
    Q_ASSERT(isKnownTable(table));
    // Column names come from the program's own code, never from typed text.
    return {table, column + QStringLiteral(" = ?"), {id}, {}};
}

} // namespace queries
