#include "binding/record_source.h"

#include "rows/paged_rows.h"
#include "rows/register.h"
#include "storage/database.h"
#include "storage/trash.h"
#include "undo/steps.h"
#include "undo/undo_history.h"

#include <QDateTime>

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
    return fieldvalue::display(m_rows.kinds[static_cast<size_t>(column)], cell(row, column));
}

Status RecordSource::refresh()
{
    if (auto s = commitPending(); !s.ok())
        return s;
    m_adding = false;
    m_pending.clear();
    m_current = -1;
    return reselect(true);
}

Status RecordSource::reselect(bool announce)
{
    RowSet rows;
    if (auto s = m_register.rows().select(m_source, m_heldColumns, rows); !s.ok())
        return s;
    m_rows = std::move(rows);
    if (m_rows.paged)
        m_rows.paged->onRowsGone(
            [this] { QMetaObject::invokeMethod(this, &RecordSource::rereadGoneRows, Qt::QueuedConnection); });
    m_currentRow.clear();
    ++m_generation;
    const int current = m_rows.count() == 0 ? -1 : std::clamp(m_current, 0, m_rows.count() - 1);
    if (announce) {
        Q_EMIT rowsReset();
        setCurrent(current);
    } else {
        Q_EMIT rowsReread();
        m_current = current;
    }
    return Status::success();
}

void RecordSource::rereadGoneRows()
{
    if (!m_rows.paged || m_rows.paged->goneKeys().empty())
        return;
    // A failure to read shows as it would at the window's next query. The fields keep
    // showing what they showed: only a pick changes the record a window acts on.
    (void)m_register.rows().noteGoneKeys(m_source, m_rows.paged->goneKeys());
    (void)reselect(false);
}

Status RecordSource::moveTo(int row)
{
    if (auto s = commitPending(); !s.ok())
        return s;
    if (row >= 0 && row < m_rows.count())
        setCurrent(row);
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
    const qint64 key = cell(m_current, 0).toLongLong();
    QString name;
    const qint64 step = startStep(QStringLiteral("smazání"), key, name);
    if (auto s = captureStep(step, false, key, true); !s.ok())
        return s;
    // A disc or a person goes to the trash with its loans, in the delete's own transaction.
    const bool toTrash = m_source.table == QLatin1String("cd") || m_source.table == QLatin1String("lide");
    if (toTrash) {
        Status kept = Status::success();
        trash::keep(m_db, m_source.table, key, QDateTime::currentDateTime(), kept);
        if (!kept.ok())
            return kept;
    }
    if (auto s = m_db.execute(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(m_source.table, m_rows.names[0]),
                              {cell(m_current, 0)});
        !s.ok())
        return s;
    if (auto s = transaction.commit(); !s.ok())
        return s;
    if (step != 0)
        m_history->add(step, name, toTrash ? m_source.table : QString(), key);
    if (m_rows.rows)
        m_rows.rows->erase(m_current);
    ++m_generation;
    Q_EMIT rowsReset();
    setCurrent(std::min(m_current, m_rows.count() - 1));
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
    if (m_rows.names.isEmpty())
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
    QString name;
    const qint64 step = startStep(QStringLiteral("úprava"), key.toLongLong(), name);
    if (auto s = captureStep(step, false, key.toLongLong()); !s.ok())
        return s;
    const qint64 changesBefore = m_db.totalChanges();
    if (auto s = m_db.execute(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                                  .arg(m_source.table, assignments.join(QStringLiteral(", ")), m_rows.names[0]),
                              values);
        !s.ok())
        return s;
    // Another window or another copy of the program may have deleted the record since it
    // was read: then nothing was stored, and saying so is the truth.
    if (m_db.totalChanges() == changesBefore) {
        m_pending.clear();
        return Status::failure(QStringLiteral("Záznam už v evidenci není, mezitím byl smazán; nic nebylo uloženo."));
    }
    std::vector<QString> row;
    if (auto s = readRow(key.toLongLong(), row); !s.ok())
        return s;
    if (auto s = captureStep(step, true, key.toLongLong()); !s.ok())
        return s;
    // Storing what was there already is no change to take back.
    bool changed = false;
    if (step != 0)
        if (auto s = steps::differs(m_db, step, changed); !s.ok())
            return s;
    if (auto s = transaction.commit(); !s.ok())
        return s;
    if (step != 0 && changed)
        m_history->add(step, name);
    else if (step != 0)
        (void)steps::forget(m_db, step);
    if (m_rows.rows)
        m_rows.rows->setRow(m_current, row);
    ++m_generation;
    m_currentRow = std::move(row);
    m_pending.clear();
    return Status::success();
}

