#include "rows/kept_rows.h"

#include "core/register_tables.h"
#include "core/source_query.h"
#include "rows/held_rows.h"
#include "rows/paged_rows.h"
#include "storage/database.h"

#include <algorithm>

KeptRows::KeptRows(Database& db) : m_db(db)
{
    for (const tables::Table& table : tables::all())
        if (isKept(table.name))
            m_keptTables.insert(table.name.toStdString());
    m_db.setRowChangeHook(&KeptRows::rowChanged, this);
}

KeptRows::~KeptRows()
{
    m_db.setRowChangeHook(nullptr, nullptr);
}

bool KeptRows::isKept(const QString& table)
{
    // The tables the lists search.
    return !queries::searchedColumns(table).isEmpty();
}

// Called by SQLite before every row is inserted, updated or deleted on this connection,
// also by triggers, cascades and conflict replacements, and also for changes later
// rolled back: the rows under both keys are read again either way, so the kept rows hold
// what the file holds.
void KeptRows::rowChanged(void* self, const char* table, qint64 before, qint64 after)
{
    auto* kept = static_cast<KeptRows*>(self);
    if (!kept->m_keptTables.count(table))
        return;
    ++kept->m_ownChanges;
    const std::string name(table);
    if (kept->m_overflowed.count(name))
        return;
    auto& changed = kept->m_changed[name];
    changed.insert(before);
    changed.insert(after);
    if (changed.size() > maxChangedRows) {
        changed.clear();
        kept->m_overflowed.insert(name);
    }
}

Status KeptRows::dataVersion(qint64& version)
{
    return m_db.queryInt(QStringLiteral("PRAGMA data_version"), version);
}

bool KeptRows::Table::hasColumns(const std::vector<int>& wanted) const
{
    return std::all_of(wanted.begin(), wanted.end(), [this](int c) {
        return c >= 0 && static_cast<size_t>(c) < columns.size() && columns[static_cast<size_t>(c)].isRead;
    });
}

const KeptRows::Table* KeptRows::rows(const QString& table, const std::vector<int>& columns, Status& status)
{
    status = Status::success();
    // Inside a transaction the rows may yet be rolled back: read the file itself.
    if (!isKept(table) || m_db.inTransaction())
        return nullptr;
    qint64 version = 0;
    if (status = dataVersion(version); !status.ok())
        return nullptr;
    if (version != m_dataVersion) {
        m_tables.clear();
        m_changed.clear();
        m_overflowed.clear();
        m_dataVersion = version;
    }
    const std::string name = table.toStdString();
    std::vector<int> wanted = columns;
    if (auto found = m_tables.find(table); found != m_tables.end()) {
        Table& kept = *found->second;
        if (!m_overflowed.count(name) && kept.hasColumns(columns)) {
            if (auto changed = m_changed.find(name); changed != m_changed.end()) {
                const std::set<qint64> keys = std::move(changed->second);
                m_changed.erase(changed);
                status = readChangedRows(table, keys, kept);
            }
            // Each changed row adds texts of its own; a table grown well beyond its rows is read anew.
            const bool bloated = std::any_of(kept.columns.begin(), kept.columns.end(), [&](const Column& column) {
                return column.texts->size() > 2 * kept.keys.size() + 1024;
            });
            if (status.ok() && !bloated)
                return &kept;
        }
        // Too many changes to follow, a column not read before, or a failed read: read
        // the table again, with the columns read before.
        for (size_t c = 0; c < kept.columns.size(); ++c)
            if (kept.columns[c].isRead)
                wanted.push_back(static_cast<int>(c));
        m_tables.erase(found);
    }
    m_changed.erase(name);
    m_overflowed.erase(name);
    auto fresh = std::make_unique<Table>();
    if (status = load(m_db, table, wanted, *fresh); !status.ok())
        return nullptr;
    return m_tables.emplace(table, std::move(fresh)).first->second.get();
}

