#include "reports/text_lines.h"

#include <algorithm>
#include <limits>

namespace {

const QString ellipsis = QStringLiteral("…");

// A word longer than this is broken a character at a time from the start, never measured
// whole: a long value costs the lines printed, not its length.
constexpr qsizetype measuredWhole = 512;

} // namespace

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

QString TextLines::brokenPiece(const QString& word, qsizetype begin, qsizetype& end, qreal width) const
{
    // Where the word reads as two: after "-", "/", "." or before "@" (an address, a name of two
    // parts), as late as the line allows and not in its first third.
    for (qsizetype at = end; at > begin + 1 && at > begin + (end - begin) / 3; --at) {
        const QChar before = word[at - 1];
        if (before == QLatin1Char('-') || before == QLatin1Char('/') || before == QLatin1Char('.') ||
            word[at] == QLatin1Char('@')) {
            end = at;
            return word.mid(begin, end - begin);
        }
    }
    // Between two letters a hyphen says the word goes on; it takes a letter's room if need be.
    const QString hyphen = QStringLiteral("-");
    const auto letters = [&word](qsizetype at) { return word[at - 1].isLetter() && word[at].isLetter(); };
    if (end - begin > 1 && letters(end)) {
        qsizetype at = end;
        while (at - begin > 1 && advance(word.mid(begin, at - begin) + hyphen) > width)
            --at;
        if (letters(at) && advance(word.mid(begin, at - begin) + hyphen) <= width) {
            end = at;
            return word.mid(begin, end - begin) + hyphen;
        }
    }
    return word.mid(begin, end - begin);
}

void TextLines::breakWord(const QString& word, qreal width, QStringList& lines, QString& line, qreal& lineWidth,
                          qsizetype enough) const
{
    // Measured a character at a time (the font engine's own width of a character, without
    // laying out text).
    qsizetype begin = 0;
    while (begin < word.size() && lines.size() < enough) {
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
        if (end == word.size()) {
            line = word.mid(begin);
            lineWidth = taken;
            return;
        }
        lines << brokenPiece(word, begin, end, width);
        begin = end;
    }
    line.clear();
    lineWidth = 0;
}

QStringList TextLines::wrap(const QString& text, qreal width, int maxLines) const
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
    if (plain.size() <= measuredWhole && !plain.contains(QLatin1Char('\n')) && advance(plain) <= width)
        return {plain};
    // One line more than kept tells that the text goes on.
    const qsizetype enough = maxLines > 0 ? qsizetype(maxLines) + 1 : std::numeric_limits<qsizetype>::max();
    QStringList lines;
    const qreal space = advance(QStringLiteral(" "));
    for (const QStringView paragraph : QStringView(plain).split(QLatin1Char('\n'))) {
        if (lines.size() >= enough)
            break;
        QString line;
        qreal lineWidth = 0;
        for (const QStringView piece : paragraph.split(QLatin1Char(' '))) {
            if (lines.size() >= enough)
                break;
            const QString word = piece.toString();
            const qreal wordWidth = word.size() <= measuredWhole ? advance(word) : width + 1;
            if (!line.isEmpty() && lineWidth + space + wordWidth <= width) {
                line += QLatin1Char(' ') + word;
                lineWidth += space + wordWidth;
                continue;
            }
            if (!line.isEmpty())
                lines << line;
            if (wordWidth <= width) {
                line = word;
                lineWidth = wordWidth;
            } else {
                breakWord(word, width, lines, line, lineWidth, enough);
            }
        }
        if (lines.size() < enough)
            lines << line;
    }
    if (maxLines <= 0 || lines.size() <= maxLines)
        return lines;
    // Cut: the last line kept ends with "…", letters taken off its end until it fits.
    lines.resize(maxLines);
    QString& last = lines.last();
    const qreal mark = advance(ellipsis);
    while (!last.isEmpty() && advance(last) + mark > width)
        last.chop(last.size() > 1 && last[last.size() - 1].isLowSurrogate() ? 2 : 1);
    last += ellipsis;
    return lines;
}

QString printedValue(std::string_view utf8, bool null)
{
    if (null)
        return QString();
    // At most four bytes a character: the bytes beyond are not decoded at all.
    constexpr size_t bytes = 4 * TextLines::valueChars;
    if (utf8.size() <= bytes) {
        const QString whole = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
        if (whole.size() <= TextLines::valueChars)
            return whole.isNull() ? QString(QLatin1String("")) : whole;
    }
    // Cut at the beginning of a character, never inside one.
    size_t end = std::min(utf8.size(), bytes);
    while (end > 0 && end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end;
    QString cut = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(end));
    qsizetype keep = std::min(cut.size(), TextLines::valueChars);
    if (keep > 0 && cut[keep - 1].isHighSurrogate())
        --keep;
    cut.truncate(keep);
    return cut + ellipsis;
}
