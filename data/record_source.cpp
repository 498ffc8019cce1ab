#include "record_source.h"

#include "database.h"
#include "table_cache.h"
#include "text_dictionary.h"
#include "text_match.h"

#include <algorithm>

namespace {

constexpr quint32 noText = ~quint32(0);

} // namespace

RecordSource::RecordSource(Database& db, const QString& table, QObject* parent)
    : QObject(parent), m_db(db), m_source(queries::all(table))
{
}

void RecordSource::setRecordSource(const QString& table)
{
    m_source = queries::all(table);
}

void RecordSource::setRecordSource(SourceQuery query)
{
    m_source = std::move(query);
}

QString RecordSource::displayText(int row, int column) const
{
    return fieldvalue::display(m_columnKinds[static_cast<size_t>(column)], cell(row, column));
}

Status RecordSource::refresh()
{
    if (auto s = commitPending(); !s.ok())
        return s;
    m_adding = false;
    m_pending.clear();

    Statement statement(m_db.handle(), m_source.sql());
    if (auto s = statement.bindAll(m_source.params); !s.ok())
        return s;
    const int columns = statement.columnCount();
    QStringList names;
    std::vector<FieldKind> kinds;
    for (int c = 0; c < columns; ++c) {
        names << statement.columnName(c);
        kinds.push_back(fieldvalue::kindOf(statement.columnDeclType(c)));
    }
    // Only the columns a grid shows (and the key) are read for every row; a row's
    // other fields are read when it becomes the current record.
    std::vector<int> slotOf(static_cast<size_t>(columns), -1);
    int held = 0;
    for (int c = 0; c < columns; ++c)
        if (m_cachedColumns.isEmpty() || c == 0 || m_cachedColumns.contains(c))
            slotOf[static_cast<size_t>(c)] = held++;
    std::vector<SharedTexts> texts(static_cast<size_t>(held));
    for (SharedTexts& column : texts)
        column = std::make_shared<std::vector<QString>>();
    std::vector<quint32> ids;
    int rows = 0;
    Status status = Status::success();
    if (!readFromCache(names, slotOf, texts, ids, rows, status)) {
        // Values repeated over the rows (dates, names) are held once and shared.
        std::vector<TextDictionary> dictionaries(static_cast<size_t>(held));
        Statement::Step step;
        while ((step = statement.step()) == Statement::Step::Row) {
            for (int c = 0; c < columns; ++c)
                if (const int slot = slotOf[static_cast<size_t>(c)]; slot >= 0)
                    ids.push_back(dictionaries[static_cast<size_t>(slot)].add(statement, c));
            ++rows;
        }
        if (step == Statement::Step::Error)
            return Status::failure(statement.errorMessage());
        for (size_t slot = 0; slot < dictionaries.size(); ++slot)
            *texts[slot] = std::move(dictionaries[slot].texts());
    } else if (!status.ok()) {
        return status;
    }

    m_columnNames = std::move(names);
    m_columnKinds = std::move(kinds);
    m_texts = std::move(texts);
    m_ids = std::move(ids);
    m_slotOf = std::move(slotOf);
    m_slots = held;
    m_currentRow.clear();
    m_rowCount = rows;
    ++m_generation;
    Q_EMIT rowsReset();
    setCurrent(rows > 0 ? 0 : -1);
    return Status::success();
}

