#include "reports/flow_page.h"

#include "reports/page_fonts.h"

#include <QPagedPaintDevice>

#include <algorithm>

FlowPage::Fonts::Fonts(const QPaintDevice& device)
    : body(pagefonts::font(10.5), device), bold(pagefonts::font(10.5, true), device),
      title(pagefonts::font(16, true), device), small(pagefonts::font(9), device),
      smallBold(pagefonts::font(9, true), device)
{
}

FlowPage::FlowPage(const QPagedPaintDevice& device, const Fonts& fonts, PageCanvas& canvas)
    : m_canvas(canvas), m_fonts(fonts)
{
    const PageArea area(device, 25, 20, 20);
    m_mm = area.mm;
    m_left = area.left;
    m_right = area.right;
    m_top = area.top;
    m_bottom = area.bottom;
    m_y = m_top;
}

void FlowPage::skip(qreal millimetres)
{
    m_y += millimetres * m_mm;
}

void FlowPage::keep(qreal height)
{
    if (m_y + height <= m_bottom)
        return;
    if (!m_canvas.newPage())
        m_failed = true;
    m_y = m_top;
    if (m_continued && !m_continuing) {
        m_continuing = true;
        m_continued();
        m_continuing = false;
    }
}

const TextLines& FlowPage::linesOf(Font font) const
{
    return font == Font::Title ? m_fonts.title : font == Font::Bold ? m_fonts.bold : m_fonts.body;
}

QString FlowPage::fitted(const QString& text, Font font, int maxLines) const
{
    return linesOf(font).wrap(text, width(), maxLines).join(QLatin1Char('\n'));
}

void FlowPage::paragraph(const QString& text, Font font, bool right, int maxLines)
{
    const TextLines& lines = linesOf(font);
    for (const QString& line : lines.wrap(text, width(), maxLines)) {
        keep(lines.metrics().lineSpacing());
        const qreal x = right ? m_right - lines.advance(line) : m_left;
        m_canvas.text({x, m_y + lines.metrics().ascent()}, line, lines.font());
        m_y += lines.metrics().lineSpacing();
    }
}

void FlowPage::row(const QStringList& cells, const std::vector<Column>& columns, bool bold, bool bodySize)
{
    const TextLines& lines =
        bodySize ? (bold ? m_fonts.bold : m_fonts.body) : (bold ? m_fonts.smallBold : m_fonts.small);
    std::vector<CellPlace> places = columns;
    for (CellPlace& place : places)
        place.left += m_left;
    const WrappedCells wrapped = wrapCells(lines, cells, places);
    const qreal lineHeight = lines.metrics().lineSpacing();
    for (qsizetype l = 0; l < wrapped.height; ++l) {
        keep(lineHeight + 2 * m_mm);
        paintCells(m_canvas, lines, places, wrapped, l, 1, m_y + lines.metrics().ascent());
        m_y += lineHeight;
    }
    m_y += 0.5 * m_mm;
    m_canvas.rule({m_left, m_y, m_right, m_y});
    m_y += 0.5 * m_mm;
}

void FlowPage::bars(const QString& heading, const std::vector<Bar>& bars, qreal heightMm)
{
    const qreal height = heightMm * m_mm;
    keep(height + 6 * m_mm + 2 * m_fonts.bold.metrics().lineSpacing());
    skip(4);
    paragraph(heading, Font::Bold);
    skip(1);
    paintBars(m_canvas, QRectF(m_left, m_y, m_right - m_left, height), bars, m_fonts.small);
    m_y += height;
}
