#include "rows/held_rows.h"

void HeldRows::setRow(int row, const std::vector<QString>& values)
{
    for (size_t c = 0; c < slotOf.size() && c < values.size(); ++c) {
        const int slot = slotOf[c];
        if (slot < 0)
            continue;
        std::vector<QString>& shared = writable(texts[static_cast<size_t>(slot)]);
        ids[static_cast<size_t>(row) * texts.size() + static_cast<size_t>(slot)] = static_cast<quint32>(shared.size());
        shared.push_back(values[c]);
    }
}

void HeldRows::append(qint64, const std::vector<QString>& values)
{
    ids.resize(ids.size() + texts.size());
    ++rowCount;
    std::vector<QString> row = values;
    row.resize(slotOf.size());
    setRow(rowCount - 1, row);
}

void HeldRows::erase(int row)
{
    const auto first = ids.begin() + static_cast<std::ptrdiff_t>(row) * static_cast<std::ptrdiff_t>(texts.size());
    ids.erase(first, first + static_cast<std::ptrdiff_t>(texts.size()));
    --rowCount;
}
