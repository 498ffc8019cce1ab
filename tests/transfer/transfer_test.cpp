// Lists taken out as CSV and brought back in: what a spreadsheet reads and writes.
#include "import_outcome.h"
#include "qt_printers.h"
#include "temp_register.h"
#include "transfer/csv_export.h"
#include "transfer/csv_import.h"
#include "transfer/export_rows.h"

#include <QBuffer>
#include <QStringDecoder>

#include <gtest/gtest.h>

namespace {

using importtest::problems;
using importtest::withoutKeys;

QByteArray exported(Database& db, const QString& table)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    const Status s = csvexport::write(db, table, out);
    EXPECT_TRUE(s.ok()) << s.message().toStdString();
    return out.data();
}

importrows::Options dryRun(bool dry = true)
{
    importrows::Options options;
    options.dryRun = dry;
    return options;
}

} // namespace

// Every value a spreadsheet could trip on comes back as it went out: separators, quotes and
// line breaks inside values, Czech letters, empty values, yes and no; the rows in the order
// the main window lists them, numbers before names.
TEST(Transfer, AListTakenOutAndBroughtBackIntoAnEmptyRegisterIsTheSame)
{
    TempRegister from;
    from.exec(QString::fromUtf8(
        "INSERT INTO cd (nazev, pocetdisku, typdisku, typobsahu, popis, original, vyrazeno) VALUES "
        "('Žlutá; edice', 2, 'DVD', 'Filmy', 'řádek 1\r\nřádek 2', 1, 0),"
        "('\"Čáp\" a spol.', 1, 'CD', 'Hudba', '', 0, 1),"
        "('Adam', -3, 'Blu-ray', 'Ostatní', NULL, 0, 0),"
        "('10', 0, 'CD', 'Data', 'a\nb', 1, 1),"
        "('=1+1', 1, 'CD', 'Data', '@x', 0, 0), ('''', 1, 'CD', 'Data', '''=2', 0, 0),"
        "('-', 1, 'CD', 'Data', '007', 0, 0);"
        "INSERT INTO lide (jmeno, prijmeni, telefon, email, poznamka) VALUES "
        "('Čeněk', 'Novák', '+420 603 123 456', 'c@n.cz', 'dluží; vždy, asi'), ('Adéla', 'Malá', '', '', ''),"
        "('Eva', 'Nová', '603 970 735', NULL, '00:30 1E3')"));
    const QByteArray discs = exported(from.db(), QStringLiteral("cd"));
    EXPECT_TRUE(
        discs.startsWith("\xEF\xBB\xBFID CD;Název;Počet disků;Typ disku;Typ obsahu;Popis;Originál;Vyřazeno\r\n"))
        << discs.toStdString();
    EXPECT_TRUE(
        discs.contains("\r\n104;10;0;CD;Data;\"a\nb\";Ano;Ano\r\n107;'-;1;CD;Data;007;Ne;Ne\r\n"
                       "106;'';1;CD;Data;''=2;Ne;Ne\r\n102;\"\"\"Čáp\"\" a spol.\";1;CD;Hudba;;Ne;Ano\r\n"
                       "105;'=1+1;1;CD;Data;'@x;Ne;Ne\r\n103;Adam;-3;Blu-ray;Ostatní;;Ne;Ne\r\n101;\"Žlutá; edice\";"))
        << discs.toStdString();
    // What Calc or Excel would compute is marked as text (above); a value with a comma is quoted.
    const QByteArray people = exported(from.db(), QStringLiteral("lide"));
    EXPECT_TRUE(people.contains(";'+420 603 123 456;c@n.cz;\"dluží; vždy, asi\"\r\n")) << people.toStdString();

    TempRegister into;
    for (const auto& [table, csv] : {std::pair{QStringLiteral("cd"), discs}, {QStringLiteral("lide"), people}}) {
        const importrows::Outcome outcome = csvimport::run(&into.db(), table, csv, dryRun(false));
        ASSERT_TRUE(outcome.status.ok()) << outcome.status.message().toStdString();
        ASSERT_EQ(problems(outcome), QString());
        EXPECT_EQ(withoutKeys(exported(into.db(), table)), withoutKeys(csv));
    }
    EXPECT_EQ(into.value(QStringLiteral("SELECT count(*) FROM cd")), QStringLiteral("7"));
}

