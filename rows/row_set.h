#pragma once

#include "core/field_value.h"
#include "rows/paged_rows.h"
#include "rows/text_dictionary.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// The rows of a query as a record source holds them: of each held column its texts (each
// distinct text once, as far as recognised) and of each row the id of each held column's
// text; or, for a loan query, every value of its rows read a page at a time.
struct RowSet
{
    QStringList names;              // every column of the query, in its order
    std::vector<FieldKind> kinds;   // per column
    std::vector<int> slotOf;        // per column: its slot among the held ones, -1 when not held
    std::vector<SharedTexts> texts; // per slot
    std::vector<quint32> ids;       // row-major: the slots of row 0, then of row 1...
    int count = 0;                  // rows
    // The rows of a loan query, read a page at a time as they are looked at: then no column
    // is held (slotOf all -1), and every value comes from here.
    std::shared_ptr<PagedRows> paged;

    // Whether every row holds the column's value as a shared text.
    bool isHeld(int column) const { return slotOf[static_cast<size_t>(column)] >= 0; }
    // Whether every value of the rows can be read from here (a held column, or any of paged rows).
    bool serves(int column) const { return paged || isHeld(column); }
    // The value of a column served here (see serves()).
    QString value(int row, int column) const
    {
        return paged ? paged->value(row, column) : heldTexts(column)[heldTextId(row, column)];
    }
    // The texts the rows of a held column share, and the one a row has.
    const std::vector<QString>& heldTexts(int column) const
    {
        return *texts[static_cast<size_t>(slotOf[static_cast<size_t>(column)])];
    }
    quint32 heldTextId(int row, int column) const
    {
        return ids[static_cast<size_t>(row) * texts.size() + static_cast<size_t>(slotOf[static_cast<size_t>(column)])];
    }

    // A row's values (every column, in order) replace what is held of it.
    void setRow(int row, const std::vector<QString>& values);
    // A stored row (its key, and its values when known) joins the rows.
    void append(qint64 key, const std::vector<QString>& values);
    void erase(int row);
    // Holds every column of every row, each row's values as read gives them.
    void holdAll(const std::function<std::vector<QString>(int row)>& read);
};
