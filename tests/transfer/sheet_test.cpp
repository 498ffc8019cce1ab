// Lists taken out as workbooks (.xlsx, .ods) and brought in from them, and from the files
// Calc saves: typed cells, the sheet's row numbers, and files that are no workbook.
#include "import_outcome.h"
#include "qt_printers.h"
#include "temp_register.h"
#include "transfer/csv_export.h"
#include "transfer/sheet_export.h"
#include "transfer/sheet_import.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QByteArray csvOf(Database& db, const QString& table)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    EXPECT_TRUE(csvexport::write(db, table, out).ok());
    return importtest::withoutKeys(out.data());
}

using importtest::problems;

importrows::Outcome importFile(Database* db, const QString& table, const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return sheetimport::run(db, table, file, {});
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString fixture(const char* name)
{
    return QStringLiteral(ORDISK_FIXTURES "/") + QString::fromLatin1(name);
}

} // namespace

// Every format brings back what it took out, the values a spreadsheet trips on among them:
// a phone with "+" and spaces, "007", a formula, "@x", ";" and ",", line breaks and runs of
// spaces, Czech letters, empty and NULL values, counts at their limits. The file is the owner's only.
TEST(Sheets, EveryFormatBringsBackWhatItTookOut)
{
    TempRegister from;
    from.exec(QString::fromUtf8(
        "INSERT INTO cd (nazev, pocetdisku, typdisku, typobsahu, popis, original, vyrazeno) VALUES "
        "('=1+1', 2147483647, 'DVD', 'Filmy', 'řádek 1\n  řádek 2 se  dvěma  mezerami ', 1, 0),"
        "('007', -2147483648, 'CD', 'Hudba', '', 0, 1), ('@x', 0, 'CD', 'Data', NULL, 0, 0),"
        "('Žlutá; edice, druhá', 1, 'Blu-ray', 'Ostatní', '\ttabulátor', 1, 1);"
        "INSERT INTO lide (jmeno, prijmeni, telefon, email, poznamka) VALUES "
        "('Čeněk', 'Novák', '+420 603 123 456', 'c@n.cz', '-5'), ('Eva', 'Nová', '603 970 735', NULL, '00:30 1E3')"));
    for (const char* suffix : {"csv", "xlsx", "ods"}) {
        SCOPED_TRACE(suffix);
        QTemporaryDir dir;
        TempRegister into;
        for (const QString& table : {QStringLiteral("cd"), QStringLiteral("lide")}) {
            const QString path = dir.filePath(table + QLatin1Char('.') + QLatin1String(suffix));
            const sheetexport::Format format = sheetexport::formatOf(path);
            if (format == sheetexport::Format::Csv) {
                QFile out(path);
                ASSERT_TRUE(out.open(QIODevice::WriteOnly));
                ASSERT_TRUE(csvexport::write(from.db(), table, out).ok());
            } else {
                const Status written = sheetexport::write(from.db(), table, path, format);
                ASSERT_TRUE(written.ok()) << written.message().toStdString();
                struct stat info = {};
                ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
                EXPECT_EQ(info.st_mode & 0777, 0600u);
                // Yes and no are the words a spreadsheet's reader reads, not the stored 1 and 0.
                if (table == QLatin1String("cd")) {
                    QProcess sheet;
                    sheet.start(QStringLiteral("unzip"),
                                {QStringLiteral("-p"), path,
                                 format == sheetexport::Format::Ods ? QStringLiteral("content.xml")
                                                                    : QStringLiteral("xl/worksheets/sheet1.xml")});
                    ASSERT_TRUE(sheet.waitForFinished(-1));
                    const QByteArray xml = sheet.readAllStandardOutput();
                    EXPECT_TRUE(xml.contains(">Ano<") && xml.contains(">Ne<")) << xml.left(400).toStdString();
                }
            }
            const importrows::Outcome outcome = importFile(&into.db(), table, path);
            ASSERT_EQ(problems(outcome), QString());
            ASSERT_TRUE(outcome.status.ok());
            EXPECT_EQ(csvOf(into.db(), table), csvOf(from.db(), table));
        }
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Hidden | QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2)
            << "no scratch files are left";
    }
}

