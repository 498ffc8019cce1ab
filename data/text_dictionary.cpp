#include "text_dictionary.h"

#include "database.h"

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
    if (m_reads >= 65536 && (m_reads & (m_reads - 1)) == 0 && m_offsets.size() * 100 > m_reads * 97) {
        m_looking = false;
        m_bytes = std::string();
        m_offsets = {};
        m_textIds = {};
        m_slots = {};
        return append(statement.columnText(column));
    }
    if ((m_offsets.size() + 1) * 2 > m_slots.size())
        grow();
    const size_t mask = m_slots.size() - 1;
    size_t slot = hashOf(bytes) & mask;
    for (; m_slots[slot] != 0; slot = (slot + 1) & mask) {
        const quint32 known = m_slots[slot] - 1;
        const size_t begin = m_offsets[known];
        const size_t end = known + 1 < m_offsets.size() ? m_offsets[known + 1] : m_bytes.size();
        if (end - begin == bytes.size() && std::memcmp(m_bytes.data() + begin, bytes.data(), bytes.size()) == 0)
            return m_textIds[known];
    }
    // A new text: its bytes are kept to recognise it again.
    const quint32 id = append(statement.columnText(column));
    m_offsets.push_back(m_bytes.size());
    m_textIds.push_back(id);
    m_bytes.append(bytes);
    m_slots[slot] = static_cast<quint32>(m_offsets.size());
    return id;
}

void TextDictionary::grow()
{
    std::vector<quint32> table(std::max<size_t>(1024, m_slots.size() * 2), 0);
    const size_t mask = table.size() - 1;
    for (quint32 known = 0; known < m_offsets.size(); ++known) {
        const size_t begin = m_offsets[known];
        const size_t end = known + 1 < m_offsets.size() ? m_offsets[known + 1] : m_bytes.size();
        size_t slot = hashOf(std::string_view(m_bytes).substr(begin, end - begin)) & mask;
        while (table[slot] != 0)
            slot = (slot + 1) & mask;
        table[slot] = known + 1;
    }
    m_slots = std::move(table);
}
