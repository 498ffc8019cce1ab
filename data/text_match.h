#pragma once

#include <QString>

namespace textmatch {

// Whether text holds part anywhere, ignoring letter case in every alphabet
// (Czech "č" finds "Č"). Every character of part stands for itself: quotes,
// "%", "_" and "*" are no wildcards. An empty part is found in any text.
inline bool containsIgnoringCase(const QString& text, const QString& part)
{
    return part.isEmpty() || text.contains(part, Qt::CaseInsensitive);
}

} // namespace textmatch
