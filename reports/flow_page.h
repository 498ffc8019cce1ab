#pragma once

#include "reports/page_canvas.h"
#include "reports/text_lines.h"

#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

class QPagedPaintDevice;

// A page of running text painted top to bottom, as a letter is: paragraphs wrapped to the
// width, rows of a small table, a new page where the text runs over the bottom margin.
// Margins of 25 mm at the sides and 20 mm above and below.
class FlowPage
{
public:
    // The fonts of the pages, measured once for all the pages of a document.
    struct Fonts
    {
        explicit Fonts(const QPaintDevice& device);
        TextLines body, bold, title, small, smallBold;
    };

    FlowPage(const QPagedPaintDevice& device, const Fonts& fonts, PageCanvas& canvas);

    enum class Font { Body, Bold, Title };

    qreal width() const { return m_right - m_left; }
    // Whether the canvas failed to begin a page.
    bool failed() const { return m_failed; }

    // Leaves a gap.
    void skip(qreal millimetres);
    // Begins the next page when less than the height (device units) is left on this one.
    void keep(qreal height);
    // What a page that goes on from the one before begins with (a name, a table's header).
    void onContinuedPage(std::function<void()> begin) { m_continued = std::move(begin); }
    // A paragraph wrapped to the width (or each line set right), at most maxLines lines.
    void paragraph(const QString& text, Font font = Font::Body, bool right = false,
                   int maxLines = TextLines::valueLines);
    // The text as the paragraph would set it, its lines joined by line breaks.
    QString fitted(const QString& text, Font font, int maxLines) const;
    // A row of a table in the small font (or the body's), a rule below it: each cell at its
    // column's left edge and in its width (both from the left margin), wrapped to at most
    // TextLines::valueLines lines; right: set right.
    using Column = CellPlace;
    void row(const QStringList& cells, const std::vector<Column>& columns, bool bold = false, bool bodySize = false);

    // A bar chart of the height (millimetres) across the width, in the small font, below its
    // heading (the two kept on one page).
    void bars(const QString& heading, const std::vector<Bar>& bars, qreal heightMm);

private:
    const TextLines& linesOf(Font font) const;

    PageCanvas& m_canvas;
    const Fonts& m_fonts;
    qreal m_mm = 1;
    qreal m_top = 0, m_left = 0, m_right = 0, m_bottom = 0, m_y = 0;
    bool m_failed = false;
    std::function<void()> m_continued;
    bool m_continuing = false; // while the continued page's beginning is painted
};