// Names of tens of thousands of letters are listed in the lists' order by their first
// thousand letters (Ch after H as Czech has it); names alike in all of those in the order of
// their keys, whatever follows.
TEST(Transfer, LongNamesAreOrderedByTheirFirstThousandLetters)
{
    TempRegister reg;
    const QString same = QStringLiteral("ž").repeated(exportrows::sortedChars);
    reg.exec(QStringLiteral("INSERT INTO cd (idcd, nazev) VALUES (101, '%1'), (102, '%2'), (103, '%3'), (104, '%4'), "
                            "(105, '%5')")
                 .arg(QStringLiteral("Chata ").repeated(6000), QStringLiteral("Hrad ").repeated(7000),
                      same + QStringLiteral("b"), same + QStringLiteral("a"), QStringLiteral("Ahoj")));
    QStringList keys;
    for (const QByteArray& line : exported(reg.db(), QStringLiteral("cd")).split('\n').mid(1))
        if (!line.isEmpty())
            keys << QString::fromUtf8(line.left(3));
    EXPECT_EQ(keys, QStringList({"105", "102", "101", "103", "104"}));
}

// The loan lists: every loan with its person and disc, yes/no in words, dates as ISO days.
TEST(Transfer, TheLoanListsShowEveryLoanWithYesNoInWordsAndIsoDays)
{
    TempRegister reg;
    const qint64 person = reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák"));
    reg.addLoan(reg.addCd(QStringLiteral("Kytice")), person, QStringLiteral("na chatu"));
    const qint64 back = reg.addLoan(reg.addCd(QStringLiteral("Babička")), person);
    reg.exec(QStringLiteral("UPDATE pujcovani SET vraceno = 1, datumvraceni = '2026-12-07' WHERE idvypujcky = %1")
                 .arg(back));
    EXPECT_EQ(exported(reg.db(), QStringLiteral("vypujcky")).split('\n').mid(1),
              QByteArray("301;2026-01-15;;Jan;Novák;Kytice;Ne;na chatu;201;101\r\n"
                         "302;2026-01-15;2026-12-07;Jan;Novák;Babička;Ano;;201;102\r\n")
                  .split('\n'));
    const QByteArray unreturned = exported(reg.db(), QStringLiteral("nevracenecd"));
    EXPECT_EQ(unreturned.count("\r\n"), 2) << unreturned.toStdString();
    EXPECT_TRUE(unreturned.startsWith("\xEF\xBB\xBFID výpůjčky;Datum půjčení;Jméno;Příjmení;Název;Poznámka;Uživatel"));
}

