#include "reports/list_pages.h"

#include "reports/page_fonts.h"

#include <QPagedPaintDevice>

#include <algorithm>
#include <numeric>

namespace typeset {
namespace {

// The page's margins and the gaps between its parts, in millimetres.
constexpr qreal sideMargin = 15;
constexpr qreal topMargin = 12;
constexpr qreal bottomMargin = 12;
constexpr qreal cellPadding = 1.2;
constexpr qreal rowGap = 0.6; // above and below a row's lines

} // namespace

ListPages::ListPages(const ListHead& head, const QPagedPaintDevice& device)
    : m_head(head), m_body(pagefonts::font(9), device), m_bold(pagefonts::font(9, true), device),
      m_title(pagefonts::font(14, true), device), m_small(pagefonts::font(8), device)
{
    const PageArea area(device, sideMargin, topMargin, bottomMargin);
    m_unitsPerMm = area.mm;
    m_pageHeight = area.height;
    m_left = area.left;
    m_right = area.right;
    m_top = area.top;
    m_bottom = area.bottom - 2 * m_small.metrics().lineSpacing(); // the footer's room
    m_padding = cellPadding * m_unitsPerMm;
    m_lineHeight = m_body.metrics().lineSpacing();

    const double shares = std::accumulate(m_head.columns.begin(), m_head.columns.end(), 0.0,
                                          [](double sum, const Column& c) { return sum + c.share; });
    std::vector<qreal> widths;
    for (const Column& column : m_head.columns)
        widths.push_back((m_right - m_left) * column.share / (shares > 0 ? shares : 1));
    place(widths);
}

void ListPages::place(const std::vector<qreal>& widths)
{
    m_places.clear();
    qreal x = m_left;
    for (size_t c = 0; c < widths.size(); ++c) {
        m_places.push_back({x + m_padding,
                            std::max<qreal>(widths[c] - 2 * m_padding, m_body.metrics().averageCharWidth()),
                            m_head.columns[c].right});
        x += widths[c];
    }
    QStringList labels;
    for (const Column& column : m_head.columns)
        labels << column.label;
    m_headerCells = wrapCells(m_bold, labels, m_places, 0);
    m_rowsTop = m_top + m_title.metrics().lineSpacing() + m_body.metrics().lineSpacing() + 2 * m_unitsPerMm +
                static_cast<qreal>(m_headerCells.height) * m_bold.metrics().lineSpacing() + 2 * rowGap * m_unitsPerMm;
}

std::vector<ColumnNeed> ListPages::headerNeeds() const
{
    std::vector<ColumnNeed> needs(m_head.columns.size());
    for (size_t c = 0; c < needs.size(); ++c)
        typeset::measure(needs[c], m_head.columns[c].label, m_bold);
    return needs;
}

void ListPages::measure(std::vector<ColumnNeed>& needs, const QStringList& cells) const
{
    for (size_t c = 0; c < needs.size() && c < static_cast<size_t>(cells.size()); ++c)
        typeset::measure(needs[c], cells[static_cast<qsizetype>(c)], m_body, m_head.columns[c].right);
}

void ListPages::fitTo(const std::vector<ColumnNeed>& needs)
{
    const qreal paddings = 2 * m_padding * static_cast<qreal>(needs.size());
    std::vector<qreal> widths = typeset::fit(needs, std::max<qreal>(0, m_right - m_left - paddings));
    for (qreal& width : widths)
        width += 2 * m_padding;
    place(widths);
}

QStringList ListPages::wrap(const QString& text, int column, bool bold) const
{
    const qreal width = m_places[static_cast<size_t>(column)].width;
    return bold ? m_bold.wrap(text, width) : m_body.wrap(text, width, TextLines::valueLines);
}

int ListPages::rowsPerPage() const
{
    return std::max(1, static_cast<int>((m_bottom - m_rowsTop) / (m_lineHeight + 2 * rowGap * m_unitsPerMm)));
}

void ListPages::begin(PageCanvas* canvas, int pageCount)
{
    m_canvas = canvas;
    m_pageCount = pageCount;
    m_page = 0;
    m_pageOpen = false;
    m_failed = false;
}

bool ListPages::openPage()
{
    if (m_canvas && m_page > 0 && !m_canvas->newPage())
        m_failed = true;
    ++m_page;
    m_pageOpen = true;
    m_rowsOnPage = 0;
    m_y = m_rowsTop;
    if (m_canvas)
        paintFrame();
    return !m_failed;
}

void ListPages::paintFrame()
{
    PageCanvas& canvas = *m_canvas;
    qreal y = m_top + m_title.metrics().ascent();
    canvas.text({m_left, y}, m_head.title, m_title.font());
    y += m_title.metrics().descent() + m_body.metrics().ascent();
    canvas.text({m_left, y}, m_head.count, m_body.font());
    y += m_body.metrics().descent() + 2 * m_unitsPerMm + m_bold.metrics().ascent();
    paintCells(canvas, m_bold, m_places, m_headerCells, 0, m_headerCells.height, y);
    canvas.rule({m_left, m_rowsTop - rowGap * m_unitsPerMm, m_right, m_rowsTop - rowGap * m_unitsPerMm});
    const qreal footer = m_pageHeight - bottomMargin * m_unitsPerMm - m_small.metrics().descent();
    canvas.text({m_left, footer}, m_head.printedOn, m_small.font());
    const QString number = QStringLiteral("Strana %1 z %2").arg(m_page).arg(m_pageCount);
    canvas.text({m_right - m_small.advance(number), footer}, number, m_small.font());
}

bool ListPages::add(const QStringList& cells)
{
    const WrappedCells lines = wrapCells(m_body, cells, m_places);
    const qsizetype total = lines.height;
    const qreal gaps = 2 * rowGap * m_unitsPerMm;
    const auto linesThatFit = [&] { return static_cast<qsizetype>((m_bottom - m_y - gaps) / m_lineHeight); };
    const qsizetype onEmptyPage = static_cast<qsizetype>((m_bottom - m_rowsTop - gaps) / m_lineHeight);
    qsizetype done = 0;
    while (done < total) {
        if (!m_pageOpen && !openPage())
            return false;
        qsizetype placed = total - done;
        if (placed > linesThatFit()) {
            // A row that fits on a page of its own begins on the next one; a taller one
            // fills this page and goes on over the next.
            if ((m_rowsOnPage > 0 && placed <= onEmptyPage) || linesThatFit() < 1) {
                m_pageOpen = false;
                continue;
            }
            placed = linesThatFit();
        }
        if (m_canvas)
            paintCells(*m_canvas, m_body, m_places, lines, done, placed,
                       m_y + rowGap * m_unitsPerMm + m_body.metrics().ascent());
        m_y += static_cast<qreal>(placed) * m_lineHeight + gaps;
        if (m_canvas)
            m_canvas->rule({m_left, m_y, m_right, m_y});
        ++m_rowsOnPage;
        done += placed;
        if (done < total)
            m_pageOpen = false;
    }
    return !m_failed;
}

int ListPages::finish()
{
    if (m_page == 0)
        openPage();
    m_pageOpen = false;
    return m_page;
}

} // namespace typeset
