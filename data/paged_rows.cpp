#include "paged_rows.h"

#include "database.h"

#include <algorithm>

namespace {

// A page holds a few screens of rows; a handful of pages are kept, so that scrolling back
// and forth over the same rows reads nothing again.
constexpr int pageRows = 128;
constexpr size_t keptPages = 16;

} // namespace

PagedRows::PagedRows(Database& db, const SourceQuery& query, const QString& key, int columns)
    : m_db(db), m_columns(columns)
{
    // One statement reads the rows of a range of keys that the query gives.
    m_sql = QStringLiteral("SELECT * FROM %1 WHERE %2 BETWEEN ? AND ?").arg(query.table, key);
    if (!query.condition.isEmpty())
        m_sql += QStringLiteral(" AND (%1)").arg(query.condition);
    m_params = query.params;
}

PagedRows::~PagedRows() = default;

std::unique_ptr<PagedRows> PagedRows::select(Database& db, const SourceQuery& query, const QString& keysSql,
                                             const QString& key, int columns, Status& status)
{
    std::unique_ptr<PagedRows> rows(new PagedRows(db, query, key, columns));
    Statement keys(db.handle(), keysSql);
    if (status = keys.status(); !status.ok())
        return nullptr;
    if (status = keys.bindAll(query.params); !status.ok())
        return nullptr;
    Statement::Step step;
    while ((step = keys.step()) == Statement::Step::Row)
        rows->m_keys.push_back(keys.columnInt(0));
    if (step == Statement::Step::Error) {
        status = Status::failure(keys.errorMessage());
        return nullptr;
    }
    status = Status::success();
    return rows;
}

QString PagedRows::value(int row, int column)
{
    if (row < 0 || row >= count() || column < 0 || column >= m_columns)
        return QString();
    const Page* found = page(row);
    return found ? found->values[static_cast<size_t>((row - found->first) * m_columns + column)] : QString();
}

const PagedRows::Page* PagedRows::page(int row)
{
    const int first = row - row % pageRows;
    ++m_clock;
    for (Page& kept : m_pages)
        if (kept.first == first) {
            kept.used = m_clock;
            return &kept;
        }
    if (!m_statement) {
        m_statement = std::make_unique<Statement>(m_db.handle(), m_sql);
        if (!m_statement->status().ok()) {
            m_statement.reset();
            return nullptr;
        }
    }
    const int end = std::min(first + pageRows, count());
    Page fresh;
    fresh.first = first;
    fresh.used = m_clock;
    fresh.values.resize(static_cast<size_t>((end - first) * m_columns));
    Statement& statement = *m_statement;
    statement.reset();
    QVariantList params = {m_keys[static_cast<size_t>(first)], m_keys[static_cast<size_t>(end - 1)]};
    params += m_params;
    if (!statement.bindAll(params).ok())
        return nullptr;
    const auto keysBegin = m_keys.begin() + first;
    const auto keysEnd = m_keys.begin() + end;
    Statement::Step step;
    while ((step = statement.step()) == Statement::Step::Row) {
        const auto at = std::lower_bound(keysBegin, keysEnd, statement.columnInt(0));
        if (at == keysEnd || *at != statement.columnInt(0))
            continue; // a row stored since the keys were read: it joins at the next re-query
        const auto offset = static_cast<size_t>(at - keysBegin) * static_cast<size_t>(m_columns);
        for (int c = 0; c < m_columns; ++c)
            fresh.values[offset + static_cast<size_t>(c)] = statement.columnText(c);
    }
    // A read lock is never left behind: another program may want to write.
    statement.reset();
    if (step == Statement::Step::Error)
        return nullptr;
    if (m_pages.size() >= keptPages)
        m_pages.erase(std::min_element(m_pages.begin(), m_pages.end(),
                                       [](const Page& a, const Page& b) { return a.used < b.used; }));
    m_pages.push_back(std::move(fresh));
    return &m_pages.back();
}

void PagedRows::erase(int row)
{
    if (row < 0 || row >= count())
        return;
    m_keys.erase(m_keys.begin() + row);
    forget();
}

void PagedRows::insert(qint64 key)
{
    m_keys.insert(std::lower_bound(m_keys.begin(), m_keys.end(), key), key);
    forget();
}
