#include "core/new_records.h"

#include "core/field_value.h"

namespace newrecords {

QStringList requiredFields(const QString& table)
{
    if (table == QLatin1String("cd"))
        return {QStringLiteral("pocetdisku"), QStringLiteral("typdisku"), QStringLiteral("typobsahu"),
                QStringLiteral("nazev")};
    return {QStringLiteral("jmeno"), QStringLiteral("prijmeni")};
}

Refusal checkDisc(const Entries& disc)
{
    if (const fieldvalue::WholeNumber count = fieldvalue::parseDiscCount(disc.value(QStringLiteral("pocetdisku")));
        !count.ok)
        return {QStringLiteral("pocetdisku"), count.message};
    // Empty means no text at all: a name of blanks only passes.
    if (disc.value(QStringLiteral("typdisku")).isEmpty())
        return {QStringLiteral("typdisku"), QStringLiteral("Vyberte prosím typ disku")};
    if (disc.value(QStringLiteral("typobsahu")).isEmpty())
        return {QStringLiteral("typobsahu"), QStringLiteral("Vyberte prosím typ obsahu")};
    if (disc.value(QStringLiteral("nazev")).isEmpty())
        return {QStringLiteral("nazev"), QStringLiteral("Musí být vyplněn název")};
    return {};
}

Refusal checkPerson(const Entries& person)
{
    if (person.value(QStringLiteral("jmeno")).isEmpty())
        return {QStringLiteral("jmeno"), QStringLiteral("Jméno musí být vyplněno")};
    if (person.value(QStringLiteral("prijmeni")).isEmpty())
        return {QStringLiteral("prijmeni"), QStringLiteral("Příjmení musí být vyplněno")};
    return {};
}

QString listItem(const QStringList& items, const QString& text)
{
    for (const QString& item : items)
        if (item.compare(text, Qt::CaseInsensitive) == 0)
            return item;
    return text;
}

} // namespace newrecords
