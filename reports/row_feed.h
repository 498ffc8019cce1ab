#pragma once

#include "core/status.h"

#include <QStringList>

// The rows a printed page sets, read from their start as often as asked (the pages are
// set twice), a row at a time: the cells as they are printed.
class RowFeed
{
public:
    virtual ~RowFeed() = default;
    // (Again) before the first row.
    virtual Status start() = 0;
    // The next row's cells; false at the end or on a failure (status()).
    virtual bool next(QStringList& cells) = 0;
    // Why the rows ended early; success at their end.
    virtual Status status() const = 0;
};
