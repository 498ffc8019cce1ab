#pragma once

#include "reports/page_canvas.h"

#include <QString>
#include <QStringList>

#include <vector>

class TextLines;

// Columns of a table fitted to their content, as a browser lays out a table of automatic
// layout: each column between the width of its longest piece that may not be broken and
// the width of its longest line.
namespace typeset {

struct ColumnNeed
{
    double least = 0; // the longest piece that may not be broken
    double most = 0;  // the longest line
};

// Widens the need by a cell's text as the font sets it. A line is broken only at spaces, and
// a line without a letter (a phone number, a date, a number) or a whole one (a heading, a
// value such as "3× DVD") not at all.
void measure(ColumnNeed& need, const QString& text, const TextLines& font, bool whole = false);

// The columns' widths in the total: each its longest line when they all fit (the room left
// shared out as the lines are long); else each at least its longest piece and the rest shared
// out as their lines are longer than that; else (pieces wider than the total together) the
// narrowest pieces whole as long as each fits an even share of what is left, and the other
// columns that share alike, their pieces broken.
std::vector<double> fit(const std::vector<ColumnNeed>& needs, double total);

// A table's places fitted to its header (in its font) and rows (in theirs) across the width,
// a small gap between the columns, the last set right (a number). The first prose columns
// break at spaces; the header and the other cells are values, kept whole where they fit.
std::vector<CellPlace> fitTable(const QStringList& header, const std::vector<QStringList>& rows, double width,
                                const TextLines& headerFont, const TextLines& rowFont, int prose);

} // namespace typeset
