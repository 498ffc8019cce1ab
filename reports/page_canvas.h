#pragma once

#include "reports/text_lines.h"

#include <QFont>
#include <QLineF>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

class QPagedPaintDevice;
class QPainter;

// Where the pages are painted: a PDF file or a printer through QPainter, or in the tests a
// record of what was painted where. Coordinates are the device's own units, from its page's
// top left corner (the margins are the typesetter's).
class PageCanvas
{
public:
    virtual ~PageCanvas() = default;
    // Ends the page and begins the next one (never called before the first page); false
    // when the device failed.
    virtual bool newPage() = 0;
    // A line of text, its baseline beginning at the point.
    virtual void text(const QPointF& baseline, const QString& text, const QFont& font) = 0;
    // A thin rule.
    virtual void rule(const QLineF& line) = 0;
    // A filled box (a chart's bar).
    virtual void box(const QRectF& rect) = 0;
};

// A page of the device's layout (its orientation included) and the part of it between the
// margins, in the device's units.
struct PageArea
{
    PageArea(const QPagedPaintDevice& device, qreal sideMm, qreal topMm, qreal bottomMm);

    qreal mm = 1; // device units in a millimetre
    qreal width = 0, height = 0;
    qreal left = 0, right = 0, top = 0, bottom = 0;
};

// Where a table's cell is set on the page: its left edge and width; numbers set right.
struct CellPlace
{
    qreal left = 0;
    qreal width = 0;
    bool right = false;
};

// A row's cells, each wrapped to its place's width.
struct WrappedCells
{
    std::vector<QStringList> lines; // of each cell
    qsizetype height = 1;           // the lines of the tallest cell (at least one)
};
WrappedCells wrapCells(const TextLines& font, const QStringList& cells, const std::vector<CellPlace>& places,
                       int maxLines = TextLines::valueLines);
// Paints lines [from, from + count) of every cell in its place, the first one's baseline at
// baseline.
void paintCells(PageCanvas& canvas, const TextLines& font, const std::vector<CellPlace>& places,
                const WrappedCells& cells, qsizetype from, qsizetype count, qreal baseline);

// The canvas of a QPainter painting on a paged device, or on one page only (an image in a
// window: no page follows).
class PainterCanvas : public PageCanvas
{
public:
    PainterCanvas(QPainter& painter, QPagedPaintDevice& device) : m_painter(painter), m_device(&device) {}
    explicit PainterCanvas(QPainter& painter) : m_painter(painter) {}
    bool newPage() override;
    void text(const QPointF& baseline, const QString& text, const QFont& font) override;
    void rule(const QLineF& line) override;
    void box(const QRectF& rect) override;

private:
    QPainter& m_painter;
    QPagedPaintDevice* m_device = nullptr;
};

// A bar chart of counts in the area: a bar for each label, as tall as its count against the
// largest, the count above it and the label below, in the font.
struct Bar
{
    QString label;
    qint64 count = 0;
};
void paintBars(PageCanvas& canvas, const QRectF& area, const std::vector<Bar>& bars, const TextLines& font);
