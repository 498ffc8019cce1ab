#include "reports/page_canvas.h"

#include <QPagedPaintDevice>
#include <QPainter>

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
