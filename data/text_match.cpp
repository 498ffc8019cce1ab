#include "text_match.h"

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

} // namespace textmatch
