#include "reports/text_lines.h"

#include <algorithm>

TextLines::TextLines(const QFont& font, const QPaintDevice& device) : m_font(font), m_metrics(font, &device) {}

qreal TextLines::advance(const QString& text) const
{
    // Qt measures in fixed point that overflows past some 30 million device units (a few
    // hundred thousand letters): a long text is measured in parts (not split in a pair of
    // surrogates) and their widths added.
    constexpr qsizetype part = 4096;
    if (text.size() <= part)
        return m_metrics.horizontalAdvance(text);
    qreal sum = 0;
    for (qsizetype begin = 0; begin < text.size();) {
        qsizetype end = std::min(begin + part, text.size());
        if (end < text.size() && text[end - 1].isHighSurrogate())
            ++end;
        sum += m_metrics.horizontalAdvance(text.mid(begin, end - begin));
        begin = end;
    }
    return sum;
}

QStringList TextLines::wrap(const QString& text, qreal width) const
{
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    plain.replace(QLatin1Char('\t'), QLatin1Char(' '));
    // Explicit direction controls (embeddings, overrides, isolates) are left out: a name
    // with one would turn the program's own text around it (a date read backwards).
    plain.removeIf([](QChar c) {
        return (c.unicode() >= 0x202A && c.unicode() <= 0x202E) || (c.unicode() >= 0x2066 && c.unicode() <= 0x2069);
    });
    if (!plain.contains(QLatin1Char('\n')) && advance(plain) <= width)
        return {plain};
    QStringList lines;
    const qreal space = advance(QStringLiteral(" "));
    for (const QString& paragraph : plain.split(QLatin1Char('\n'))) {
        QString line;
        qreal lineWidth = 0;
        for (QString word : paragraph.split(QLatin1Char(' '))) {
            qreal wordWidth = advance(word);
            if (!line.isEmpty() && lineWidth + space + wordWidth <= width) {
                line += QLatin1Char(' ') + word;
                lineWidth += space + wordWidth;
                continue;
            }
            if (!line.isEmpty())
                lines << line;
            // A word wider than the width is broken where the width ends, measured a
            // character at a time (the font engine's own width of a character, without laying
            // out text: a long word costs what its length does).
            qsizetype begin = 0;
            while (begin < word.size() && wordWidth > width) {
                qreal taken = 0;
                qsizetype end = begin;
                while (end < word.size()) {
                    const bool pair = word[end].isHighSurrogate() && end + 1 < word.size();
                    const qreal step = pair ? advance(word.mid(end, 2)) : m_metrics.horizontalAdvance(word[end]);
                    if (end > begin && taken + step > width)
                        break;
                    taken += step;
                    end += pair ? 2 : 1;
                }
                lines << word.mid(begin, end - begin);
                begin = end;
                wordWidth -= taken;
            }
            if (begin > 0) {
                word = word.mid(begin);
                wordWidth = advance(word);
            }
            line = word;
            lineWidth = wordWidth;
        }
        lines << line;
    }
    return lines;
}