// What spreadsheets write: a Czech Excel's Windows-1250 with ";" and CRLF, UTF-8 with and
// without its mark, "," or tab between fields, the header in any order and letter case.
// Types named but for case are stored as the list's items, others as they stand.
TEST(Transfer, FilesAsSpreadsheetsWriteThemAreRead)
{
    const struct
    {
        const char* what;
        QByteArray file;
        QString stored;
        const char* encoding; // told where it was decided from the letters
    } cases[] = {
        {"Excel, Windows-1250",
         "N\xe1zev;Po\xe8"
         "et disk\xf9;Typ disku;Typ obsahu;Popis;Origin\xe1l\r\n"
         "\"\xc8"
         "ern\xe1 zahrada; reedice\";2;audio cd;Hudba;\"Dv\xec \"\"strany\"\"\r\ndruh\xfd \xf8\xe1"
         "dek\";Ano\r\n"
         "Kytice;1;DVD;Filmy;;Ne\r\n",
         "Černá zahrada; reedice|2|Audio CD|Hudba|Dvě \"strany\"\r\ndruhý řádek|1|0\n"
         "Kytice|1|DVD|Filmy||0|0",
         "Windows-1250"},
        {"UTF-8 with its mark, commas, names of fields, a trailing column without a name",
         "\xEF\xBB\xBFTYPOBSAHU,nazev,Vyrazeno,pocetdisku,typdisku,\n"
         "hry,\"Doom, II\",true,3,hdd,,\n",
         "Doom, II|3|HDD|Hry||0|1", ""},
        {"UTF-8, tabs, a type of its own",
         "n\xc3\xa1zev\tpo\xc4\x8d"
         "et disk\xc5\xaf\ttyp disku\ttyp obsahu\toriginal\n"
         "P\xc3\xadsn\xc4\x9b\t1\tBlu-ray\thudba\t-1\n",
         "Písně|1|Blu-ray|Hudba||1|0", "UTF-8"},
        {"a Czech Calc's and Excel's yes and no, ticks, and captions the program shows",
         "Název CD:;Počet disků;Typ "
         "disku;Typ obsahu;Originál;Vyřazeno\nA;1;CD;Data;PRAVDA;NEPRAVDA\nB;1;CD;Data;n;x\nC;1;CD;Data;A;\n",
         "A|1|CD|Data||1|0\nB|1|CD|Data||0|1\nC|1|CD|Data||1|0", "UTF-8"},
        // "VĚŽ" in Windows-1250 is also valid UTF-8, as "V" and a combining mark no Czech text
        // holds: the reading that gives letters wins, and the dry run says which it took.
        {"a short Windows-1250 file that is valid UTF-8", "nazev;pocetdisku;typdisku;typobsahu\nV\xcc\x8e;1;CD;Data\n",
         "VĚŽ|1|CD|Data||0|0", "Windows-1250"},
        {"UTF-8 with a letter decomposed", "nazev;pocetdisku;typdisku;typobsahu\nc\xcc\x8c;1;CD;Data\n",
         "c\u030c|1|CD|Data||0|0", "UTF-8"},
        {"Windows-1250 with a pair of letters valid as UTF-8",
         "nazev;pocetdisku;typdisku;typobsahu\nV\xcc\x8e;1;CD;Data\n\x8elu\x9d"
         "ou\xe8k\xfd k\xf9\xf2;2;CD;Data\n",
         "VĚŽ|1|CD|Data||0|0\nŽluťoučký kůň|2|CD|Data||0|0", "Windows-1250"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempRegister reg;
        // The dry run reads the file as the import does.
        importrows::Options firstRow = dryRun(true);
        firstRow.preview = 1;
        const importrows::Outcome dry = csvimport::run(&reg.db(), QStringLiteral("cd"), c.file, firstRow);
        ASSERT_EQ(dry.preview.size(), 1u);
        EXPECT_EQ(dry.preview.front().front(), c.stored.section(QLatin1Char('|'), 0, 0));
        EXPECT_EQ(dry.encoding, QString::fromLatin1(c.encoding));
        const importrows::Outcome outcome = csvimport::run(&reg.db(), QStringLiteral("cd"), c.file, dryRun(false));
        ASSERT_EQ(problems(outcome), QString());
        EXPECT_EQ(outcome.encoding, QString::fromLatin1(c.encoding));
        EXPECT_EQ(reg.rows(QStringLiteral("SELECT nazev, pocetdisku, typdisku, typobsahu, popis, original, vyrazeno "
                                          "FROM cd ORDER BY idcd"))
                      .join(QLatin1Char('\n')),
                  c.stored);
    }
}

// A refused row stores nothing of the file; every refusal is told with its row as the
// spreadsheet numbers it and the row's name, in the add windows' words with the value found.
TEST(Transfer, RefusedRowsAreToldByLineAndNothingIsStored)
{
    const struct
    {
        const char* what;
        const char* table;
        QByteArray file;
        QString told;
    } cases[] = {
        {"refusals numbered as the sheet's rows: a two-line value and an empty line before them", "cd",
         "nazev;pocetdisku;typdisku;typobsahu;popis\n"
         "A;1;CD;Data;\nB;1;CD;Data;\"dva\nřádky\"\nC;1;CD;Data;\n\n;;;;\nDeska č. 146;2 ks;CD;Data;\n"
         "F;1;CD;Data;\nJ;1;;Data;\nK;2,5;CD;Data;\n;1;CD;Data;\nL;1;CD;;\nM;1;CD;Data;x;y%1\n",
         "7 (Deska č. 146): Počet disků musí být číslo (je tam „2 ks“)\n9 (J): Vyberte prosím typ disku\n"
         "10 (K): Počet disků musí být celé číslo (je tam „2,5“)\n11: Musí být vyplněn název\n"
         "12 (L): Vyberte prosím typ obsahu\n13: Hodnota „y%1“ je ve sloupci č. 6, který nemá v záhlaví název."},
        {"a yes/no that is neither", "cd", "nazev;pocetdisku;typdisku;typobsahu;original\nA;1;CD;Data;možná\n",
         "2 (A): Originál musí být Ano nebo Ne (je tam „možná“; platí Ano, A, 1, -1, PRAVDA, true, x a Ne, N, 0, "
         "NEPRAVDA, false nebo nic)"},
        {"names missing", "lide", "Jméno;Příjmení;Telefon\nJan;;1\n;Nová;2\n",
         "2 (Jan): Příjmení musí být vyplněno\n3 (Nová): Jméno musí být vyplněno"},
        {"a header not of this table", "lide", "jmeno;barva;jmeno\n",
         "1: Sloupec „Jméno“ je v záhlaví dvakrát.\n1: Neznámý sloupec „barva“; lidé mají sloupce ID člověka / ID "
         "Clovek / ID, Jméno, Příjmení, Telefon, Email / E-mail, Poznámka.\n1: V souboru chybí sloupec „Příjmení“."},
        {"a list of people given as discs", "cd", "ID člověka;Jméno;Příjmení;E-mail\n201;Jan;Novák;j@n.cz\n",
         "1: Soubor je seznam lidí, ne disků (má sloupce Jméno a Příjmení); přidejte ho mezi lidi."},
        {"a list of discs given as people", "lide", "Název;Počet disků;Typ disku;Typ obsahu\nA;1;CD;Data\n",
         "1: Soubor je seznam disků, ne lidí (má sloupce Název, Počet disků, Typ disku a Typ obsahu); přidejte ho "
         "mezi disky."},
        {"a quote never closed", "lide", "jmeno;prijmeni\nJan;Novák\n\"Eva;Malá\nIvan;Veselý\n",
         "3: Uvozovky otevřené na tomto řádku nejsou uzavřeny."},
        {"an empty file", "lide", "", "0: Soubor je prázdný, chybí v něm záhlaví se sloupci."},
        {"UTF-8 with one stray byte", "lide",
         "Jméno;Příjmení\nJan;Novák\nEva;Malá\n\xff;Černá\nIvan;Veselý\nŠárka;Žižková\n",
         "4: Znak, který není v UTF-8, v jinak UTF-8 souboru. Uložte soubor znovu jako „CSV UTF-8“, nebo celý jako "
         "„CSV (oddělený středníkem)“."},
        {"one letter of UTF-8 beside one stray byte: a tie", "lide", "jmeno;prijmeni\nJan;\xc4\x8d\xff\n",
         "2: Znak, který není v UTF-8, v jinak UTF-8 souboru. Uložte soubor znovu jako „CSV UTF-8“, nebo celý jako "
         "„CSV (oddělený středníkem)“."},
        {"valid UTF-8 that reads wrong either way", "lide", "jmeno;prijmeni\nJan;V\xcc\x81\n",
         "0: Kódování souboru nelze určit: nečte se správně jako UTF-8 ani jako Windows-1250. Uložte soubor znovu jako "
         "„CSV UTF-8“."},
        {"a NUL byte in a value", "lide", QByteArray("jmeno;prijmeni\nJan;No\0vák\n", 25),
         "2: Bajt NUL: soubor není text tabulky (CSV)."},
        {"nothing but NUL bytes", "lide", QByteArray(4096, '\0'), "1: Bajt NUL: soubor není text tabulky (CSV)."},
        {"a spreadsheet's own file", "cd", QByteArray("PK\x03\x04\x14\0\0\0\x08\0", 10),
         "0: Soubor je sešit tabulkového procesoru (.ods nebo .xlsx), ne text CSV; uložte list jako CSV."},
        {"UTF-16 with its mark", "lide", QByteArray("\xff\xfej\0m\0e\0n\0o\0", 12),
         "0: Soubor je v kódování UTF-16; uložte ho jako CSV UTF-8."},
        {"UTF-16 without its mark", "lide", QByteArray("j\0m\0e\0n\0o\0;\0", 12),
         "0: Soubor je v kódování UTF-16; uložte ho jako CSV UTF-8."},
        {"a long header", "lide", "jmeno;prijmeni;" + QByteArray(100, 'x') + "\n",
         "1: Neznámý sloupec „" + QString(60, QLatin1Char('x')) +
             "…“; lidé mají sloupce ID člověka / ID Clovek / ID, Jméno, Příjmení, Telefon, Email / E-mail, Poznámka."},
        {"a record longer than any a spreadsheet holds", "lide",
         "jmeno;prijmeni;poznamka\nJan;Novák;\"" + QByteArray(5 << 20, 'x') + "\nIvan;Veselý\n",
         "2: Záznam začínající na tomto řádku je delší než 4 MB; soubor nelze přidat."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempRegister reg;
        const importrows::Outcome outcome =
            csvimport::run(&reg.db(), QString::fromLatin1(c.table), c.file, dryRun(false));
        EXPECT_TRUE(outcome.status.ok());
        EXPECT_EQ(problems(outcome), c.told);
        EXPECT_EQ(reg.value(QStringLiteral("SELECT (SELECT count(*) FROM cd) + (SELECT count(*) FROM lide)")),
                  QStringLiteral("0"));
    }
}

// A dry run checks as the import does and stores nothing, also when every row passes.
TEST(Transfer, ADryRunStoresNothing)
{
    TempRegister reg;
    const QByteArray file = "jmeno;prijmeni\nJan;Novák\nEva;Malá\n";
    const importrows::Outcome outcome = csvimport::run(&reg.db(), QStringLiteral("lide"), file, dryRun());
    EXPECT_EQ(problems(outcome), QString());
    EXPECT_EQ(outcome.rows, 2);
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM lide")), QStringLiteral("0"));
    EXPECT_EQ(csvimport::run(nullptr, QStringLiteral("lide"), file, dryRun()).rows, 2);
}

// A list taken out and brought back into its own register would double it: rows whose key
// and name are there already refuse the file (a dry run says so too) unless asked for; a
// key of another disc, or the same key with another name, is a new row.
TEST(Transfer, RowsAlreadyInTheRegisterAreAddedAgainOnlyWhenAsked)
{
    TempRegister reg;
    reg.addCd(QStringLiteral("Kytice"));
    reg.addCd(QStringLiteral("Babička"));
    reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák"));
    const QByteArray discs = exported(reg.db(), QStringLiteral("cd"));
    QByteArray renamed = discs;
    renamed.replace("Kytice", "Kytice II");
    const QByteArray people = "ID člověka;Jméno;Příjmení;E-mail:\n201;Jan;Novák;jan@novak.cz\n";
    const struct
    {
        const char* what;
        const char* table;
        QByteArray file;
        bool again;
        QString told;
        const char* count;
    } cases[] = {
        {"the discs again", "cd", discs, false,
         "0: Soubor obsahuje 2 disky, které už v evidenci jsou (podle ID a názvu); přidat je znovu?", "2"},
        {"one renamed", "cd", renamed, false,
         "0: Soubor obsahuje 1 disk, který už v evidenci je (podle ID a názvu); přidat ho znovu?", "2"},
        {"asked for", "cd", discs, true, "", "4"},
        {"a person again, her caption for e-mail as the confirmation writes it", "lide", people, false,
         "0: Soubor obsahuje 1 člověka, který už v evidenci je (podle ID a jména); přidat ho znovu?", "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString table = QString::fromLatin1(c.table);
        for (const bool dry : {true, false}) {
            importrows::Options options = dryRun(dry);
            options.allowDuplicates = c.again;
            const importrows::Outcome outcome = csvimport::run(&reg.db(), table, c.file, options);
            EXPECT_EQ(problems(outcome), c.told);
        }
        EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM %1").arg(table)), QString::fromLatin1(c.count));
    }
    TempRegister other; // the same keys, other names
    other.addCd(QStringLiteral("Rusalka"));
    other.addCd(QStringLiteral("Libuše"));
    EXPECT_EQ(problems(csvimport::run(&other.db(), QStringLiteral("cd"), discs, dryRun(false))), QString());
    EXPECT_EQ(other.value(QStringLiteral("SELECT count(*) FROM cd")), QStringLiteral("4"));
    // A key the import itself has just given (105) is no row that was there.
    EXPECT_EQ(problems(csvimport::run(&other.db(), QStringLiteral("cd"),
                                      "ID CD;Název;Počet disků;Typ disku;Typ obsahu\n1;Nová;1;CD;Data\n"
                                      "105;Nová;1;CD;Data\n",
                                      dryRun(false))),
              QString());
    EXPECT_EQ(other.value(QStringLiteral("SELECT count(*) FROM cd")), QStringLiteral("6"));
}
