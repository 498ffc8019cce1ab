#include "reports/text_lines.h"

TextLines::TextLines(const QFont& font, const QPaintDevice& device) : m_font(font), m_metrics(font, &device) {}

qreal TextLines::advance(const QString& text) const
{
    return m_metrics.horizontalAdvance(text);
}

QStringList TextLines::wrap(const QString& text, qreal width) const
{
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    plain.replace(QLatin1Char('\t'), QLatin1Char(' '));
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
            while (wordWidth > width) {
                qreal taken = 0;
                qsizetype end = 0;
                while (end < word.size()) {
                    const qsizetype next = end + (word[end].isHighSurrogate() && end + 1 < word.size() ? 2 : 1);
                    const qreal step = advance(word.mid(end, next - end));
                    if (end > 0 && taken + step > width)
                        break;
                    taken += step;
                    end = next;
                }
                lines << word.left(end);
                word = word.mid(end);
                wordWidth = advance(word);
            }
            line = word;
            lineWidth = wordWidth;
        }
        lines << line;
    }
    return lines;
}