// All rows of a kept table, or a text search in it, come from the kept rows: the same
// rows in the same order as the query would give (a plain scan, in key order). Returns
// whether the rows were served (or could not be read: then status says why).
bool KeptRows::selectKept(const SourceQuery& query, const QStringList& names, HeldRows& rows, Status& status)
{
    const std::vector<int>& slotOf = rows.slotOf;
    std::vector<SharedTexts>& texts = rows.texts;
    std::vector<quint32>& ids = rows.ids;
    const bool everyRow = query.condition.isEmpty();
    if (!isKept(query.table) || (!everyRow && query.containedIn.isEmpty()))
        return false;
    QString part;
    std::vector<int> tested;
    if (!everyRow) {
        if (query.params.isEmpty() || query.params[0].isNull())
            return false;
        // The text as the query receives it, through UTF-8, and folded once as it folds it.
        part = QString::fromUtf8(query.params[0].toString().toUtf8()).toCaseFolded();
        for (const QString& name : query.containedIn) {
            const int column = static_cast<int>(names.indexOf(name));
            if (column < 0)
                return false;
            tested.push_back(column);
        }
    }
    const auto width = static_cast<size_t>(names.size());
    // The columns any search of the table tests are kept from the first reading on, so
    // that the first search or filter does not read the whole table again.
    std::vector<int> needed = tested;
    for (const QString& name : queries::searchedColumns(query.table))
        if (const auto column = names.indexOf(name); column >= 0)
            needed.push_back(static_cast<int>(column));
    for (size_t c = 0; c < width; ++c)
        if (slotOf[c] >= 0)
            needed.push_back(static_cast<int>(c));
    const Table* table = this->rows(query.table, needed, status);
    if (!table || table->columns.size() != width)
        return !status.ok();
    // Each distinct text of a searched column is tested once, not once per row.
    std::vector<std::vector<char>> found;
    for (int column : tested)
        found.push_back(table->columns[static_cast<size_t>(column)].containing(part));
    // The held columns share the kept texts; each row found takes its ids.
    std::vector<const Column*> held;
    for (size_t c = 0; c < width; ++c)
        if (slotOf[c] >= 0) {
            held.push_back(&table->columns[c]);
            texts[held.size() - 1] = table->columns[c].texts;
        }
    const size_t count = table->keys.size();
    // The rows found, in one tight pass over the searched columns' ids.
    std::vector<char> rowMatches(everyRow ? 0 : count, 0);
    for (size_t t = 0; t < tested.size(); ++t) {
        const quint32* rowIds = table->columns[static_cast<size_t>(tested[t])].ids.data();
        const char* textMatches = found[t].data();
        char* out = rowMatches.data();
        for (size_t row = 0; row < count; ++row)
            out[row] |= textMatches[rowIds[row]];
    }
    for (size_t row = 0; row < count; ++row) {
        if (!everyRow && !rowMatches[row])
            continue;
        for (const Column* column : held)
            ids.push_back(column->ids[row]);
        ++rows.rowCount;
    }
    return true;
}

Status KeptRows::noteGoneKeys(const SourceQuery& query, const std::vector<qint64>& keys)
{
    const queries::KeySource source = queries::pagedKeys(query);
    if (m_orphanedLoans || source.table.isEmpty() || keys.empty())
        return Status::success();
    QStringList listed;
    for (qint64 key : keys)
        listed << QString::number(key);
    qint64 still = 0;
    // Still in the loans table and in the list's condition: the saved query's joins drop them.
    const QString condition = source.condition.isEmpty() ? QStringLiteral("1") : source.condition;
    Status status = m_db.queryInt(QStringLiteral("SELECT count(*) FROM %1 WHERE (%2) AND %3 IN (%4)")
                                      .arg(source.table, condition, source.key, listed.join(QLatin1Char(','))),
                                  still, query.params);
    m_orphanedLoans = status.ok() && still > 0;
    return status;
}

Status KeptRows::select(const SourceQuery& query, const QList<int>& held, RowSet& rows)
{
    Statement statement(m_db, query.sql());
    if (auto s = statement.bindAll(query.params); !s.ok())
        return s;
    rows = RowSet();
    const int columns = statement.columnCount();
    for (int c = 0; c < columns; ++c) {
        rows.names << statement.columnName(c);
        rows.kinds.push_back(tables::kindOf(query.table, rows.names.back()));
    }
    if (auto preview = m_previews.find(query.table);
        preview != m_previews.end() && query.condition.isEmpty() && !m_tables.count(query.table)) {
        rows.rows = preview->second;
        return Status::success();
    }
    if (queries::KeySource keys = queries::pagedKeys(query); m_paged && !keys.table.isEmpty()) {
        if (m_orphanedLoans)
            keys = {query.table, keys.key, query.condition};
        Status status = Status::success();
        rows.set(std::shared_ptr<PagedRows>(PagedRows::select(m_db, query, keys, columns, status)));
        return status;
    }
    auto kept = std::make_shared<HeldRows>();
    HeldRows& read = *kept;
    rows.set(kept);
    // Only the columns a grid shows (and the key) are read for every row; a row's
    // other fields are read when it becomes the current record.
    read.slotOf.assign(static_cast<size_t>(columns), -1);
    int slots = 0;
    for (int c = 0; c < columns; ++c)
        if (held.isEmpty() || c == 0 || held.contains(c))
            read.slotOf[static_cast<size_t>(c)] = slots++;
    read.texts.resize(static_cast<size_t>(slots));
    for (SharedTexts& column : read.texts)
        column = std::make_shared<std::vector<QString>>();
    Status status = Status::success();
    if (m_kept && selectKept(query, rows.names, read, status))
        return status;
    // Values repeated over the rows (dates, names) are held once and shared.
    std::vector<TextDictionary> dictionaries(static_cast<size_t>(slots));
    Statement::Step step;
    while ((step = statement.step()) == Statement::Step::Row) {
        for (int c = 0; c < columns; ++c)
            if (const int slot = read.slotOf[static_cast<size_t>(c)]; slot >= 0)
                read.ids.push_back(dictionaries[static_cast<size_t>(slot)].add(statement, c));
        ++read.rowCount;
    }
    if (step == Statement::Step::Error)
        return statement.failure();
    for (size_t slot = 0; slot < dictionaries.size(); ++slot)
        *read.texts[slot] = std::move(dictionaries[slot].texts());
    return Status::success();
}