// The pending edits as the columns they go to and the values to store, in the order of the columns.
Status RecordSource::pendingValues(QStringList& columns, QVariantList& values) const
{
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        QVariant value;
        if (auto s = fieldvalue::toStored(m_rows.kinds[static_cast<size_t>(it.key())], m_rows.names[it.key()],
                                          it.value(), value);
            !s.ok())
            return s;
        columns << m_rows.names[it.key()];
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
    const qint64 key = m_db.lastInsertRowId();
    std::vector<QString> row;
    if (auto s = readRow(key, row); !s.ok())
        return s;
    QString name;
    const qint64 step = startStep(QStringLiteral("přidání"), key, name);
    if (auto s = captureStep(step, true, key); !s.ok())
        return s;
    if (auto s = transaction.commit(); !s.ok())
        return s;
    if (step != 0)
        m_history->add(step, name);
    // The stored row joins the result at its end; the record current before addNew() stays current.
    m_adding = false;
    m_pending.clear();
    if (m_rows.rows)
        m_rows.rows->append(key, row);
    ++m_generation;
    Q_EMIT rowsReset();
    Q_EMIT currentChanged();
    return Status::success();
}

qint64 RecordSource::startStep(const QString& action, qint64 key, QString& name)
{
    const QString table = steps::changedTable(m_source.table);
    if (!m_history || table.isEmpty())
        return 0;
    // A loan is added by lending and changed by its return.
    QString done = action;
    if (table == QLatin1String("pujcovani") && action != QStringLiteral("smazání"))
        done = action == QStringLiteral("přidání") ? QStringLiteral("půjčení") : QStringLiteral("vrácení");
    name = steps::describe(m_db, done, table, key);
    return m_history->nextStep();
}

Status RecordSource::captureStep(qint64 step, bool after, qint64 key, bool withLoans)
{
    if (step == 0)
        return Status::success();
    return steps::captureRow(m_db, step, after ? steps::State::After : steps::State::Before,
                             steps::changedTable(m_source.table), key, withLoans);
}

Status RecordSource::readRow(qint64 key, std::vector<QString>& row)
{
    Statement statement(m_db, QStringLiteral("SELECT * FROM %1 WHERE %2 = ?").arg(m_source.table, m_rows.names[0]));
    if (auto s = statement.bind(1, key); !s.ok())
        return s;
    row.clear();
    switch (statement.step()) {
    case Statement::Step::Row:
        if (statement.columnCount() != m_rows.names.size())
            return Status::success();
        for (int c = 0; c < statement.columnCount(); ++c)
            row.push_back(statement.columnText(c));
        return Status::success();
    case Statement::Step::Done:
        return Status::success(); // the row no longer belongs to the source (a returned loan)
    case Statement::Step::Error:
        break;
    }
    return statement.failure();
}

void RecordSource::setHeldColumns(const QList<int>& columns)
{
    m_heldColumns = columns;
}

bool RecordSource::isHeld(int column) const
{
    return column >= 0 && column < columnCount() && m_rows.held && m_rows.held->isHeld(column);
}

Status RecordSource::holdColumn(int column)
{
    if (hasEveryValue(column) || column < 0 || column >= columnCount())
        return Status::success();
    m_heldColumns << column;
    return reselect(false);
}

void RecordSource::setCurrent(int row)
{
    m_current = row;
    m_currentRow.clear();
    // The fields not held for every row are read for the current one.
    if (row >= 0 && m_rows.held && !m_rows.held->holdsAll()) {
        std::vector<QString> whole;
        if (readRow(cell(row, 0).toLongLong(), whole).ok() && !whole.empty())
            m_currentRow = std::move(whole);
    }
    Q_EMIT currentChanged();
}
