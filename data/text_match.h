#pragma once

#include <QString>
#include <QStringView>

namespace textmatch {

// Whether text holds part anywhere, ignoring letter case in every alphabet
// (Czech "č" finds "Č"), exactly as QString::contains with Qt::CaseInsensitive
// decides it. Every character of part stands for itself: quotes, "%", "_" and
// "*" are no wildcards. An empty part is found in any text.
bool containsIgnoringCase(QStringView text, QStringView part);

} // namespace textmatch
