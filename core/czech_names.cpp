#include "core/czech_names.h"

#include <QHash>

namespace czechnames {
namespace {

// The most common Czech first names and their vocatives. A name that is both (Nikola) has one
// vocative; names whose vocative people disagree on are left out.
const QHash<QString, QString>& vocatives()
{
    static const QHash<QString, QString> table = [] {
        static const char* const pairs[][2] = {
            // men
            {"Adam", "Adame"},
            {"Aleš", "Aleši"},
            {"Antonín", "Antoníne"},
            {"Bohumil", "Bohumile"},
            {"Daniel", "Danieli"},
            {"David", "Davide"},
            {"Dominik", "Dominiku"},
            {"Dušan", "Dušane"},
            {"Filip", "Filipe"},
            {"František", "Františku"},
            {"Hynek", "Hynku"},
            {"Igor", "Igore"},
            {"Ivan", "Ivane"},
            {"Ivo", "Ivo"},
            {"Jakub", "Jakube"},
            {"Jan", "Jane"},
            {"Jaromír", "Jaromíre"},
            {"Jaroslav", "Jaroslave"},
            {"Jindřich", "Jindřichu"},
            {"Jiří", "Jiří"},
            {"Josef", "Josefe"},
            {"Kamil", "Kamile"},
            {"Karel", "Karle"},
            {"Ladislav", "Ladislave"},
            {"Libor", "Libore"},
            {"Lubomír", "Lubomíre"},
            {"Luboš", "Luboši"},
            {"Lukáš", "Lukáši"},
            {"Marek", "Marku"},
            {"Martin", "Martine"},
            {"Matěj", "Matěji"},
            {"Michal", "Michale"},
            {"Milan", "Milane"},
            {"Miloslav", "Miloslave"},
            {"Miroslav", "Miroslave"},
            {"Oldřich", "Oldřichu"},
            {"Ondřej", "Ondřeji"},
            {"Patrik", "Patriku"},
            {"Pavel", "Pavle"},
            {"Petr", "Petře"},
            {"Radek", "Radku"},
            {"Radim", "Radime"},
            {"Richard", "Richarde"},
            {"Robert", "Roberte"},
            {"Roman", "Romane"},
            {"Rudolf", "Rudolfe"},
            {"Stanislav", "Stanislave"},
            {"Šimon", "Šimone"},
            {"Štěpán", "Štěpáne"},
            {"Tomáš", "Tomáši"},
            {"Václav", "Václave"},
            {"Viktor", "Viktore"},
            {"Vít", "Víte"},
            {"Vladimír", "Vladimíre"},
            {"Vlastimil", "Vlastimile"},
            {"Vojtěch", "Vojtěchu"},
            {"Zdeněk", "Zdeňku"},
            // women
            {"Adéla", "Adélo"},
            {"Alena", "Aleno"},
            {"Andrea", "Andreo"},
            {"Aneta", "Aneto"},
            {"Anna", "Anno"},
            {"Barbora", "Barboro"},
            {"Blanka", "Blanko"},
            {"Božena", "Boženo"},
            {"Dagmar", "Dagmar"},
            {"Dana", "Dano"},
            {"Denisa", "Deniso"},
            {"Eliška", "Eliško"},
            {"Ema", "Emo"},
            {"Eva", "Evo"},
            {"Gabriela", "Gabrielo"},
            {"Hana", "Hano"},
            {"Helena", "Heleno"},
            {"Irena", "Ireno"},
            {"Iveta", "Iveto"},
            {"Ivana", "Ivano"},
            {"Jana", "Jano"},
            {"Jarmila", "Jarmilo"},
            {"Jaroslava", "Jaroslavo"},
            {"Jiřina", "Jiřino"},
            {"Jitka", "Jitko"},
            {"Julie", "Julie"},
            {"Kamila", "Kamilo"},
            {"Karolína", "Karolíno"},
            {"Kateřina", "Kateřino"},
            {"Klára", "Kláro"},
            {"Kristýna", "Kristýno"},
            {"Lenka", "Lenko"},
            {"Libuše", "Libuše"},
            {"Lucie", "Lucie"},
            {"Ludmila", "Ludmilo"},
            {"Magdalena", "Magdaleno"},
            {"Marcela", "Marcelo"},
            {"Marie", "Marie"},
            {"Markéta", "Markéto"},
            {"Martina", "Martino"},
            {"Michaela", "Michaelo"},
            {"Milada", "Milado"},
            {"Miroslava", "Miroslavo"},
            {"Monika", "Moniko"},
            {"Natálie", "Natálie"},
            {"Nela", "Nelo"},
            {"Nikola", "Nikolo"},
            {"Olga", "Olgo"},
            {"Pavla", "Pavlo"},
            {"Petra", "Petro"},
            {"Radka", "Radko"},
            {"Renata", "Renato"},
            {"Romana", "Romano"},
            {"Simona", "Simono"},
            {"Soňa", "Soňo"},
            {"Šárka", "Šárko"},
            {"Tereza", "Terezo"},
            {"Veronika", "Veroniko"},
            {"Věra", "Věro"},
            {"Vladimíra", "Vladimíro"},
            {"Vlasta", "Vlasto"},
            {"Zdeňka", "Zdeňko"},
            {"Zuzana", "Zuzano"},
        };
        QHash<QString, QString> made;
        for (const auto& [name, called] : pairs)
            made.insert(QString::fromUtf8(name).toLower(), QString::fromUtf8(called));
        return made;
    }();
    return table;
}

} // namespace

QString vocative(const QString& firstName)
{
    const QString name = firstName.trimmed();
    const auto found = vocatives().constFind(name.toLower());
    if (found == vocatives().constEnd())
        return QString();
    // Spelled as the name was: "JANA" → "JANO", "jana" → "jano".
    if (name == name.toUpper())
        return found->toUpper();
    if (name == name.toLower())
        return found->toLower();
    return *found;
}

} // namespace czechnames
