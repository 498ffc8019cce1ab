#pragma once

#include "reports/page_canvas.h"

#include <QStringList>

#include <vector>

// A canvas that keeps what was painted on each page: the texts in their order and the rules.
class RecordingCanvas : public PageCanvas
{
public:
    struct Page
    {
        QStringList texts;
        QList<qreal> baselines; // of each text, in device units from the top
        int rules = 0;
        QList<QRectF> boxes;
    };
    std::vector<Page> pages{1};

    bool newPage() override
    {
        pages.emplace_back();
        return true;
    }
    void text(const QPointF& at, const QString& text, const QFont&) override
    {
        pages.back().texts << text;
        pages.back().baselines << at.y();
    }
    void rule(const QLineF&) override { ++pages.back().rules; }
    void box(const QRectF& rect) override { pages.back().boxes << rect; }
};
