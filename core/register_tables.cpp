#include "core/register_tables.h"

namespace tables {
namespace {

// Yes/no values are 0/1 and dates ISO text (YYYY-MM-DD); the checks keep anything else
// out of the file, whoever writes to it.
const char* const boolean = "NOT NULL DEFAULT 0 CHECK (%1 IN (0, 1))";
const char* const isoDate = "CHECK (%1 IS NULL OR date(%1) IS %1)";

Column column(const char* name, FieldKind kind, const char* label, const char* constraints = "")
{
    QString sql = QString::fromLatin1(constraints);
    sql.replace(QLatin1String("%1"), QLatin1String(name));
    return {QString::fromLatin1(name), kind, QString::fromUtf8(label), sql, QString()};
}

std::vector<Table> declare()
{
    using enum FieldKind;
    std::vector<Table> declared = {
        {QStringLiteral("cd"),
         false,
         {column("idcd", Integer, "ID CD", "PRIMARY KEY AUTOINCREMENT"), column("nazev", Text, "Název"),
          column("pocetdisku", Integer, "Počet disků",
                 "CHECK (%1 IS NULL OR (typeof(%1) = 'integer' AND %1 BETWEEN -2147483648 AND 2147483647))"),
          column("typdisku", Text, "Typ disku"), column("typobsahu", Text, "Typ obsahu"),
          column("popis", Text, "Popis"), column("original", Boolean, "Originál", boolean),
          column("vyrazeno", Boolean, "Vyřazeno", boolean)},
         {}},
        {QStringLiteral("lide"),
         false,
         {column("idcloveka", Integer, "ID člověka", "PRIMARY KEY AUTOINCREMENT"), column("jmeno", Text, "Jméno"),
          column("prijmeni", Text, "Příjmení"), column("telefon", Text, "Telefon"), column("email", Text, "Email"),
          column("poznamka", Text, "Poznámka")},
         {}},
        {QStringLiteral("pujcovani"),
         false,
         {column("idvypujcky", Integer, "ID výpůjčky", "PRIMARY KEY AUTOINCREMENT"),
          column("datumpujceni", Date, "Datum půjčení", isoDate),
          column("idcd", Integer, "ID CD", "NOT NULL REFERENCES cd (idcd) ON DELETE CASCADE"),
          column("idcloveka", Integer, "ID člověka", "NOT NULL REFERENCES lide (idcloveka) ON DELETE CASCADE"),
          column("poznamka", Text, "Poznámka"), column("iduzivatele", Integer, "Uživatel"),
          column("vraceno", Boolean, "Vráceno", boolean), column("datumvraceni", Date, "Datum vrácení", isoDate)},
         {}},
    };
    // The saved queries join each loan with its person and its disc; a column is
    // written as table.column, and takes that column's kind and label.
    const auto view = [&](const char* name, std::initializer_list<const char*> columns, const char* where) {
        Table table{QString::fromLatin1(name), true, {}, QString::fromLatin1(where)};
        for (const char* qualified : columns) {
            const QString source = QString::fromLatin1(qualified).section(QLatin1Char('.'), 0, 0);
            const QString field = QString::fromLatin1(qualified).section(QLatin1Char('.'), 1);
            for (const Table& base : declared)
                for (const Column& c : base.columns)
                    if (base.name == source && c.name == field)
                        table.columns.push_back({c.name, c.kind, c.label, QString(), source});
        }
        Q_ASSERT(table.columns.size() == columns.size());
        return table;
    };
    declared.push_back(
        view("vypujcky",
             {"pujcovani.idvypujcky", "pujcovani.datumpujceni", "pujcovani.datumvraceni", "lide.jmeno", "lide.prijmeni",
              "cd.nazev", "pujcovani.vraceno", "pujcovani.poznamka", "pujcovani.idcloveka", "pujcovani.idcd"},
             ""));
    declared.push_back(
        view("nevracenecd",
             {"pujcovani.idvypujcky", "pujcovani.datumpujceni", "lide.jmeno", "lide.prijmeni", "cd.nazev",
              "pujcovani.poznamka", "pujcovani.iduzivatele", "pujcovani.vraceno", "pujcovani.datumvraceni"},
             "vraceno = 0"));
    return declared;
}

} // namespace

const std::vector<Table>& all()
{
    static const std::vector<Table> declared = declare();
    return declared;
}

const Table* find(const QString& name)
{
    for (const Table& table : all())
        if (table.name == name)
            return &table;
    return nullptr;
}

FieldKind kindOf(const QString& table, const QString& column)
{
    if (const Table* found = find(table))
        for (const Column& c : found->columns)
            if (c.name == column)
                return c.kind;
    return FieldKind::Text;
}

QString label(const QString& column)
{
    for (const Table& table : all())
        for (const Column& c : table.columns)
            if (c.name == column)
                return c.label;
    return QStringLiteral("Hodnota");
}

} // namespace tables