Status KeptRows::read(Database& db, const QString& table, const std::vector<int>& held, Table& into)
{
    Statement names(db, QStringLiteral("SELECT * FROM ") + table);
    if (!names.status().ok())
        return names.status();
    // The columns the first query of all rows reads (selectKept): the held ones and the searched ones.
    std::vector<int> columns = held;
    for (int c = 0; c < names.columnCount(); ++c)
        if (queries::searchedColumns(table).contains(names.columnName(c)))
            columns.push_back(c);
    return load(db, table, columns, into);
}

Status KeptRows::handover(Handover& at)
{
    at.ownChanges = m_ownChanges;
    return dataVersion(at.dataVersion);
}

bool KeptRows::adopt(const Handover& at, const QString& table, std::unique_ptr<Table> rows)
{
    m_previews.erase(table);
    if (!rows || at.ownChanges != m_ownChanges || m_tables.count(table) ||
        (m_dataVersion >= 0 && m_dataVersion != at.dataVersion))
        return false;
    m_dataVersion = at.dataVersion;
    m_changed.erase(table.toStdString());
    m_overflowed.erase(table.toStdString());
    m_tables.emplace(table, std::move(rows));
    return true;
}

void KeptRows::setPreview(const QString& table, std::shared_ptr<Rows> rows)
{
    if (rows)
        m_previews[table] = std::move(rows);
    else
        m_previews.erase(table);
}

Status KeptRows::load(Database& db, const QString& table, const std::vector<int>& columns, Table& into)
{
    Statement statement(db, QStringLiteral("SELECT * FROM ") + table);
    if (!statement.status().ok())
        return statement.status();
    const int count = statement.columnCount();
    std::vector<int> read;
    for (int c : columns)
        if (c > 0 && c < count && std::find(read.begin(), read.end(), c) == read.end())
            read.push_back(c);
    into.keys.clear();
    into.columns.clear();
    into.columns.resize(static_cast<size_t>(count)); // each column with texts of its own
    std::vector<TextDictionary> dictionaries(read.size());
    Statement::Step step;
    while ((step = statement.step()) == Statement::Step::Row) {
        into.keys.push_back(statement.columnInt(0));
        for (size_t i = 0; i < read.size(); ++i)
            into.columns[static_cast<size_t>(read[i])].ids.push_back(dictionaries[i].add(statement, read[i]));
    }
    if (step == Statement::Step::Error)
        return statement.failure();
    for (size_t i = 0; i < read.size(); ++i) {
        Column& column = into.columns[static_cast<size_t>(read[i])];
        column.isRead = true;
        *column.texts = std::move(dictionaries[i].texts());
    }
    // The keys as the record sources show them, each its own text.
    Column& keyTexts = into.columns[0];
    keyTexts.isRead = true;
    std::vector<QString>& keys = *keyTexts.texts;
    keys.reserve(into.keys.size());
    keyTexts.ids.reserve(into.keys.size());
    for (qint64 key : into.keys) {
        keyTexts.ids.push_back(static_cast<quint32>(keys.size()));
        keys.push_back(QString::number(key));
    }
    return Status::success();
}

Status KeptRows::readChangedRows(const QString& table, const std::set<qint64>& changed, Table& into)
{
    Statement statement(m_db, QStringLiteral("SELECT * FROM %1 WHERE rowid = ?").arg(table));
    if (!statement.status().ok())
        return statement.status();
    if (static_cast<size_t>(statement.columnCount()) != into.columns.size())
        return Status::failure(QStringLiteral("Tabulka %1 se změnila.").arg(table));
    for (qint64 key : changed) {
        statement.reset();
        if (auto s = statement.bind(1, key); !s.ok())
            return s;
        const Statement::Step step = statement.step();
        if (step == Statement::Step::Error)
            return statement.failure();
        const auto at = std::lower_bound(into.keys.begin(), into.keys.end(), key);
        const auto row = at - into.keys.begin();
        const bool present = at != into.keys.end() && *at == key;
        if (step == Statement::Step::Done) {
            if (present) {
                into.keys.erase(at);
                for (Column& column : into.columns)
                    if (column.isRead)
                        column.ids.erase(column.ids.begin() + row);
            }
            continue;
        }
        if (!present) {
            into.keys.insert(at, key);
            for (Column& column : into.columns)
                if (column.isRead)
                    column.ids.insert(column.ids.begin() + row, 0);
        }
        // The row's values join the texts as their own (a changed row is rare).
        for (size_t c = 0; c < into.columns.size(); ++c) {
            Column& column = into.columns[c];
            if (!column.isRead)
                continue;
            std::vector<QString>& texts = writable(column.texts);
            column.ids[static_cast<size_t>(row)] = static_cast<quint32>(texts.size());
            texts.push_back(c == 0 ? QString::number(key) : statement.columnText(static_cast<int>(c)));
        }
    }
    return Status::success();
}
