#include "reports/page_canvas.h"

#include <QColor>

#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

bool PainterCanvas::newPage()
{
    return m_device && m_device->newPage();
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

void PainterCanvas::box(const QRectF& rect)
{
    m_painter.fillRect(rect, QColor(140, 140, 140));
}

void paintBars(PageCanvas& canvas, const QRectF& area, const std::vector<Bar>& bars, const TextLines& font)
{
    if (bars.empty())
        return;
    qint64 most = 1;
    for (const Bar& bar : bars)
        most = std::max(most, bar.count);
    const qreal line = font.metrics().lineSpacing();
    const qreal slot = area.width() / static_cast<qreal>(bars.size());
    const qreal baseline = area.bottom() - line; // the bars stand on it, the labels hang below
    const qreal tallest = std::max<qreal>(0, baseline - area.top() - line);
    for (size_t i = 0; i < bars.size(); ++i) {
        const qreal left = area.left() + slot * static_cast<qreal>(i);
        const qreal height = tallest * static_cast<qreal>(bars[i].count) / static_cast<qreal>(most);
        const qreal width = slot * 0.7;
        if (height > 0)
            canvas.box(QRectF(left + (slot - width) / 2, baseline - height, width, height));
        const auto centred = [&](const QString& text, qreal y) {
            canvas.text({left + (slot - font.advance(text)) / 2, y}, text, font.font());
        };
        centred(QString::number(bars[i].count), baseline - height - font.metrics().descent() - 1);
        centred(bars[i].label, baseline + font.metrics().ascent() + 1);
    }
    canvas.rule(QLineF(area.left(), baseline, area.right(), baseline));
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