// Workbooks as Calc saves them: number cells as counts and names, boolean cells as yes and
// no, a date cell as its day, spaces and lines kept, the first sheet only; a refused row
// named by the sheet's row (empty rows counted) and its name, with the value found.
TEST(Sheets, WorkbooksAsCalcSavesThemAreRead)
{
    for (const char* suffix : {"ods", "xlsx"}) {
        SCOPED_TRACE(suffix);
        TempRegister reg;
        const QString kind = QLatin1String(suffix);
        EXPECT_EQ(problems(importFile(&reg.db(), QStringLiteral("cd"), fixture("sbirka.") + kind)), QString());
        EXPECT_EQ(reg.rows(QStringLiteral("SELECT nazev, pocetdisku, typdisku, typobsahu, popis, original, vyrazeno "
                                          "FROM cd ORDER BY idcd")),
                  QStringList({"Má vlast|2|CD|Hudba|Smetana,  Česká  filharmonie\ndruhý řádek|1|0",
                               "1984|1|DVD|Filmy|8.12.2026|0|0", "007|3|CD|Hudba||0|0"}));
        EXPECT_EQ(problems(importFile(&reg.db(), QStringLiteral("cd"), fixture("chyba.") + kind)),
                  QStringLiteral("6 (007): Počet disků musí být číslo (je tam „2 ks“)"));
        EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM cd")), QStringLiteral("3"));
    }
}

// A file that is no workbook nor text is refused in one line that says what to save it as;
// a workbook cut short or damaged is refused as such; nothing is stored.
TEST(Sheets, FilesThatAreNoWorkbookAreRefusedInOneLine)
{
    const QByteArray workbook = readAll(fixture("sbirka.xlsx"));
    QByteArray damagedSheet = readAll(fixture("sbirka.ods"));
    const struct
    {
        const char* what;
        QByteArray file;
        QString told;
    } cases[] = {
        {"an old Excel's workbook", QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, '\0'),
         "0: Soubor je sešit starého Excelu (.xls); uložte list jako .xlsx, .ods nebo CSV."},
        {"a ZIP of another kind", readAll(fixture("dokument.zip")),
         "0: Soubor je archiv ZIP, ale ne sešit .xlsx ani .ods (třeba sešit Numbers nebo dokument); uložte list jako "
         ".xlsx, .ods nebo CSV."},
        {"a workbook cut short", workbook.left(workbook.size() / 2),
         "0: Sešit je poškozený: jeho archiv ZIP je neúplný. Otevřete ho v tabulkovém procesoru a uložte znovu."},
        {"the first bytes of a ZIP", QByteArray("PK\x03\x04\x14\0\0\0\x08\0", 10),
         "0: Sešit je poškozený: jeho archiv ZIP je neúplný. Otevřete ho v tabulkovém procesoru a uložte znovu."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempRegister reg;
        const importrows::Outcome outcome = importtest::importBytes(&reg.db(), QStringLiteral("cd"), c.file);
        EXPECT_EQ(problems(outcome), c.told);
        EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM cd")), QStringLiteral("0"));
    }
}

// A collector's own sheet (no ids) brought in a second time would double the collection: the
// rows equal in every column of the file to rows of the register are told and refused unless
// allowed, in every format; rows repeated within one file are two copies of a disc.
TEST(Sheets, ACollectorsSheetBroughtInTwiceIsToldAsAlreadyThere)
{
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("sbirka.csv"));
    QFile out(csv);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("Název;Počet disků;Typ disku;Typ obsahu;Originál\nMá vlast;2;CD;Hudba;Ano\nMá vlast;2;CD;Hudba;Ano\n"
              "1984;1;DVD;Filmy;Ne\n");
    out.close();
    for (const QString& path : {csv, fixture("sbirka.ods"), fixture("sbirka.xlsx")}) {
        SCOPED_TRACE(path.toStdString());
        TempRegister reg;
        reg.addCd(QStringLiteral("Má vlast")); // the same name alone is no duplicate
        EXPECT_EQ(problems(importFile(&reg.db(), QStringLiteral("cd"), path)), QString());
        const QString count = reg.value(QStringLiteral("SELECT count(*) FROM cd"));
        const importrows::Outcome again = importFile(&reg.db(), QStringLiteral("cd"), path);
        EXPECT_EQ(problems(again), QStringLiteral("0: Soubor obsahuje 3 disky, které už v evidenci jsou (se stejnými "
                                                  "hodnotami ve všech sloupcích souboru); přidat je znovu?"));
        EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM cd")), count);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        importrows::Options allowed;
        allowed.allowDuplicates = true;
        EXPECT_EQ(problems(sheetimport::run(&reg.db(), QStringLiteral("cd"), file, allowed)), QString());
        EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM cd")).toInt(), 2 * count.toInt() - 1);
    }
}

