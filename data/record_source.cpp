#include "record_source.h"

#include "database.h"
#include "register.h"

#include <algorithm>

RecordSource::RecordSource(Register& reg, const QString& table, QObject* parent)
    : QObject(parent), m_register(reg), m_db(reg.db()), m_source(queries::all(table))
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

    RowSet rows;
    if (auto s = m_register.rows().select(m_source, m_cachedColumns, rows); !s.ok())
        return s;
    m_columnNames = std::move(rows.names);
    m_columnKinds = std::move(rows.kinds);
    m_texts = std::move(rows.texts);
    m_ids = std::move(rows.ids);
    m_slotOf = std::move(rows.slotOf);
    m_slots = static_cast<int>(m_texts.size());
    m_paged = std::move(rows.paged);
    m_currentRow.clear();
    m_rowCount = rows.count;
    ++m_generation;
    Q_EMIT rowsReset();
    setCurrent(m_rowCount > 0 ? 0 : -1);
    return Status::success();
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
    if (m_paged)
        m_paged->erase(m_current);
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
    if (auto s = pendingValues(assignments, values); !s.ok())
        return s;
    for (QString& column : assignments)
        column += QStringLiteral(" = ?");
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
    if (m_paged)
        m_paged->forget();
    else if (!row.empty()) {
        heldFromRow(m_current, row);
        if (static_cast<size_t>(m_slots) < row.size())
            m_currentRow = std::move(row);
    }
    m_pending.clear();
    return Status::success();
}

// The pending edits as the columns they go to and the values to store, in the order of the columns.
Status RecordSource::pendingValues(QStringList& columns, QVariantList& values) const
{
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        QVariant value;
        if (auto s = fieldvalue::toStored(m_columnKinds[static_cast<size_t>(it.key())], m_columnNames[it.key()],
                                          it.value(), value);
            !s.ok())
            return s;
        columns << m_columnNames[it.key()];
        values << value;
    }
    return Status::success();
}

Status RecordSource::storeNew()
{
    if (auto s = check(); !s.ok())
        return s;
    QStringList columns;
    QVariantList values;
    if (auto s = pendingValues(columns, values); !s.ok())
        return s;
    const QString marks = QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", "));
    const QString sql = columns.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(m_source.table)
                                          : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                                .arg(m_source.table, columns.join(QStringLiteral(", ")), marks);
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
    if (m_paged)
        m_paged->insert(m_db.lastInsertRowId());
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
    std::shared_ptr<PagedRows> paged = std::move(m_paged);
    std::vector<SharedTexts> texts(width);
    for (SharedTexts& column : texts)
        column = std::make_shared<std::vector<QString>>();
    std::vector<QString> whole;
    for (int row = 0; row < m_rowCount; ++row) {
        if (paged) {
            whole.clear();
            for (size_t c = 0; c < width; ++c)
                whole.push_back(paged->value(row, static_cast<int>(c)));
        } else if (!readRow(cell(row, 0).toLongLong(), whole).ok() || whole.empty()) {
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
    if (row >= 0 && !m_paged && static_cast<size_t>(m_slots) < m_slotOf.size()) {
        std::vector<QString> whole;
        if (readRow(cell(row, 0).toLongLong(), whole).ok() && !whole.empty())
            m_currentRow = std::move(whole);
    }
    Q_EMIT currentChanged();
}
