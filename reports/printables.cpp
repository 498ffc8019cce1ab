#include "reports/printables.h"

#include "reports/borrowers.h"
#include "reports/overview.h"

namespace printables {

borrowers::Days daysOf(const Printable& printable, int days)
{
    return printable.takesDays ? borrowers::Days(days) : std::nullopt;
}

const std::vector<Printable>& all()
{
    using enum Form;
    static const std::vector<Printable> table = {
        {QStringLiteral("cd"), List, QStringLiteral("&Seznam CD, jak ho ukazuje okno"), QStringLiteral("TiskCd"),
         QStringLiteral("seznam-cd"), false, true},
        {QStringLiteral("lide"), List, QStringLiteral("Seznam &lidí, jak ho ukazuje okno"), QStringLiteral("TiskLide"),
         QStringLiteral("seznam-lidi"), false, true},
        {QStringLiteral("nevracenecd"), List, QStringLiteral("&Nevrácená CD"), QStringLiteral("TiskNevracena"),
         QStringLiteral("nevracena-cd"), false, false},
        {QStringLiteral("vypujcky"), List, QStringLiteral("&Historie půjčování"), QStringLiteral("TiskHistorie"),
         QStringLiteral("historie-pujcovani"), false, false},
        {QStringLiteral("dlouho"), Borrowers, QStringLiteral("&Dlouho půjčená CD"), QStringLiteral("TiskDlouho"),
         QStringLiteral("dlouho-pujcena-cd"), true, false},
        {QStringLiteral("nikdy"), List, QStringLiteral("Nikd&y nepůjčená CD"), QStringLiteral("TiskNikdy"),
         QStringLiteral("nikdy-nepujcena-cd"), false, false},
        {QStringLiteral("kdoco"), Borrowers, QStringLiteral("&Kdo má co půjčeno"), QStringLiteral("TiskKdoCo"),
         QStringLiteral("kdo-ma-co-pujceno"), false, false},
        {QStringLiteral("upominky"), Letters, QStringLiteral("&Upomínky"), QStringLiteral("TiskUpominky"),
         QStringLiteral("upominky"), true, false},
        {QStringLiteral("prehled"), Overview, QStringLiteral("&Přehled půjčování"), QStringLiteral("TiskPrehled"),
         QStringLiteral("prehled-pujcovani"), false, false},
    };
    return table;
}

const Printable* find(const QString& name)
{
    for (const Printable& p : all())
        if (p.name == name)
            return &p;
    return nullptr;
}

QStringList names()
{
    QStringList result;
    for (const Printable& p : all())
        result << p.name;
    return result;
}

Status writePdf(Database& db, const QString& name, const QString& path, const Input& input,
                const listreport::Watch& watch, qint64* nameless)
{
    const Printable* printable = find(name);
    if (!printable)
        return Status::failure(QStringLiteral("Vytisknout lze jen %1.").arg(names().join(QStringLiteral(", "))));
    switch (printable->form) {
    case Form::Letters:
        return reminders::writePdf(db, input.owner, input.choice.days, input.choice.today, path, watch, nameless,
                                   input.keys);
    case Form::Overview:
        return overview::writePdf(db, input.choice.today, path);
    case Form::Borrowers:
        return borrowers::writePdf(db, input.choice.today, daysOf(*printable, input.choice.days), path, watch);
    case Form::List:
        break;
    }
    if (input.keys && printable->asShown)
        return listreport::writePdf(db, name, path, *input.keys, watch);
    return listreport::writePdf(db, name, path, input.choice, watch);
}

} // namespace printables
