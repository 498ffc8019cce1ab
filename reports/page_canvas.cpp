#include "reports/page_canvas.h"

#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

bool PainterCanvas::newPage()
{
    return m_device.newPage();
}

void PainterCanvas::text(const QPointF& baseline, const QString& text, const QFont& font)
{
    if (m_painter.font() != font)
        m_painter.setFont(font);
    m_painter.drawText(baseline, text);
}

void PainterCanvas::rule(const QLineF& line)
{
    m_painter.drawLine(line);
}

PageArea::PageArea(const QPagedPaintDevice& device, qreal sideMm, qreal topMm, qreal bottomMm)
{
    mm = device.logicalDpiY() / 25.4;
    // In points, whole ones; scaled as real numbers (a QSize would round the result).
    const QSizeF page = QSizeF(device.pageLayout().fullRectPoints().size()) * (device.logicalDpiY() / 72.0);
    width = page.width();
    height = page.height();
    left = sideMm * mm;
    right = width - sideMm * mm;
    top = topMm * mm;
    bottom = height - bottomMm * mm;
}

WrappedCells wrapCells(const TextLines& font, const QStringList& cells, const std::vector<CellPlace>& places,
                       int maxLines)
{
    WrappedCells wrapped;
    for (size_t c = 0; c < places.size(); ++c) {
        wrapped.lines.push_back(font.wrap(cells.value(static_cast<qsizetype>(c)), places[c].width, maxLines));
        wrapped.height = std::max(wrapped.height, wrapped.lines.back().size());
    }
    return wrapped;
}

void paintCells(PageCanvas& canvas, const TextLines& font, const std::vector<CellPlace>& places,
                const WrappedCells& cells, qsizetype from, qsizetype count, qreal baseline)
{
    const qreal lineHeight = font.metrics().lineSpacing();
    for (size_t c = 0; c < cells.lines.size(); ++c)
        for (qsizetype l = from; l < std::min(from + count, cells.lines[c].size()); ++l) {
            const QString& line = cells.lines[c][l];
            if (line.isEmpty())
                continue;
            const CellPlace& place = places[c];
            const qreal x = place.right ? place.left + place.width - font.advance(line) : place.left;
            canvas.text({x, baseline + static_cast<qreal>(l - from) * lineHeight}, line, font.font());
        }
}
