#pragma once

#include <QFont>
#include <QLineF>
#include <QPointF>
#include <QString>

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
};

// The canvas of a QPainter painting on a paged device.
class PainterCanvas : public PageCanvas
{
public:
    PainterCanvas(QPainter& painter, QPagedPaintDevice& device) : m_painter(painter), m_device(device) {}
    bool newPage() override;
    void text(const QPointF& baseline, const QString& text, const QFont& font) override;
    void rule(const QLineF& line) override;

private:
    QPainter& m_painter;
    QPagedPaintDevice& m_device;
};
