#pragma once

#include "core/field_value.h"
#include "core/source_query.h"
#include "core/status.h"
#include "rows/held_rows.h"
#include "rows/row_set.h"

#include <QMap>
#include <QObject>
#include <QStringList>

#include <vector>

class Database;
class Register;
class UndoHistory;

// A window's invisible data component: evaluates its source, holds the rows
// with one current record, and writes the pending edits of its bound fields
// back under the commit rule: what is typed into a field opened for editing,
// or stored into it by an action, reaches the record at the next move,
// refresh or update. Clearing a field's display is never an edit.
class RecordSource : public QObject
{
    Q_OBJECT

public:
    // A source over all rows of a table or saved query; call refresh() to load it.
    RecordSource(Register& reg, const QString& table, QObject* parent = nullptr);

    // Where the changes stored through this source go as steps that can be taken back (none
    // by default).
    void setHistory(UndoHistory* history) { m_history = history; }

    // Sets a new source, effective at the next refresh().
    void setRecordSource(const QString& table);
    void setRecordSource(SourceQuery query);
    const SourceQuery& recordSource() const { return m_source; }

    // Stores pending edits, re-evaluates the source and makes the first row current.
    Status refresh();
    // Rows in the whole result.
    int recordCount() const { return m_rows.count(); }
    // Index of the current record, 0 for the first; -1 when there is none.
    int absolutePosition() const { return m_current; }
    // Store pending edits and move one row; at either end nothing moves.
    Status moveNext() { return moveTo(m_current + 1); }
    Status movePrevious() { return moveTo(m_current - 1); }
    // Store pending edits and make the last row current.
    Status moveLast() { return moveTo(m_rows.count() - 1); }
    // Starts a new, empty record; its bound fields clear and edit it.
    void addNew();
    // Stores the new record (after addNew) or the pending edits of the current one.
    Status update();
    // Stores the record started by addNew() and makes it current (update, then moveLast);
    // when that fails the new record is dropped and the file holds nothing of it.
    Status updateNew();
    // Drops the pending edits (and a new record not yet stored) without writing them.
    void cancelUpdate();
    // Deletes the current record from its table (the database removes what depends on it).
    Status deleteCurrent();

    // The columns read and held for every row at a refresh (the key always is); the
    // other fields are read for the current row only. Empty (the default) holds every column.
    // (docs/performance.md: start-up a third quicker than holding every column.)
    void setHeldColumns(const QList<int>& columns);
    // Whether every row holds the column's value as a shared text (heldTexts).
    bool isHeld(int column) const;
    // Whether cell() gives the column's value of every row (held, or read by pages).
    bool hasEveryValue(int column) const { return m_rows.rows && m_rows.rows->serves(column); }
    // Reads the rows again holding the column too (a sort by a column no grid shows).
    Status holdColumn(int column);

    int columnCount() const { return m_rows.names.size(); }
    const QStringList& columnNames() const { return m_rows.names; }
    FieldKind columnKind(int column) const { return m_rows.kinds.at(static_cast<size_t>(column)); }
    // Index of the named column, -1 when the source has no such column.
    int columnIndex(const QString& field) const { return m_rows.names.indexOf(field); }
    // A stored value in its plain text form: numbers in digits, yes/no "1" or "0",
    // dates ISO; a null string for an empty (NULL) value, and for a column not
    // held for every row (see setHeldColumns) of a row that is not current.
    QString cell(int row, int column) const
    {
        if (m_rows.rows && m_rows.rows->serves(column))
            return m_rows.rows->value(row, column);
        if (row == m_current && !m_currentRow.empty())
            return m_currentRow[static_cast<size_t>(column)];
        return QString();
    }
    // The texts the rows of a held column share, and the one a row has: cell(row, column)
    // is heldTexts(column)[heldTextId(row, column)].
    const std::vector<QString>& heldTexts(int column) const { return m_rows.held->heldTexts(column); }
    quint32 heldTextId(int row, int column) const { return m_rows.held->heldTextId(row, column); }
    // Changes whenever a row's held values may have changed (a refresh, an insert, a
    // delete, a stored edit), so that what was worked out from them can be kept till then.
    quint64 generation() const { return m_generation; }
    // A value as grids and text boxes show it.
    QString displayText(int row, int column) const;

    // Whether a record is current (or being added) for bound fields to show.
    bool hasCurrentRecord() const { return m_adding || m_current >= 0; }
    // The value a bound field shows: its pending edit, else the current record's value.
    QString fieldText(const QString& field) const;
    // Records an edit of a field of the current (or new) record, stored at the next move, refresh or update.
    void setFieldText(const QString& field, const QString& text);
    // Whether edits await storing.
    bool hasPendingEdits() const { return !m_pending.isEmpty(); }

Q_SIGNALS:
    // The rows were loaded anew (refresh, insert, delete): grids reload.
    void rowsReset();
    // The same query was read anew by itself (a loan list that found rows gone, a column
    // held anew): grids reload their rows and keep their headings.
    void rowsReread();
    // Another record became current, or a new one was started: bound fields show it.
    void currentChanged();

private:
    // Reads the rows of the source anew, keeping the current row where it can; announced
    // as a new current record, or not.
    Status reselect(bool announce);
    // Stores pending edits and makes the row current (nothing moves to a row not there).
    Status moveTo(int row);
    // A page of a loan list found rows gone: the list is read anew.
    void rereadGoneRows();
    Status commitPending();
    Status storeNew();
    Status pendingValues(QStringList& columns, QVariantList& values) const;
    Status readRow(qint64 key, std::vector<QString>& row);
    void setCurrent(int row);
    Status check() const;
    // A step of the history for a change of the record with the key, named after the action
    // ("smazání"); 0 without a history or for rows of no register's table.
    qint64 startStep(const QString& action, qint64 key, QString& name);
    // Keeps the record's row (and its loans) as it is now as the step's image before or after.
    Status captureStep(qint64 step, bool after, qint64 key, bool withLoans = false);

    Register& m_register;
    Database& m_db;
    SourceQuery m_source;
    RowSet m_rows;
    quint64 m_generation = 0;
    std::vector<QString> m_currentRow; // every field of the current row, when not all are held
    QList<int> m_heldColumns;
    int m_current = -1;
    bool m_adding = false;
    QMap<int, QString> m_pending; // column -> text typed or stored, not yet written
    UndoHistory* m_history = nullptr;
};
