#pragma once

#include "reports/column_fit.h"
#include "reports/page_canvas.h"
#include "reports/text_lines.h"

#include <QFont>
#include <QFontMetricsF>
#include <QString>
#include <QStringList>

#include <vector>

class QPagedPaintDevice;

// The typesetting of a list's rows into pages, a row at a time, so that memory does not
// grow with the rows. Every page carries the list's title and count, the header row, the
// day it was printed and "Strana X z N"; a text too long for its column is wrapped onto
// more lines, at spaces where it can, never cut; a row too tall for a page goes on over the
// next. Pages are set twice: once counting them, then painting with their number known.
namespace typeset {

struct Column
{
    QString label;
    double share = 1;   // of the width of the rows, relative to the others
    bool right = false; // numbers: aligned to the right
};

struct ListHead
{
    QString title;     // "Seznam CD"
    QString count;     // the line below it ("Počet: 300")
    QString printedOn; // "Vytištěno 09.12.2026"
    std::vector<Column> columns;
};

class ListPages
{
public:
    // Pages the size of the device's page layout (its orientation included), in its units.
    ListPages(const ListHead& head, const QPagedPaintDevice& device);

    // The line below the title ("Počet: 300"), known once the rows were counted.
    void setCount(const QString& count) { m_head.count = count; }
    // Begins a pass: counting the pages (no canvas), or painting them on the canvas.
    void begin(PageCanvas* canvas, int pageCount = 0);
    // Sets one row, its cells in the columns' order; false when the canvas failed.
    bool add(const QStringList& cells);
    // Ends the pass and returns the number of pages (an empty list has one, its header alone).
    int finish();

    // The columns fitted to their content (column_fit.h): their needs begun with the header's,
    // widened by each row's cells, then the columns set to them. Until then the columns
    // take their shares of the width.
    std::vector<ColumnNeed> headerNeeds() const;
    void measure(std::vector<ColumnNeed>& needs, const QStringList& cells) const;
    void fitTo(const std::vector<ColumnNeed>& needs);

    // How many rows of one line a page holds.
    int rowsPerPage() const;

    // The lines a text takes in the column (in the header's bold font, or the rows'); a
    // row's cell at most TextLines::valueLines of them.
    QStringList wrap(const QString& text, int column, bool bold = false) const;

private:
    bool openPage();
    void paintFrame();
    // Sets the columns to the widths (their padding included) and the header into them.
    void place(const std::vector<qreal>& widths);

    ListHead m_head;
    TextLines m_body, m_bold, m_title, m_small;
    qreal m_unitsPerMm = 1;
    qreal m_pageHeight = 0;
    qreal m_left = 0, m_right = 0, m_top = 0, m_bottom = 0; // the area between the margins
    qreal m_padding = 0;                                    // inside a cell, on each side
    std::vector<CellPlace> m_places;                        // of each column, padding excluded
    WrappedCells m_headerCells;
    qreal m_rowsTop = 0; // where the rows begin, below the header
    qreal m_lineHeight = 0;

    PageCanvas* m_canvas = nullptr;
    int m_pageCount = 0;
    int m_page = 0;
    bool m_pageOpen = false;
    int m_rowsOnPage = 0;
    qreal m_y = 0;
    bool m_failed = false;
};

} // namespace typeset
