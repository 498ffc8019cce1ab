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
    m_unitsPerMm = device.logicalDpiY() / 25.4;
    const QSizeF page = device.pageLayout().fullRectPoints().size();
    const qreal unitsPerPoint = device.logicalDpiY() / 72.0;
    m_pageWidth = page.width() * unitsPerPoint;
    m_pageHeight = page.height() * unitsPerPoint;
    m_left = sideMargin * m_unitsPerMm;
    m_right = m_pageWidth - sideMargin * m_unitsPerMm;
    m_top = topMargin * m_unitsPerMm;
    m_bottom = m_pageHeight - bottomMargin * m_unitsPerMm - 2 * m_small.metrics().lineSpacing();
    m_padding = cellPadding * m_unitsPerMm;
    m_lineHeight = m_body.metrics().lineSpacing();

    const double shares = std::accumulate(m_head.columns.begin(), m_head.columns.end(), 0.0,
                                          [](double sum, const Column& c) { return sum + c.share; });
    qreal x = m_left;
    for (const Column& column : m_head.columns) {
        const qreal width = (m_right - m_left) * column.share / (shares > 0 ? shares : 1);
        m_lefts.push_back(x + m_padding);
        m_widths.push_back(std::max<qreal>(width - 2 * m_padding, m_body.metrics().averageCharWidth()));
        x += width;
    }
    size_t headerLines = 1;
    for (size_t c = 0; c < m_head.columns.size(); ++c) {
        m_headerLines.push_back(wrap(m_head.columns[c].label, static_cast<int>(c), true));
        headerLines = std::max<size_t>(headerLines, static_cast<size_t>(m_headerLines.back().size()));
    }
    m_rowsTop = m_top + m_title.metrics().lineSpacing() + m_body.metrics().lineSpacing() + 2 * m_unitsPerMm +
                static_cast<qreal>(headerLines) * m_bold.metrics().lineSpacing() + 2 * rowGap * m_unitsPerMm;
}

QStringList ListPages::wrap(const QString& text, int column, bool bold) const
{
    return bold ? m_bold.wrap(text, m_widths[static_cast<size_t>(column)])
                : m_body.wrap(text, m_widths[static_cast<size_t>(column)], TextLines::valueLines);
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
    for (size_t c = 0; c < m_headerLines.size(); ++c) {
        qreal lineY = y;
        for (const QString& line : m_headerLines[c]) {
            const qreal x = m_head.columns[c].right
                                ? columnLeft(static_cast<int>(c)) + m_widths[c] - m_bold.advance(line)
                                : columnLeft(static_cast<int>(c));
            canvas.text({x, lineY}, line, m_bold.font());
            lineY += m_bold.metrics().lineSpacing();
        }
    }
    canvas.rule({m_left, m_rowsTop - rowGap * m_unitsPerMm, m_right, m_rowsTop - rowGap * m_unitsPerMm});
    const qreal footer = m_pageHeight - bottomMargin * m_unitsPerMm - m_small.metrics().descent();
    canvas.text({m_left, footer}, m_head.printedOn, m_small.font());
    const QString number = QStringLiteral("Strana %1 z %2").arg(m_page).arg(m_pageCount);
    canvas.text({m_right - m_small.advance(number), footer}, number, m_small.font());
}

bool ListPages::add(const QStringList& cells)
{
    std::vector<QStringList> lines(m_widths.size());
    qsizetype total = 1;
    for (size_t c = 0; c < lines.size(); ++c) {
        lines[c] = wrap(cells.value(static_cast<qsizetype>(c)), static_cast<int>(c));
        total = std::max(total, lines[c].size());
    }
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
        if (m_canvas) {
            const qreal top = m_y + rowGap * m_unitsPerMm + m_body.metrics().ascent();
            for (size_t c = 0; c < lines.size(); ++c)
                for (qsizetype l = done; l < std::min(done + placed, lines[c].size()); ++l) {
                    const QString& line = lines[c][l];
                    if (line.isEmpty())
                        continue;
                    const qreal x = m_head.columns[c].right
                                        ? columnLeft(static_cast<int>(c)) + m_widths[c] - m_body.advance(line)
                                        : columnLeft(static_cast<int>(c));
                    m_canvas->text({x, top + static_cast<qreal>(l - done) * m_lineHeight}, line, m_body.font());
                }
        }
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
