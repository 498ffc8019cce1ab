#pragma once

#include <QCollatorSortKey>
#include <QHash>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

// The order of the lists: cells that read as ordinary decimal numbers first, by value;
// other text by Czech collation, ignoring letter case.
namespace listorder {

// One text's place in that order, worked out once to compare it with many.
struct SortKey
{
    bool isNumber = false;
    double number = 0;
    std::optional<QCollatorSortKey> text;
};

SortKey key(const QString& text);
// Negative when a comes first, 0 when they sort alike, positive when b comes first.
int compare(const SortKey& a, const SortKey& b);
// The same for two texts compared once (no key worked out).
int compare(QStringView a, QStringView b);

// Frees the calling thread's collator (a thread that sorted once, for good).
void releaseCollator();

// Distinct texts with their collation keys and their ranks in the order: a list sorted again
// and again (every keystroke of a search) works out each text's key once, then sorts its
// rows by rank, a whole number. Ranks can be worked out on any thread and handed over.
struct Ranking
{
    QHash<QString, int> indexOf; // text -> index in the vectors below
    std::vector<QString> texts;
    std::vector<SortKey> keys;
    std::vector<int> rankOf; // per text; texts that collate alike share a rank
    int rankCount = 0;

    // The index of a text, added (unranked) when new.
    int index(const QString& text, bool& added);
    // The index of each of the texts (-1 for one not known), found without a lookup where
    // they are the very texts ranked, in the same order (shared strings).
    std::vector<int> indexesOf(const std::vector<QString>& others) const;
    // Works out the keys of the texts added since and ranks every text anew.
    void rank();
    void clear() { *this = Ranking(); }
};

} // namespace listorder
