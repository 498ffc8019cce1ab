#pragma once

#include "rows/row_set.h"
#include "rows/text_dictionary.h"

// Rows read at once: of each held column its texts (each distinct text once, as far as
// recognised) and of each row the id of each held column's text.
class HeldRows : public Rows
{
public:
    std::vector<int> slotOf;        // per column: its slot among the held ones, -1 when not held
    std::vector<SharedTexts> texts; // per slot
    std::vector<quint32> ids;       // row-major: the slots of row 0, then of row 1...
    int rowCount = 0;

    int count() const override { return rowCount; }
    bool serves(int column) const override { return isHeld(column); }
    QString value(int row, int column) override { return heldTexts(column)[heldTextId(row, column)]; }
    void setRow(int row, const std::vector<QString>& values) override;
    void append(qint64 key, const std::vector<QString>& values) override;
    void erase(int row) override;

    // Whether every row holds the column's value as a shared text.
    bool isHeld(int column) const { return slotOf[static_cast<size_t>(column)] >= 0; }
    // Whether every column is held.
    bool holdsAll() const { return texts.size() == slotOf.size(); }
    // The texts the rows of a held column share, and the one a row has.
    const std::vector<QString>& heldTexts(int column) const
    {
        return *texts[static_cast<size_t>(slotOf[static_cast<size_t>(column)])];
    }
    quint32 heldTextId(int row, int column) const
    {
        return ids[static_cast<size_t>(row) * texts.size() + static_cast<size_t>(slotOf[static_cast<size_t>(column)])];
    }
};
