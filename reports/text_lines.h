#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QString>
#include <QStringList>

class QPaintDevice;

// A font's texts measured and wrapped into lines of a width, in a device's units. A line's
// width is taken as the sum of its words' and spaces' (the page fonts are set without kerning
// or ligatures, so they add up).
class TextLines
{
public:
    TextLines(const QFont& font, const QPaintDevice& device);

    const QFont& font() const { return m_font; }
    const QFontMetricsF& metrics() const { return m_metrics; }
    // A text's width.
    qreal advance(const QString& text) const;
    // The lines the text takes in the width: broken at its line breaks, wrapped at spaces,
    // a word wider than the width broken where it ends (a pair of surrogates stays whole).
    // Nothing is left out but the spaces where a line was broken and the controls of
    // writing direction (U+202A–U+202E, U+2066–U+2069), which would reorder what is
    // printed beside the text.
    QStringList wrap(const QString& text, qreal width) const;

private:
    QFont m_font;
    QFontMetricsF m_metrics;
};
