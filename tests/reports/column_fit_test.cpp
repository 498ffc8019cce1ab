// Columns fitted to their content: what may not be broken stays whole, the total is never
// more than the room, and a piece wider than everything is the only thing broken.
#include "qt_printers.h"
#include "reports/column_fit.h"
#include "reports/page_fonts.h"
#include "reports/text_lines.h"

#include <QBuffer>
#include <QPdfWriter>

#include <gtest/gtest.h>

#include <numeric>

TEST(ColumnFit, EachColumnBetweenItsLongestPieceAndItsLongestLine)
{
    using typeset::ColumnNeed;
    struct Case
    {
        const char* what;
        std::vector<ColumnNeed> needs;
        double total;
        std::vector<double> widths;
    };
    const std::vector<Case> cases{
        {"all lines fit: the room left shared as the lines are long", {{5, 10}, {5, 30}}, 80, {20, 60}},
        {"not all: each its piece, the rest shared as its lines are longer",
         {{10, 50}, {20, 20}, {5, 45}},
         70,
         {10 + 40 * 35.0 / 80, 20, 5 + 40 * 35.0 / 80}},
        {"an empty column takes nothing of a full table", {{0, 0}, {10, 100}}, 50, {0, 50}},
        {"pieces wider than the room: the narrow whole, the wide the rest", {{30, 30}, {90, 120}}, 60, {30, 30}},
        {"a piece of thousands of letters squeezes no other column",
         {{20, 20}, {5000, 5000}, {10, 40}, {31, 31}},
         100,
         {20, 100 - 61, 10, 31}},
        {"wide pieces share alike", {{10, 10}, {200, 200}, {300, 300}}, 100, {10, 45, 45}},
        {"nothing to set: the room shared alike", {{0, 0}, {0, 0}}, 10, {5, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<double> widths = typeset::fit(c.needs, c.total);
        ASSERT_EQ(widths.size(), c.widths.size());
        const double least = std::accumulate(c.needs.begin(), c.needs.end(), 0.0,
                                             [](double s, const ColumnNeed& n) { return s + n.least; });
        for (size_t i = 0; i < widths.size(); ++i) {
            EXPECT_NEAR(widths[i], c.widths[i], 1e-9) << i;
            if (least <= c.total) { // nothing that may not be broken is
                EXPECT_GE(widths[i] + 1e-9, c.needs[i].least) << i;
            }
        }
        EXPECT_LE(std::accumulate(widths.begin(), widths.end(), 0.0), c.total + 1e-9);
    }

    // A phone number and a day are one piece; an e-mail is one word; a sentence breaks at spaces.
    QBuffer nowhere;
    nowhere.open(QIODevice::WriteOnly);
    QPdfWriter device(&nowhere);
    const TextLines font(pagefonts::font(10), device);
    for (const char* whole : {"+420 724 555 101", "20.02.2024", "lenka.ruzickova@gmail.com", "123"}) {
        ColumnNeed need;
        typeset::measure(need, QString::fromUtf8(whole), font);
        EXPECT_DOUBLE_EQ(need.least, font.advance(QString::fromUtf8(whole))) << whole;
        EXPECT_EQ(font.wrap(QString::fromUtf8(whole), need.least).size(), 1) << whole;
    }
    ColumnNeed sentence;
    typeset::measure(sentence, QStringLiteral("Pan Tau – kompletní seriál\nse vším"), font);
    EXPECT_DOUBLE_EQ(sentence.least, font.advance(QStringLiteral("kompletní")));
    EXPECT_DOUBLE_EQ(sentence.most, font.advance(QStringLiteral("Pan Tau – kompletní seriál")));

    // A word wider than its whole column is broken where it reads as two, else with a hyphen.
    struct Broken
    {
        const char* word;
        const char* room; // as wide as this
        QStringList lines;
    };
    const Broken broken[] = {
        {"lenka.ruzickova@gmail.com", "lenka.ruzickova@gma", {"lenka.ruzickova", "@gmail.com"}},
        {"Šimůnková-Dolanská", "Šimůnková-Dola", {"Šimůnková-", "Dolanská"}},
        {"www.ordisk.cz/napoveda", "www.ordisk.cz/nap", {"www.ordisk.cz/", "napoveda"}},
        {"Žluťoučkýkůňúpělďábelské", "Žluťoučkýkůň", {"Žluťoučkýků-", "ňúpělďábels-", "ké"}},
        {"12345678901234567890", "1234567890", {"1234567890", "1234567890"}},
    };
    for (const Broken& b : broken) {
        SCOPED_TRACE(b.word);
        EXPECT_EQ(font.wrap(QString::fromUtf8(b.word), font.advance(QString::fromUtf8(b.room))), b.lines);
    }
}
