#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QString>
#include <QStringList>

#include <string_view>

class QPaintDevice;

// A font's texts measured and wrapped into lines of a width, in a device's units. A line's
// width is taken as the sum of its words' and spaces' (the page fonts are set without kerning
// or ligatures, so they add up).
class TextLines
{
public:
    // How many lines a value takes on paper at most: a cell, a name, a note. Printing a value
    // is not reading it: what is longer ends with "…" where it is cut.
    static constexpr int valueLines = 20;
    // The characters of a stored value a page can show at all (valueLines lines of the
    // widest column in the narrowest letters); the rest is never read into the program.
    static constexpr qsizetype valueChars = 8192;

    TextLines(const QFont& font, const QPaintDevice& device);

    const QFont& font() const { return m_font; }
    const QFontMetricsF& metrics() const { return m_metrics; }
    // A text's width.
    qreal advance(const QString& text) const;
    // The lines the text takes in the width: broken at its line breaks, wrapped at spaces,
    // a word wider than the width broken where it reads as two (after "-", "/", ".", before
    // "@") or with a hyphen between letters (a pair of surrogates stays whole).
    // Nothing is left out but the spaces where a line was broken and the controls of
    // writing direction (U+202A–U+202E, U+2066–U+2069), which would reorder what is
    // printed beside the text. With maxLines (> 0), a text of more lines is cut after the
    // last of them, which ends with "…"; the work done is that of the lines kept.
    QStringList wrap(const QString& text, qreal width, int maxLines = 0) const;

private:
    // Breaks a word wider than the width into lines (the last piece stays open in line and
    // lineWidth); stops once lines holds enough.
    void breakWord(const QString& word, qreal width, QStringList& lines, QString& line, qreal& lineWidth,
                   qsizetype enough) const;

    // The line of a word broken between begin and end (a character past the width): moved
    // back to where the word reads as two, or ending with a hyphen between two letters.
    QString brokenPiece(const QString& word, qsizetype begin, qsizetype& end, qreal width) const;

    QFont m_font;
    QFontMetricsF m_metrics;
};

// A stored text (UTF-8) as a page shows it: at most TextLines::valueChars characters, with "…"
// after a cut; a null QString for an empty view (NULL).
QString printedValue(std::string_view utf8, bool null);