// All rows of a table, or a text search in it, come from the rows the table cache
// keeps, when it keeps the table: the same rows in the same order as the query
// would give (a plain scan, in key order). Returns whether the rows were served
// (or could not be read: then status says why).
bool RecordSource::readFromCache(const QStringList& names, const std::vector<int>& slotOf,
                                 std::vector<SharedTexts>& texts, std::vector<quint32>& ids, int& rows,
                                 Status& status)
{
    const bool everyRow = m_source.condition.isEmpty();
    if (!TableCache::isCached(m_source.table) || (!everyRow && m_source.containedIn.isEmpty()))
        return false;
    QString part;
    std::vector<int> tested;
    if (!everyRow) {
        if (m_source.params.isEmpty() || m_source.params[0].isNull())
            return false;
        // The text as the query receives it, through UTF-8, and folded once as it folds it.
        part = QString::fromUtf8(m_source.params[0].toString().toUtf8()).toCaseFolded();
        for (const QString& name : m_source.containedIn) {
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
    for (const QString& name : queries::searchedColumns(m_source.table))
        if (const auto column = names.indexOf(name); column >= 0)
            needed.push_back(static_cast<int>(column));
    for (size_t c = 0; c < width; ++c)
        if (slotOf[c] >= 0)
            needed.push_back(static_cast<int>(c));
    const TableCache::Table* table = m_db.tableCache().rows(m_source.table, needed, status);
    if (!table || table->columns.size() != width)
        return !status.ok();
    // Each distinct text of a searched column is tested once, not once per row.
    std::vector<std::vector<char>> found;
    for (int column : tested)
        found.push_back(table->columns[static_cast<size_t>(column)].containing(part));
    // The held columns take over the texts of the rows found, each once: all of them
    // for every row, else those the rows found use.
    std::vector<const TableCache::Column*> held;
    std::vector<std::vector<quint32>> newId; // per held column: cache text id -> id here
    for (size_t c = 0; c < width; ++c) {
        if (slotOf[c] < 0)
            continue;
        const TableCache::Column& column = table->columns[c];
        held.push_back(&column);
        if (everyRow)
            texts[held.size() - 1] = column.texts;
        newId.emplace_back(everyRow || column.onePerRow ? 0 : column.texts->size(), noText);
    }
    const size_t count = table->keys.size();
    // The rows found, in one tight pass over the searched columns' ids.
    std::vector<quint32> foundRows;
    if (!everyRow) {
        std::vector<char> rowMatches(count, 0);
        for (size_t t = 0; t < tested.size(); ++t) {
            const quint32* rowIds = table->columns[static_cast<size_t>(tested[t])].ids.data();
            const char* textMatches = found[t].data();
            char* out = rowMatches.data();
            for (size_t row = 0; row < count; ++row)
                out[row] |= textMatches[rowIds[row]];
        }
        for (size_t row = 0; row < count; ++row)
            if (rowMatches[row])
                foundRows.push_back(static_cast<quint32>(row));
    }
    const size_t foundCount = everyRow ? count : foundRows.size();
    ids.reserve(foundCount * held.size());
    for (size_t i = 0; i < foundCount; ++i) {
        const size_t row = everyRow ? i : foundRows[i];
        for (size_t slot = 0; slot < held.size(); ++slot) {
            const quint32 id = held[slot]->ids[row];
            if (everyRow) {
                ids.push_back(id);
                continue;
            }
            std::vector<QString>& mineTexts = *texts[slot];
            if (held[slot]->onePerRow) {
                ids.push_back(static_cast<quint32>(mineTexts.size()));
                mineTexts.push_back((*held[slot]->texts)[id]);
                continue;
            }
            quint32& mine = newId[slot][id];
            if (mine == noText) {
                mine = static_cast<quint32>(mineTexts.size());
                mineTexts.push_back((*held[slot]->texts)[id]);
            }
            ids.push_back(mine);
        }
        ++rows;
    }
    return true;
}

Status RecordSource::moveNext()
{
    if (auto s = commitPending(); !s.ok())
        return s;
    if (m_current + 1 < m_rowCount)
        setCurrent(m_current + 1);
    return Status::success();
}

Status RecordSource::movePrevious()
{
    if (auto s = commitPending(); !s.ok())
        return s;
    if (m_current > 0)
        setCurrent(m_current - 1);
    return Status::success();
}

Status RecordSource::moveLast()
{
    if (auto s = commitPending(); !s.ok())
        return s;
    if (m_rowCount > 0)
        setCurrent(m_rowCount - 1);
    return Status::success();
}

void RecordSource::addNew()
{
    m_adding = true;
    m_pending.clear();
    Q_EMIT currentChanged();
}

Status RecordSource::update()
{
    return m_adding ? storeNew() : commitPending();
}

Status RecordSource::updateNew()
{
    Status s = update();
    if (s.ok())
        s = moveLast();
    if (!s.ok())
        cancelUpdate();
    return s;
}

void RecordSource::cancelUpdate()
{
    m_pending.clear();
    if (m_adding) {
        m_adding = false;
        Q_EMIT currentChanged();
    }
}

Status RecordSource::deleteCurrent()
{
    if (auto s = check(); !s.ok())
        return s;
    if (m_current < 0)
        return Status::failure(QStringLiteral("Není vybrán žádný záznam."));
    m_pending.clear();
    m_adding = false;
    Transaction transaction(m_db);
    if (!transaction.status().ok())
        return transaction.status();
    if (auto s = m_db.execute(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(m_source.table, m_columnNames[0]),
                              {cell(m_current, 0)});
        !s.ok())
        return s;
    if (auto s = transaction.commit(); !s.ok())
        return s;
    const auto first = m_ids.begin() + static_cast<std::ptrdiff_t>(m_current) * m_slots;
    m_ids.erase(first, first + m_slots);
    ++m_generation;
    --m_rowCount;
    Q_EMIT rowsReset();
    setCurrent(std::min(m_current, m_rowCount - 1));
    return Status::success();
}

QString RecordSource::fieldText(const QString& field) const
{
    const int column = columnIndex(field);
    if (column < 0)
        return QString();
    if (auto it = m_pending.constFind(column); it != m_pending.constEnd())
        return *it;
    if (m_adding || m_current < 0)
        return QString();
    return displayText(m_current, column);
}

void RecordSource::setFieldText(const QString& field, const QString& text)
{
    const int column = columnIndex(field);
    if (column < 0 || !hasCurrentRecord())
        return;
    m_pending.insert(column, text);
}

Status RecordSource::check() const
{
    if (m_columnNames.isEmpty())
        return Status::failure(QStringLiteral("Zdroj záznamů %1 ještě nebyl načten.").arg(m_source.table));
    return Status::success();
}

Status RecordSource::commitPending()
{
    if (m_pending.isEmpty())
        return Status::success();
    if (m_adding || m_current < 0) {
        // A new record not stored by update(), or no record at all: nothing to write to.
        m_pending.clear();
        return Status::success();
    }
    QStringList assignments;
    QVariantList values;
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        QVariant value;
        if (auto s = fieldvalue::toStored(m_columnKinds[static_cast<size_t>(it.key())], m_columnNames[it.key()],
                                          it.value(), value);
            !s.ok())
            return s;
        assignments << m_columnNames[it.key()] + QStringLiteral(" = ?");
        values << value;
    }
    const QString key = cell(m_current, 0);
    values << key;
    Transaction transaction(m_db);
    if (!transaction.status().ok())
        return transaction.status();
    if (auto s = m_db.execute(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                                  .arg(m_source.table, assignments.join(QStringLiteral(", ")), m_columnNames[0]),
                              values);
        !s.ok())
        return s;
    std::vector<QString> row;
    if (auto s = readRow(key.toLongLong(), row); !s.ok())
        return s;
    if (auto s = transaction.commit(); !s.ok())
        return s;
    if (!row.empty()) {
        heldFromRow(m_current, row);
        if (static_cast<size_t>(m_slots) < row.size())
            m_currentRow = std::move(row);
    }
    m_pending.clear();
    return Status::success();
}

Status RecordSource::storeNew()
{
    if (auto s = check(); !s.ok())
        return s;
    QStringList columns;
    QStringList marks;
    QVariantList values;
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        QVariant value;
        if (auto s = fieldvalue::toStored(m_columnKinds[static_cast<size_t>(it.key())], m_columnNames[it.key()],
                                          it.value(), value);
            !s.ok())
            return s;
        columns << m_columnNames[it.key()];
        marks << QStringLiteral("?");
        values << value;
    }
    const QString sql = columns.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(m_source.table)
                                          : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                                .arg(m_source.table, columns.join(QStringLiteral(", ")),
                                                     marks.join(QStringLiteral(", ")));
    Transaction transaction(m_db);
    if (!transaction.status().ok())
        return transaction.status();
    if (auto s = m_db.execute(sql, values); !s.ok())
        return s;
    std::vector<QString> row;
    if (auto s = readRow(m_db.lastInsertRowId(), row); !s.ok())
        return s;
    if (auto s = transaction.commit(); !s.ok())
        return s;
    // The stored row joins the result at its end; the record current before addNew() stays current.
    m_adding = false;
    m_pending.clear();
    if (row.empty())
        row.resize(static_cast<size_t>(m_columnNames.size()));
    m_ids.resize(m_ids.size() + static_cast<size_t>(m_slots));
    heldFromRow(m_rowCount, row);
    ++m_rowCount;
    Q_EMIT rowsReset();
    Q_EMIT currentChanged();
    return Status::success();
}

