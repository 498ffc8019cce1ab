#pragma once

#include <QCollatorSortKey>
#include <QString>
#include <QStringView>

#include <optional>

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

} // namespace listorder
