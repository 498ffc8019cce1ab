// Writes a realistic register at any scale, always the same for the same seed:
//   ordisk_generate <db1.zaz> <discs> <people> <loans> [seed]
// Czech disc names with diacritics, several discs sharing a name, every disc and
// content type, Czech people with phones and e-mails, loans over several years
// with about 5 % still out.
#include "core/value_lists.h"
#include "rows/register.h"

#include <QDate>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace {

// A small fixed generator, so a seed gives the same file on every machine.
class Random
{
public:
    explicit Random(quint64 seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    quint64 next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return m_state;
    }
    int below(int n) { return static_cast<int>(next() % static_cast<quint64>(n)); }
    template <class T> const T& pick(const QList<T>& list) { return list[below(static_cast<int>(list.size()))]; }

private:
    quint64 m_state;
};

QStringList words(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* text : texts)
        list << QString::fromUtf8(text);
    return list;
}

const QStringList adjectives =
    words({"Zlatá", "Stříbrná", "Černá",  "Bílá",     "Modrá", "Zelená",   "Čtvrtá",    "Ztracená",
           "Velká", "Malá",     "Noční",  "Letní",    "Zimní", "Podzimní", "Jarní",     "Tichá",
           "Žlutá", "Šťastná",  "Dlouhá", "Poslední", "Česká", "Moravská", "Slovenská", "Stará"});
const QStringList nouns = words({"kolekce", "píseň",   "cesta",   "řeka",    "hvězda",  "země",  "noc",    "škola",
                                 "hudba",   "pohádka", "kniha",   "zahrada", "louka",   "ulice", "řada",   "edice",
                                 "sbírka",  "výprava", "kronika", "sezóna",  "krajina", "bouře", "ozvěna", "léčba"});
const QStringList series = words({"", "", "", " 2", " 3", " – výběr", " (remaster)", " – živě", " I", " II", " 1998",
                                  " 2004", " 2012", " – zlatá edice"});
const QStringList firstNames =
    words({"Jan",    "Petr",   "Pavel",  "Tomáš", "Jiří",  "Martin",   "Lukáš",  "Jakub", "Ondřej",
           "Václav", "Jana",   "Eva",    "Hana",  "Lucie", "Kateřina", "Tereza", "Věra",  "Marie",
           "Šárka",  "Zdeňka", "Štěpán", "Čeněk", "Řehoř", "Žofie",    "Dagmar", "Ilona"});
const QStringList surnames =
    words({"Novák",   "Svoboda",  "Novotný", "Dvořák",  "Černý", "Procházka", "Kučera",  "Veselý", "Horák", "Němec",
           "Marek",   "Pospíšil", "Pokorný", "Hájek",   "Král",  "Jelínek",   "Růžička", "Beneš",  "Fiala", "Sedláček",
           "Doležal", "Zeman",    "Kolář",   "Šťastný", "Žák",   "Čermák",    "Říha",    "Vávra",  "Šimek", "Holub"});

void check(const Status& s)
{
    if (!s.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(s.message()));
        std::exit(1);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s <db1.zaz> <discs> <people> <loans> [seed]\n", argv[0]);
        return 2;
    }
    const int discs = std::atoi(argv[2]);
    const int people = std::atoi(argv[3]);
    const int loans = std::atoi(argv[4]);
    Random random(argc > 5 ? std::strtoull(argv[5], nullptr, 10) : 1);
    Status status = Status::success();
    auto opened = Register::open(QString::fromLocal8Bit(argv[1]), status);
    check(status);
    Database* db = &opened->db();
    check(db->exec(QStringLiteral("PRAGMA synchronous = OFF; BEGIN")));

    // About three discs share a name: a pool of a third as many names.
    QStringList names;
    const int nameCount = std::max(1, discs / 3);
    for (int i = 0; i < nameCount; ++i)
        names << random.pick(adjectives) + QLatin1Char(' ') + random.pick(nouns) + random.pick(series) +
                     (i >= 24 * 24 * 3 ? QStringLiteral(" %1").arg(i) : QString());
    const QStringList discTypes = valuelists::discTypes();
    const QStringList contentTypes = valuelists::contentTypes();
    {
        Statement insert(db->handle(), QStringLiteral("INSERT INTO cd (nazev, pocetdisku, typdisku, typobsahu, popis, "
                                                      "original, vyrazeno) VALUES (?, ?, ?, ?, ?, ?, ?)"));
        for (int i = 0; i < discs; ++i) {
            check(insert.bindAll({random.pick(names), 1 + random.below(4), random.pick(discTypes),
                                  random.pick(contentTypes),
                                  random.below(3) == 0 ? QStringLiteral("Koupeno v bazaru") : QString(),
                                  random.below(2), random.below(20) == 0 ? 1 : 0}));
            if (insert.step() != Statement::Step::Done)
                check(insert.failure());
            insert.reset();
        }
    }
    {
        Statement insert(db->handle(), QStringLiteral("INSERT INTO lide (jmeno, prijmeni, telefon, email, poznamka) "
                                                      "VALUES (?, ?, ?, ?, ?)"));
        for (int i = 0; i < people; ++i) {
            QString surname = random.pick(surnames);
            const QString first = random.pick(firstNames);
            const bool woman = first.endsWith(QLatin1Char('a')) || first.endsWith(QLatin1Char('e')) ||
                               first == QLatin1String("Dagmar");
            if (woman)
                surname = surname.endsWith(QStringLiteral("ý")) ? surname.chopped(1) + QStringLiteral("á")
                                                                : surname + QStringLiteral("ová");
            check(insert.bindAll({first, surname,
                                  QStringLiteral("+420 %1 %2 %3")
                                      .arg(600 + random.below(200))
                                      .arg(100 + random.below(900))
                                      .arg(100 + random.below(900)),
                                  QStringLiteral("%1.%2@example.cz").arg(i).arg(random.below(1000)),
                                  random.below(10) == 0 ? QStringLiteral("soused") : QString()}));
            if (insert.step() != Statement::Step::Done)
                check(insert.failure());
            insert.reset();
        }
    }
    {
        Statement insert(db->handle(),
                         QStringLiteral("INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, poznamka, "
                                        "iduzivatele, vraceno, datumvraceni) VALUES (?, ?, ?, ?, 1, ?, ?)"));
        const QDate first(2019, 1, 1);
        const int days = static_cast<int>(first.daysTo(QDate(2026, 11, 30)));
        for (int i = 0; i < loans; ++i) {
            const QDate lent = first.addDays(random.below(days));
            const bool out = random.below(20) == 0;
            check(insert.bindAll(
                {lent.toString(Qt::ISODate), 1 + random.below(discs), 1 + random.below(people),
                 random.below(8) == 0 ? QStringLiteral("vrátí po prázdninách") : QString(), out ? 0 : 1,
                 out ? QVariant() : QVariant(lent.addDays(1 + random.below(60)).toString(Qt::ISODate))}));
            if (insert.step() != Statement::Step::Done)
                check(insert.failure());
            insert.reset();
        }
    }
    check(db->exec(QStringLiteral("COMMIT; ANALYZE")));
    return 0;
}