Status RecordSource::readRow(qint64 key, std::vector<QString>& row)
{
    Statement statement(m_db.handle(),
                        QStringLiteral("SELECT * FROM %1 WHERE %2 = ?").arg(m_source.table, m_columnNames[0]));
    if (auto s = statement.bind(1, key); !s.ok())
        return s;
    row.clear();
    switch (statement.step()) {
    case Statement::Step::Row:
        if (statement.columnCount() != m_columnNames.size())
            return Status::success();
        for (int c = 0; c < statement.columnCount(); ++c)
            row.push_back(statement.columnText(c));
        return Status::success();
    case Statement::Step::Done:
        return Status::success(); // the row no longer belongs to the source (a returned loan)
    case Statement::Step::Error:
        break;
    }
    return Status::failure(statement.errorMessage());
}

void RecordSource::setCachedColumns(const QList<int>& columns)
{
    m_cachedColumns = columns;
}

bool RecordSource::isCached(int column) const
{
    return column >= 0 && static_cast<size_t>(column) < m_slotOf.size() && m_slotOf[static_cast<size_t>(column)] >= 0;
}

void RecordSource::heldFromRow(int row, const std::vector<QString>& values)
{
    ++m_generation;
    for (size_t c = 0; c < m_slotOf.size(); ++c) {
        const int slot = m_slotOf[c];
        if (slot < 0)
            continue;
        std::vector<QString>& texts = writable(m_texts[static_cast<size_t>(slot)]);
        m_ids[static_cast<size_t>(row) * static_cast<size_t>(m_slots) + static_cast<size_t>(slot)] =
            static_cast<quint32>(texts.size());
        texts.push_back(values[c]);
    }
}

