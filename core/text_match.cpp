#include "core/text_match.h"

#include <algorithm>
#include <memory>

namespace textmatch {

namespace {

// The case fold of every UTF-16 code unit, as QChar folds it: folding a table's texts
// through this one table is about a third quicker than through Qt's several-level lookups
// (docs/performance.md).
const char16_t* foldTable()
{
    static const std::unique_ptr<char16_t[]> table = [] {
        auto folds = std::make_unique<char16_t[]>(0x10000);
        for (char32_t unit = 0; unit < 0x10000; ++unit)
            folds[unit] = QChar(static_cast<char16_t>(unit)).toCaseFolded().unicode();
        return folds;
    }();
    return table.get();
}

// Whether the text has a character beyond the Basic Multilingual Plane (a surrogate pair, or half of one).
bool hasSurrogate(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); });
}

} // namespace

void FoldedTexts::update(const std::vector<QString>& texts)
{
    const char16_t* fold = foldTable();
    for (size_t i = m_ends.size(); i < texts.size(); ++i) {
        const QString& text = texts[i];
        for (QChar c : text)
            m_folded.push_back(fold[c.unicode()]);
        m_ends.push_back(m_folded.size());
        m_whole.push_back(text.isNull() ? 2 : (hasSurrogate(text) ? 0 : 1));
    }
}

std::vector<char> FoldedTexts::containing(const std::vector<QString>& texts, QStringView part) const
{
    std::vector<char> result(texts.size(), 0);
    const bool partWhole = !hasSurrogate(part);
    const QString foldedPart = part.toString().toCaseFolded();
    const std::u16string_view wanted(reinterpret_cast<const char16_t*>(foldedPart.utf16()),
                                     static_cast<size_t>(foldedPart.size()));
    const std::u16string_view all(m_folded);
    size_t begin = 0;
    for (size_t i = 0; i < texts.size() && i < m_ends.size(); ++i) {
        const size_t end = m_ends[i];
        if (m_whole[i] == 2)
            result[i] = 0;
        else if (m_whole[i] == 1 && partWhole)
            result[i] = all.substr(begin, end - begin).find(wanted) != std::u16string_view::npos;
        else // beside a surrogate Qt folds whole characters
            result[i] = texts[i].contains(part, Qt::CaseInsensitive);
        begin = end;
    }
    return result;
}

} // namespace textmatch
