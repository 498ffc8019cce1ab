#include "rows/text_dictionary.h"

#include "storage/database.h"

#include <functional>
#include <string_view>

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
    if (m_reads >= 65536 && (m_reads & (m_reads - 1)) == 0 && m_known.size() * 100 > m_reads * 97) {
        m_looking = false;
        m_known = {};
        return append(statement.columnText(column));
    }
    if (const auto found = m_known.find(bytes); found != m_known.end())
        return found->second;
    const quint32 id = append(statement.columnText(column));
    m_known.emplace(bytes, id);
    return id;
}