// A sheet with columns of the user's own is refused as it is, and brought in without them
// when asked, the columns named; a row of unticked boxes alone is an empty row.
TEST(Sheets, ColumnsOfTheUsersOwnAreLeftOutWhenAsked)
{
    const QByteArray sheet = "Název;Interpret;Počet disků;Typ disku;Typ obsahu;Koupeno;Originál;Cena\n"
                             "Kytice;Zrní;1;CD;Hudba;2019;NEPRAVDA;300\n"
                             ";;;;;;NEPRAVDA;\n";
    TempRegister reg;
    QByteArray bytes = sheet;
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    EXPECT_TRUE(problems(sheetimport::run(&reg.db(), QStringLiteral("cd"), file, {}))
                    .startsWith(QStringLiteral("1: Neznámý sloupec „Interpret“")));
    importrows::Options without;
    without.ignoreUnknownColumns = true;
    file.seek(0);
    const importrows::Outcome outcome = sheetimport::run(&reg.db(), QStringLiteral("cd"), file, without);
    EXPECT_EQ(problems(outcome), QString());
    EXPECT_EQ(outcome.ignoredColumns, QStringList({"Interpret", "Koupeno", "Cena"}));
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT nazev, pocetdisku, typdisku, typobsahu, original FROM cd")),
              QStringList({"Kytice|1|CD|Hudba|0"}));
}

// A reading cancelled ends as the cancel whatever stopped it: a workbook's part cut off (one
// of millions of empty elements yields no rows, yet asks as it goes), the rows' own check of
// a long CSV. Nothing is stored and no row is called refused.
TEST(Sheets, ACancelEndsEveryReadingAsTheCancelStoringNothing)
{
    QByteArray csv = "Název;Počet disků;Typ disku;Typ obsahu\n";
    for (int i = 0; i < 3000; ++i)
        csv += "Disk " + QByteArray::number(i) + ";1;CD;Hudba\n";
    QBuffer longCsv(&csv);
    QFile empty(fixture("prazdne.xlsx")), ods(fixture("sbirka.ods")), xlsx(fixture("sbirka.xlsx"));
    const struct
    {
        QIODevice* file;
        int answeredNo; // how many times the reading is let go on
    } cases[] = {{&empty, 2}, {&ods, 0}, {&xlsx, 0}, {&longCsv, 0}};
    for (const auto& [file, answeredNo] : cases) {
        SCOPED_TRACE(file == &longCsv ? "long CSV" : qPrintable(static_cast<QFile*>(file)->fileName()));
        TempRegister reg;
        ASSERT_TRUE(file->open(QIODevice::ReadOnly));
        int asked = 0;
        importrows::Options options;
        options.cancelled = [&asked, answeredNo] { return ++asked > answeredNo; };
        const importrows::Outcome outcome = sheetimport::run(&reg.db(), QStringLiteral("cd"), *file, options);
        EXPECT_GT(asked, answeredNo);
        EXPECT_TRUE(outcome.status.isCancelled()) << outcome.status.message().toStdString();
        EXPECT_EQ(outcome.status.message(), QStringLiteral("Přidávání bylo zrušeno."));
        EXPECT_EQ(outcome.refused, 0);
        EXPECT_EQ(outcome.rows, 0);
        EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM cd")), QStringLiteral("0"));
    }
}
