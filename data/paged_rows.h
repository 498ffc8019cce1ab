#pragma once

#include "source_query.h"
#include "status.h"

#include <QString>

#include <memory>
#include <vector>

class Database;
class Statement;

// The rows of a query over a great many rows, read as they are looked at: the keys of
// every row at once (a few megabytes for millions of loans), the other values of a row
// when first asked for, together with the page of rows around it. A window then shows
// its first screen, and knows how many rows there are, however long the list is.
class PagedRows
{
public:
    // Reads the keys of the query's rows with the SELECT given (ascending, the query's
    // parameters bound); null when that fails (status says why).
    static std::unique_ptr<PagedRows> select(Database& db, const SourceQuery& query, const QString& keys,
                                             const QString& key, int columns, Status& status);
    ~PagedRows();

    int count() const { return static_cast<int>(m_keys.size()); }
    // A value as Statement::columnText gives it; a null string for a row gone from the
    // file since its key was read, or a page that could not be read (tried again next time).
    QString value(int row, int column);

    // The row of a deleted record leaves the list; a stored one takes its place by its key.
    void erase(int row);
    void insert(qint64 key);
    // Forgets the values read, so that the rows are read again (after a change).
    void forget() { m_pages.clear(); }

private:
    PagedRows(Database& db, const SourceQuery& query, const QString& key, int columns);

    struct Page
    {
        int first = 0;               // its first row
        std::vector<QString> values; // row-major, m_columns per row
        quint64 used = 0;            // when last looked at, to drop the page looked at least recently
    };
    const Page* page(int row);

    Database& m_db;
    QString m_sql;       // the rows of a range of keys
    QVariantList m_params;
    int m_columns;
    std::vector<qint64> m_keys; // ascending
    std::vector<Page> m_pages;
    quint64 m_clock = 0;
    std::unique_ptr<Statement> m_statement;
};
