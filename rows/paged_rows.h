#pragma once

#include "core/source_query.h"
#include "core/status.h"
#include "rows/row_set.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class Database;
class Statement;

// The rows of a query over a great many rows, read as they are looked at: how many
// there are at once, their keys (in ascending order) as far as rows are looked at, and
// a row's values when first asked for, together with the page of rows around it. A
// window then shows its first screen, and knows how many rows there are, whatever the
// length of the list (docs/performance.md: the whole history 35 times quicker at S).
class PagedRows : public Rows
{
public:
    // Counts the query's rows and reads the first keys; null when that fails (status says why).
    static std::unique_ptr<PagedRows> select(Database& db, const SourceQuery& query, const queries::KeySource& keys,
                                             int columns, Status& status);
    ~PagedRows() override;

    int count() const override { return m_count; }
    bool serves(int) const override { return true; }
    // A value as Statement::columnText gives it; a null string for a row gone from the
    // file since the rows were counted, or a page that could not be read (tried again next time).
    QString value(int row, int column) override;

    // A stored edit is read again with its page.
    void setRow(int, const std::vector<QString>&) override { forget(); }
    // The row of a deleted record leaves the list; a stored one takes its place by its key.
    void erase(int row) override;
    void append(qint64 key, const std::vector<QString>&) override;
    // Forgets the values read, so that the rows are read again (after a change).
    void forget() { m_pages.clear(); }
    // Keys counted whose rows a page did not find (deleted since, or loans whose disc or
    // person is missing); the list must be read anew. The handler is told once, at the first.
    const std::vector<qint64>& goneKeys() const { return m_gone; }
    void onRowsGone(std::function<void()> handler) { m_onGone = std::move(handler); }

private:
    PagedRows(Database& db, const SourceQuery& query, const queries::KeySource& keys, int columns);

    struct Page
    {
        int first = 0;               // its first row
        std::vector<QString> values; // row-major, m_columns per row
        quint64 used = 0;            // when last looked at, to drop the page looked at least recently
    };
    const Page* page(int row);
    // Reads keys until the row's is known (or no more are left).
    Status readKeysThrough(int row);

    Database& m_db;
    QString m_keysSql;   // the next keys after a key
    QString m_valuesSql; // the rows of a range of keys
    QVariantList m_params;
    int m_columns;
    int m_count = 0;
    std::vector<qint64> m_keys; // ascending, those of the first rows
    bool m_allKeys = false;     // whether no key is left to read
    std::vector<Page> m_pages;
    quint64 m_clock = 0;
    std::unique_ptr<Statement> m_values;
    std::vector<qint64> m_gone;
    std::function<void()> m_onGone;
};
