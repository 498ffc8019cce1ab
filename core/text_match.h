#pragma once

#include <QString>
#include <QStringView>

#include <string>
#include <vector>

namespace textmatch {

// Many texts folded once, one after another, to be searched for one part after
// another: each search reads them in one sequential pass (docs/performance.md: a search
// of two letters or more about twice as quick as Qt's search of each text). Decides
// whether a text holds the part anywhere, ignoring letter case in every alphabet (Czech
// "č" finds "Č"), exactly as QString::contains with Qt::CaseInsensitive decides it. Every
// character of the part stands for itself: quotes, "%", "_" and "*" are no wildcards.
// An empty part is found in any text; a null text contains nothing.
class FoldedTexts
{
public:
    // Folds the texts not folded yet (the list only ever grows at its end).
    void update(const std::vector<QString>& texts);
    // For each text, whether it contains the part.
    std::vector<char> containing(const std::vector<QString>& texts, QStringView part) const;

private:
    std::u16string m_folded;
    std::vector<size_t> m_ends; // per text: where its folded units end
    std::vector<char> m_whole;  // per text: 1 when searched here (no surrogate), 2 when null
};

} // namespace textmatch
