#include "rows/row_set.h"

void RowSet::setRow(int row, const std::vector<QString>& values)
{
    if (paged) {
        paged->forget();
        return;
    }
    for (size_t c = 0; c < slotOf.size() && c < values.size(); ++c) {
        const int slot = slotOf[c];
        if (slot < 0)
            continue;
        std::vector<QString>& shared = writable(texts[static_cast<size_t>(slot)]);
        ids[static_cast<size_t>(row) * texts.size() + static_cast<size_t>(slot)] = static_cast<quint32>(shared.size());
        shared.push_back(values[c]);
    }
}

void RowSet::append(qint64 key, const std::vector<QString>& values)
{
    if (paged)
        paged->insert(key);
    ids.resize(ids.size() + texts.size());
    ++count;
    std::vector<QString> row = values;
    row.resize(slotOf.size());
    setRow(count - 1, row);
}

void RowSet::erase(int row)
{
    if (paged)
        paged->erase(row);
    const auto first = ids.begin() + static_cast<std::ptrdiff_t>(row) * static_cast<std::ptrdiff_t>(texts.size());
    ids.erase(first, first + static_cast<std::ptrdiff_t>(texts.size()));
    --count;
}

void RowSet::holdAll(const std::function<std::vector<QString>(int row)>& read)
{
    const size_t width = slotOf.size();
    std::vector<SharedTexts> all(width);
    for (SharedTexts& column : all)
        column = std::make_shared<std::vector<QString>>();
    for (int row = 0; row < count; ++row) {
        const std::vector<QString> values = read(row);
        for (size_t c = 0; c < width; ++c)
            all[c]->push_back(c < values.size() ? values[c] : QString());
    }
    ids.resize(static_cast<size_t>(count) * width);
    for (size_t row = 0; row < static_cast<size_t>(count); ++row)
        for (size_t c = 0; c < width; ++c)
            ids[row * width + c] = static_cast<quint32>(row);
    texts = std::move(all);
    for (size_t c = 0; c < width; ++c)
        slotOf[c] = static_cast<int>(c);
    paged.reset();
}
