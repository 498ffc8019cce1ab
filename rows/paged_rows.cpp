#include "rows/paged_rows.h"

#include "storage/database.h"

#include <algorithm>
#include <limits>

namespace {

// A page holds a few screens of rows; a handful of pages are kept, so that scrolling back
// and forth over the same rows reads nothing again.
constexpr int pageRows = 128;
constexpr size_t keptPages = 16;
// Keys are read a few thousand at first, then as many again as are known: scrolling to
// the end of a long list reads them in a few large steps.
constexpr int firstKeys = 4096;
// Enough keys of rows found gone to tell loans deleted from loans that lost their disc or person.
constexpr size_t maxGoneKeys = 500;

QString where(const QStringList& conditions)
{
    QStringList parenthesised;
    for (const QString& condition : conditions)
        if (!condition.isEmpty())
            parenthesised << QLatin1Char('(') + condition + QLatin1Char(')');
    return parenthesised.isEmpty() ? QString()
                                   : QStringLiteral(" WHERE ") + parenthesised.join(QStringLiteral(" AND "));
}

} // namespace

PagedRows::PagedRows(Database& db, const SourceQuery& query, const queries::KeySource& keys, int columns)
    : m_db(db), m_params(query.params), m_columns(columns)
{
    m_keysSql = QStringLiteral("SELECT %1 FROM %2%3 ORDER BY %1 LIMIT ?")
                    .arg(keys.key, keys.table, where({keys.condition, keys.key + QStringLiteral(" > ?")}));
    m_valuesSql = QStringLiteral("SELECT * FROM %1%2")
                      .arg(query.table, where({query.condition, keys.key + QStringLiteral(" BETWEEN ? AND ?")}));
}

PagedRows::~PagedRows() = default;

std::unique_ptr<PagedRows> PagedRows::select(Database& db, const SourceQuery& query, const queries::KeySource& keys,
                                             int columns, Status& status)
{
    std::unique_ptr<PagedRows> rows(new PagedRows(db, query, keys, columns));
    qint64 count = 0;
    status = db.queryInt(QStringLiteral("SELECT count(*) FROM %1%2").arg(keys.table, where({keys.condition})), count,
                         query.params);
    if (!status.ok())
        return nullptr;
    rows->m_count = static_cast<int>(count);
    if (status = rows->readKeysThrough(0); !status.ok())
        return nullptr;
    return rows;
}

Status PagedRows::readKeysThrough(int row)
{
    if (m_allKeys || row < static_cast<int>(m_keys.size()))
        return Status::success();
    Statement keys(m_db, m_keysSql);
    // Counted rows only: a loan stored since the count joins at the next re-query.
    const qint64 wanted = std::min<qint64>(std::max<qint64>(firstKeys, static_cast<qint64>(m_keys.size())),
                                           static_cast<qint64>(m_count) - static_cast<qint64>(m_keys.size()));
    QVariantList params = m_params;
    params << (m_keys.empty() ? std::numeric_limits<qint64>::min() : m_keys.back()) << wanted;
    if (Status s = keys.status(); !s.ok())
        return s;
    if (Status s = keys.bindAll(params); !s.ok())
        return s;
    Statement::Step step;
    qint64 read = 0;
    while ((step = keys.step()) == Statement::Step::Row) {
        m_keys.push_back(keys.columnInt(0));
        ++read;
    }
    if (step == Statement::Step::Error)
        return keys.failure();
    if (read < wanted || static_cast<int>(m_keys.size()) >= m_count)
        m_allKeys = true;
    return readKeysThrough(row);
}

QString PagedRows::value(int row, int column)
{
    if (row < 0 || row >= count() || column < 0 || column >= m_columns)
        return QString();
    const Page* found = page(row);
    if (!found)
        return QString();
    const auto at = static_cast<size_t>((row - found->first) * m_columns + column);
    return at < found->values.size() ? found->values[at] : QString();
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
    const int wanted = std::min(first + pageRows, count());
    if (!readKeysThrough(wanted - 1).ok())
        return nullptr;
    // Rows deleted since the count have no key: the list is read anew (see below).
    const int end = std::min(wanted, static_cast<int>(m_keys.size()));
    if (end <= first)
        return nullptr;
    if (!m_values) {
        m_values = std::make_unique<Statement>(m_db, m_valuesSql);
        if (!m_values->status().ok()) {
            m_values.reset();
            return nullptr;
        }
    }
    Page fresh;
    fresh.first = first;
    fresh.used = m_clock;
    fresh.values.resize(static_cast<size_t>((end - first) * m_columns));
    Statement& statement = *m_values;
    statement.reset();
    QVariantList params = m_params;
    params << m_keys[static_cast<size_t>(first)] << m_keys[static_cast<size_t>(end - 1)];
    if (!statement.bindAll(params).ok())
        return nullptr;
    const auto keysBegin = m_keys.begin() + first;
    const auto keysEnd = m_keys.begin() + end;
    std::vector<char> found(static_cast<size_t>(end - first), 0);
    Statement::Step step;
    while ((step = statement.step()) == Statement::Step::Row) {
        const auto at = std::lower_bound(keysBegin, keysEnd, statement.columnInt(0));
        if (at == keysEnd || *at != statement.columnInt(0))
            continue; // a row stored since the count: it joins at the next re-query
        found[static_cast<size_t>(at - keysBegin)] = 1;
        const auto offset = static_cast<size_t>(at - keysBegin) * static_cast<size_t>(m_columns);
        for (int c = 0; c < m_columns; ++c)
            fresh.values[offset + static_cast<size_t>(c)] = statement.columnText(c);
    }
    // A read lock is never left behind: another program may want to write. A page SQLite
    // cannot read is reported (a damaged file then ends the program) and read again next time.
    const Status failed = step == Statement::Step::Error ? statement.failure() : Status::success();
    statement.reset();
    if (!failed.ok())
        return nullptr;
    // A counted row that is not in the saved query would show as an empty row: the list
    // is read anew, told once.
    const bool wasGone = !m_gone.empty();
    for (size_t i = 0; i < found.size() && m_gone.size() < maxGoneKeys; ++i)
        if (!found[i])
            m_gone.push_back(*(keysBegin + static_cast<std::ptrdiff_t>(i)));
    if (!wasGone && !m_gone.empty() && m_onGone)
        m_onGone();
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
    if (readKeysThrough(row).ok() && row < static_cast<int>(m_keys.size()))
        m_keys.erase(m_keys.begin() + row);
    --m_count;
    forget();
}

void PagedRows::append(qint64 key, const std::vector<QString>&)
{
    // A key beyond those read is read with the others when its row is looked at.
    if (m_allKeys || (!m_keys.empty() && key < m_keys.back()))
        m_keys.insert(std::lower_bound(m_keys.begin(), m_keys.end(), key), key);
    ++m_count;
    forget();
}
