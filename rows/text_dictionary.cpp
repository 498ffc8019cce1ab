#include "rows/text_dictionary.h"

#include "storage/database.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

namespace {

// Well mixed in every bit: the slot is taken from the lowest bits, and dates or
// numbered names differ only in a few characters.
size_t hashOf(std::string_view bytes)
{
    return std::hash<std::string_view>()(bytes);
}

} // namespace

std::vector<QString>& writable(SharedTexts& texts)
{
    if (!texts)
        texts = std::make_shared<std::vector<QString>>();
    else if (texts.use_count() > 1)
        texts = std::make_shared<std::vector<QString>>(*texts);
    return *texts;
}

quint32 TextDictionary::append(QString text)
{
    m_texts.push_back(std::move(text));
    return static_cast<quint32>(m_texts.size() - 1);
}

quint32 TextDictionary::add(const Statement& statement, int column)
{
    if (statement.isNull(column)) {
        if (m_null == ~quint32(0))
            m_null = append(QString());
        return m_null;
    }
    if (!m_looking)
        return append(statement.columnText(column));
    const std::string_view bytes = statement.columnUtf8(column);
    ++m_reads;
    // Checked at 64 Ki reads and each doubling: a column of names drawn at random from
    // a large set still repeats by then, one of unique values does not.
    if (m_reads >= 65536 && (m_reads & (m_reads - 1)) == 0 && m_entries.size() * 100 > m_reads * 97) {
        m_looking = false;
        m_bytes = std::string();
        m_entries = {};
        m_slots = {};
        return append(statement.columnText(column));
    }
    if ((m_entries.size() + 1) * 2 > m_slots.size())
        grow();
    const size_t hash = hashOf(bytes);
    const auto tag = static_cast<quint32>(hash >> 32);
    const size_t mask = m_slots.size() - 1;
    size_t slot = hash & mask;
    for (; m_slots[slot].entry != 0; slot = (slot + 1) & mask) {
        if (m_slots[slot].tag != tag)
            continue;
        const Entry& known = m_entries[m_slots[slot].entry - 1];
        if (known.length == bytes.size() && std::memcmp(m_bytes.data() + known.offset, bytes.data(), bytes.size()) == 0)
            return known.id;
    }
    // A new text: its bytes are kept to recognise it again.
    const quint32 id = append(statement.columnText(column));
    m_entries.push_back({m_bytes.size(), hash, static_cast<quint32>(bytes.size()), id});
    m_bytes.append(bytes);
    m_slots[slot] = {tag, static_cast<quint32>(m_entries.size())};
    return id;
}

void TextDictionary::grow()
{
    std::vector<Slot> table(std::max<size_t>(1024, m_slots.size() * 2));
    const size_t mask = table.size() - 1;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        size_t slot = m_entries[i].hash & mask;
        while (table[slot].entry != 0)
            slot = (slot + 1) & mask;
        table[slot] = {static_cast<quint32>(m_entries[i].hash >> 32), static_cast<quint32>(i + 1)};
    }
    m_slots = std::move(table);
}
