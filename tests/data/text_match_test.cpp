// The searches' case-ignoring containment decides as Qt's own case-insensitive search.
#include "text_match.h"

#include <gtest/gtest.h>

// Every character of the Basic Multilingual Plane, among Czech letters and beside
// characters from beyond it, found (or not) by its upper, lower and folded forms.
TEST(TextMatch, EveryCharacterMatchesAsQtMatchesIt)
{
    int checked = 0;
    for (char32_t unit = 1; unit < 0x10000; ++unit) {
        const QChar c(static_cast<char16_t>(unit));
        const QString text = QStringLiteral("Žluťoučký ") + c + QStringLiteral("kůň 😀");
        for (const QString& part : {QString(c), QString(c.toUpper()) + QStringLiteral("KŮ"),
                                    QStringLiteral("ý ") + c.toLower(), QString(c.toCaseFolded()) + QStringLiteral("😀"),
                                    QStringLiteral("ŽLUŤ")}) {
            ASSERT_EQ(textmatch::containsIgnoringCase(text, part), text.contains(part, Qt::CaseInsensitive))
                << "U+" << std::hex << static_cast<unsigned>(unit) << " in part " << part.toStdString();
            ++checked;
        }
    }
    EXPECT_EQ(checked, 5 * 0xFFFF);
    EXPECT_TRUE(textmatch::containsIgnoringCase(QStringLiteral("abc"), QString()));
    EXPECT_FALSE(textmatch::containsIgnoringCase(QString(), QStringLiteral("a")));
    EXPECT_TRUE(textmatch::containsIgnoringCase(QStringLiteral("ČESKÁ"), QStringLiteral("česk")));
}
