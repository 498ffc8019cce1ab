#include "core/text_match.h"

#include <QChar>
#include <QVarLengthArray>

#include <memory>

namespace textmatch {

namespace {

// The case fold of every UTF-16 code unit, as QChar folds it. Searches compare
// code units through this one table instead of Qt's several-level lookups.
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

bool isSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}

} // namespace

bool containsIgnoringCase(QStringView text, QStringView part)
{
    if (part.isEmpty())
        return true;
    // Beside a surrogate Qt folds whole characters (outside the Basic Multilingual
    // Plane): such texts are left to Qt itself. Elsewhere it folds code unit by code unit.
    for (QChar c : part)
        if (isSurrogate(c.unicode()))
            return text.contains(part, Qt::CaseInsensitive);
    const qsizetype n = part.size();
    const qsizetype m = text.size();
    if (n > m)
        return false;
    const char16_t* fold = foldTable();
    QVarLengthArray<char16_t, 64> folded(n);
    for (qsizetype j = 0; j < n; ++j)
        folded[j] = fold[part[j].unicode()];
    const char16_t* units = text.utf16();
    for (qsizetype i = 0; i < m; ++i) {
        const char16_t unit = units[i];
        if (isSurrogate(unit))
            return text.contains(part, Qt::CaseInsensitive);
        if (i + n > m || fold[unit] != folded[0])
            continue;
        qsizetype j = 1;
        while (j < n && !isSurrogate(units[i + j]) && fold[units[i + j]] == folded[j])
            ++j;
        if (j == n)
            return true;
        if (isSurrogate(units[i + j]))
            return text.contains(part, Qt::CaseInsensitive);
    }
    return false;
}

void FoldedTexts::update(const std::vector<QString>& texts)
{
    const char16_t* fold = foldTable();
    for (size_t i = m_ends.size(); i < texts.size(); ++i) {
        const QString& text = texts[i];
        char whole = text.isNull() ? 2 : 1;
        for (QChar c : text) {
            if (isSurrogate(c.unicode()))
                whole = 0;
            m_folded.push_back(fold[c.unicode()]);
        }
        m_ends.push_back(m_folded.size());
        m_whole.push_back(whole);
    }
}

std::vector<char> FoldedTexts::containing(const std::vector<QString>& texts, QStringView part) const
{
    std::vector<char> result(texts.size(), 0);
    bool partWhole = true;
    for (QChar c : part)
        partWhole = partWhole && !isSurrogate(c.unicode());
    const char16_t* fold = foldTable();
    std::u16string foldedPart;
    for (QChar c : part)
        foldedPart.push_back(fold[c.unicode()]);
    const std::u16string_view all(m_folded);
    size_t begin = 0;
    for (size_t i = 0; i < texts.size() && i < m_ends.size(); ++i) {
        const size_t end = m_ends[i];
        if (m_whole[i] == 2)
            result[i] = 0;
        else if (m_whole[i] == 1 && partWhole)
            result[i] = all.substr(begin, end - begin).find(foldedPart) != std::u16string_view::npos;
        else
            result[i] = containsIgnoringCase(texts[i], part);
        begin = end;
    }
    return result;
}

} // namespace textmatch