void RecordSource::completeAllRows()
{
    const auto width = static_cast<size_t>(m_columnNames.size());
    if (static_cast<size_t>(m_slots) == width)
        return;
    std::vector<SharedTexts> texts(width);
    for (SharedTexts& column : texts)
        column = std::make_shared<std::vector<QString>>();
    std::vector<QString> whole;
    for (int row = 0; row < m_rowCount; ++row) {
        if (!readRow(cell(row, 0).toLongLong(), whole).ok() || whole.empty()) {
            // The row is gone from the file: keep what is held of it.
            whole.clear();
            for (size_t c = 0; c < width; ++c)
                whole.push_back(cell(row, static_cast<int>(c)));
        }
        for (size_t c = 0; c < width; ++c)
            texts[c]->push_back(whole[c]);
    }
    m_ids.resize(static_cast<size_t>(m_rowCount) * width);
    for (size_t row = 0; row < static_cast<size_t>(m_rowCount); ++row)
        for (size_t c = 0; c < width; ++c)
            m_ids[row * width + c] = static_cast<quint32>(row);
    m_texts = std::move(texts);
    for (size_t c = 0; c < width; ++c)
        m_slotOf[c] = static_cast<int>(c);
    m_slots = static_cast<int>(width);
    m_currentRow.clear();
    ++m_generation;
}

void RecordSource::setCurrent(int row)
{
    m_current = row;
    m_currentRow.clear();
    // The fields not held for every row are read for the current one.
    if (row >= 0 && static_cast<size_t>(m_slots) < m_slotOf.size()) {
        std::vector<QString> whole;
        if (readRow(cell(row, 0).toLongLong(), whole).ok() && !whole.empty())
            m_currentRow = std::move(whole);
    }
    Q_EMIT currentChanged();
}
