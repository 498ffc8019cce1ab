// The vocative a letter greets with: the common names, spelled as typed; nothing for a name
// the program cannot be sure of.
#include "core/czech_names.h"
#include "qt_printers.h"

#include <gtest/gtest.h>

TEST(CzechNames, TheVocativeOfCommonNamesAndNothingWhenUnsure)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Jan", "Jane"},   {"Petr", "Petře"},  {"Jiří", "Jiří"},   {"Zdeněk", "Zdeňku"}, {"Tomáš", "Tomáši"},
        {"Jana", "Jano"},  {"Marie", "Marie"}, {"Lucie", "Lucie"}, {"Šárka", "Šárko"},   {"Dagmar", "Dagmar"},
        {" Eva ", "Evo"},  {"jana", "jano"},   {"PETR", "PETŘE"},  {"ŠÁRKA", "ŠÁRKO"},   {"Xaver", ""},
        {"Jan Pavel", ""}, {"J.", ""},         {"", ""},           {"Janička", ""},      {"Novák", ""},
    };
    for (const auto& [name, called] : cases)
        EXPECT_EQ(czechnames::vocative(QString::fromUtf8(name)), QString::fromUtf8(called)) << name;
}
