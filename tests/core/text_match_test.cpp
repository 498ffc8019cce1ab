// The kept rows' search decides as Qt's own case-insensitive search.
#include "core/text_match.h"

#include <QStringList>

#include <gtest/gtest.h>

// Every character of the Basic Multilingual Plane, among Czech letters and beside
// characters from beyond it, found (or not) by its upper, lower and folded forms.
TEST(TextMatch, EveryCharacterMatchesAsQtMatchesIt)
{
    for (char32_t unit = 1; unit < 0x10000; ++unit) {
        const QChar c(static_cast<char16_t>(unit));
        const QString text = QStringLiteral("Žluťoučký ") + c + QStringLiteral("kůň 😀");
        for (const QString& part :
             {QString(c), QString(c.toUpper()) + QStringLiteral("KŮ"), QStringLiteral("ý ") + c.toLower(),
              QString(c.toCaseFolded()) + QStringLiteral("😀"), QStringLiteral("ŽLUŤ")}) {
            textmatch::FoldedTexts folded;
            folded.update({text});
            ASSERT_EQ(folded.containing({text}, part)[0] != 0, text.contains(part, Qt::CaseInsensitive))
                << "U+" << std::hex << static_cast<unsigned>(unit) << " in part " << part.toStdString();
        }
    }
}

// Texts folded once and searched part after part decide as each text searched alone.
TEST(TextMatch, FoldedTextsDecideAsEachTextAlone)
{
    std::vector<QString> texts = {QString(), QStringLiteral(""), QStringLiteral("😀 smajlík"), QStringLiteral("ČESKÝ")};
    for (char32_t unit = 1; unit < 0x10000; unit += 7)
        texts.push_back(QStringLiteral("Žluťoučký ") + QChar(static_cast<char16_t>(unit)) + QStringLiteral("kůň"));
    textmatch::FoldedTexts folded;
    folded.update({texts.begin(), texts.begin() + 3}); // texts join in two steps, as a kept table grows
    folded.update(texts);
    QStringList parts = {
        QString(),           QStringLiteral("česk"), QStringLiteral("😀"),
        QStringLiteral("Ň"), QStringLiteral("ký "),  QString(QChar(0xD83D))}; // half of a surrogate pair
    for (char32_t unit = 1; unit < 0x10000; unit += 331)
        parts << QString(QChar(static_cast<char16_t>(unit)).toUpper()) + QStringLiteral("KŮ");
    for (const QString& part : parts) {
        const std::vector<char> found = folded.containing(texts, part);
        ASSERT_EQ(found.size(), texts.size());
        for (size_t i = 0; i < texts.size(); ++i)
            ASSERT_EQ(found[i] != 0, !texts[i].isNull() && texts[i].contains(part, Qt::CaseInsensitive))
                << "text " << i << " part " << part.toStdString();
    }
}
