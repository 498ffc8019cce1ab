#include "reports/column_fit.h"

#include "reports/text_lines.h"

#include <QStringList>

#include <algorithm>
#include <numeric>

namespace typeset {

void measure(ColumnNeed& need, const QString& text, const TextLines& font, bool whole)
{
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const double width = font.advance(line);
        need.most = std::max(need.most, width);
        if (whole || std::none_of(line.cbegin(), line.cend(), [](QChar c) { return c.isLetter(); })) {
            need.least = std::max(need.least, width);
            continue;
        }
        for (const QString& piece : line.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            need.least = std::max(need.least, font.advance(piece));
    }
}

std::vector<double> fit(const std::vector<ColumnNeed>& needs, double total)
{
    std::vector<double> widths(needs.size(), 0);
    if (needs.empty())
        return widths;
    const auto sum = [&needs](double ColumnNeed::*part) {
        return std::accumulate(needs.begin(), needs.end(), 0.0,
                               [part](double s, const ColumnNeed& need) { return s + need.*part; });
    };
    const double most = sum(&ColumnNeed::most);
    const double least = sum(&ColumnNeed::least);
    if (least > total && most > 0) {
        // Pieces wider than the room together: the columns whose piece fits in an even share
        // of what is left keep it whole, the narrowest first; the others share the rest alike
        // and their pieces are broken (a name of thousands of letters does not squeeze the
        // other columns to a letter each).
        std::vector<size_t> order(needs.size());
        std::iota(order.begin(), order.end(), size_t(0));
        std::sort(order.begin(), order.end(), [&needs](size_t a, size_t b) { return needs[a].least < needs[b].least; });
        double left = total;
        size_t at = 0;
        for (; at < order.size(); ++at) {
            const double share = left / static_cast<double>(order.size() - at);
            if (needs[order[at]].least > share)
                break;
            widths[order[at]] = needs[order[at]].least;
            left -= needs[order[at]].least;
        }
        for (size_t rest = at; rest < order.size(); ++rest)
            widths[order[rest]] = left / static_cast<double>(order.size() - at);
        return widths;
    }
    for (size_t c = 0; c < needs.size(); ++c) {
        const ColumnNeed& need = needs[c];
        if (most <= 0)
            widths[c] = total / static_cast<double>(needs.size());
        else if (most <= total)
            widths[c] = need.most + (total - most) * need.most / most;
        else
            widths[c] = need.least + (need.most - need.least) * (total - least) / (most - least);
    }
    return widths;
}

std::vector<CellPlace> fitTable(const QStringList& header, const std::vector<QStringList>& rows, double width,
                                const TextLines& headerFont, const TextLines& rowFont, int prose)
{
    std::vector<ColumnNeed> needs(static_cast<size_t>(header.size()));
    for (qsizetype c = 0; c < header.size(); ++c) {
        measure(needs[static_cast<size_t>(c)], header[c], headerFont, true);
        for (const QStringList& row : rows)
            measure(needs[static_cast<size_t>(c)], row.value(c), rowFont, c >= prose);
    }
    const double gap = width * 0.02;
    const std::vector<double> widths = fit(needs, width - gap * static_cast<double>(header.size() - 1));
    std::vector<CellPlace> places;
    double x = 0;
    for (size_t c = 0; c < widths.size(); ++c) {
        places.push_back({x, widths[c], c + 1 == widths.size()});
        x += widths[c] + gap;
    }
    return places;
}

} // namespace typeset
