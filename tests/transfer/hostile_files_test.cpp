// Workbooks and CSV files made to break the import, each made here and small: every one is
// refused whole with its reason (the row and cell where there is one), and the register stays
// byte for byte as it was; or, where the file is sound but unusual, read as it says.
#include "import_outcome.h"
#include "storage/database.h"
#include "storage/register_file.h"
#include "temp_register.h"
#include "transfer/sheet_import.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <zip.h>

#include <utility>
#include <vector>

namespace {

using Parts = std::vector<std::pair<const char*, QByteArray>>;

// A ZIP of the parts, made by libzip; stored rather than deflated when asked (its bytes then
// stand in the file as they are).
QByteArray zipOf(const Parts& parts, bool stored = false, const char* password = nullptr)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("sesit.zip")));
    int error = 0;
    zip_t* archive = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(archive, nullptr);
    for (const auto& [name, bytes] : parts) {
        zip_source_t* source =
            zip_source_buffer(archive, bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0);
        const zip_int64_t index = zip_file_add(archive, name, source, ZIP_FL_OVERWRITE);
        EXPECT_GE(index, 0);
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 1);
        if (password) {
            EXPECT_EQ(zip_file_set_encryption(archive, static_cast<zip_uint64_t>(index), ZIP_EM_AES_256, password), 0);
        }
    }
    EXPECT_EQ(zip_close(archive), 0);
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An .xlsx workbook whose first sheet holds the rows (the XML inside <sheetData>).
QByteArray xlsx(const QByteArray& rows, const QByteArray& shared = QByteArray(),
                const QByteArray& styles = QByteArray(), bool stored = false)
{
    Parts parts = {
        {"xl/workbook.xml",
         R"(<workbook xmlns:r="urn:r"><sheets><sheet name="Disky" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships><Relationship Id="rId1" Target="worksheets/sheet1.xml"/></Relationships>)"},
        {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>" + rows + "</sheetData></worksheet>"},
    };
    if (!shared.isEmpty())
        parts.push_back({"xl/sharedStrings.xml", "<sst>" + shared + "</sst>"});
    if (!styles.isEmpty())
        parts.push_back({"xl/styles.xml", "<styleSheet><cellXfs>" + styles + "</cellXfs></styleSheet>"});
    return zipOf(parts, stored);
}

// An inline text cell.
QByteArray is(const char* column, int row, const QByteArray& text)
{
    return QByteArray("<c r=\"") + column + QByteArray::number(row) + "\" t=\"inlineStr\"><is><t>" + text +
           "</t></is></c>";
}

// A disc's row: name, count, disc type, content type, then cells of its own.
QByteArray disc(int row, const QByteArray& name, const QByteArray& more = QByteArray())
{
    return "<row r=\"" + QByteArray::number(row) + "\">" + is("A", row, name) + "<c r=\"B" + QByteArray::number(row) +
           "\"><v>1</v></c>" + is("C", row, "CD") + is("D", row, "Hudba") + more + "</row>";
}

const QByteArray header = "<row r=\"1\">" + is("A", 1, "nazev") + is("B", 1, "pocetdisku") + is("C", 1, "typdisku") +
                          is("D", 1, "typobsahu") + is("E", 1, "popis") + is("F", 1, "original") +
                          is("G", 1, "vyrazeno") + "</row>";

QByteArray discs(int count, int from = 2)
{
    QByteArray rows;
    for (int r = from; r < from + count; ++r)
        rows += disc(r, "Disk " + QByteArray::number(r));
    return rows;
}

// An .ods workbook whose first sheet holds the rows (the XML inside <table:table>).
QByteArray ods(const QByteArray& rows)
{
    return zipOf({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                  {"content.xml",
                   R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
                   R"(xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" )"
                   R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"><office:body><office:spreadsheet>)"
                   R"(<table:table table:name="Disky">)" +
                       rows + "</table:table></office:spreadsheet></office:body></office:document-content>"}});
}

QByteArray cell(const QByteArray& text, const QByteArray& more = QByteArray())
{
    return "<table:table-cell office:value-type=\"string\"" + more + "><text:p>" + text +
           "</text:p></table:table-cell>";
}

QByteArray odsRow(const QByteArray& cells, const QByteArray& more = QByteArray())
{
    return "<table:table-row" + more + ">" + cells + "</table:table-row>";
}

const QByteArray odsHeader = odsRow(cell("nazev") + cell("pocetdisku") + cell("typdisku") + cell("typobsahu") +
                                    cell("popis") + cell("original") + cell("vyrazeno"));

QByteArray odsDisc(const QByteArray& name, const QByteArray& more = QByteArray())
{
    return odsRow(cell(name) + "<table:table-cell office:value-type=\"float\" office:value=\"1\"/>" + cell("CD") +
                  cell("Hudba") + more);
}

QByteArray withCrcBroken(QByteArray zip, const QByteArray& inside)
{
    const qsizetype at = zip.lastIndexOf(inside);
    EXPECT_GE(at, 0);
    zip[at] = static_cast<char>(zip[at] ^ 1);
    return zip;
}

// A disk that fills up: SQLite's files are the system's, but a write into the register
// beyond the limit fails as a full disk does, while the test holds it.
class FullDisk
{
public:
    explicit FullDisk(sqlite3_int64 limit)
    {
        s_limit = limit;
        s_real = sqlite3_vfs_find(nullptr);
        m_vfs = *s_real;
        m_vfs.zName = "full_disk";
        m_vfs.szOsFile = static_cast<int>(sizeof(File)) + s_real->szOsFile;
        m_vfs.xOpen = open;
        sqlite3_vfs_register(&m_vfs, 1);
    }
    ~FullDisk()
    {
        sqlite3_vfs_unregister(&m_vfs);
        sqlite3_vfs_register(s_real, 1);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

private:
    struct File
    {
        sqlite3_file base;
        bool limited;
    };
    static sqlite3_file* real(sqlite3_file* f)
    {
        return reinterpret_cast<sqlite3_file*>(reinterpret_cast<File*>(f) + 1);
    }
    static int open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags)
    {
        static const sqlite3_io_methods methods = {
            1,
            [](sqlite3_file* file) { return real(file)->pMethods->xClose(real(file)); },
            [](sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
                return real(file)->pMethods->xRead(real(file), buffer, amount, offset);
            },
            [](sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
                if (reinterpret_cast<File*>(file)->limited && offset + amount > s_limit)
                    return SQLITE_FULL;
                return real(file)->pMethods->xWrite(real(file), buffer, amount, offset);
            },
            [](sqlite3_file* file, sqlite3_int64 size) { return real(file)->pMethods->xTruncate(real(file), size); },
            [](sqlite3_file* file, int how) { return real(file)->pMethods->xSync(real(file), how); },
            [](sqlite3_file* file, sqlite3_int64* size) { return real(file)->pMethods->xFileSize(real(file), size); },
            [](sqlite3_file* file, int lock) { return real(file)->pMethods->xLock(real(file), lock); },
            [](sqlite3_file* file, int lock) { return real(file)->pMethods->xUnlock(real(file), lock); },
            [](sqlite3_file* file, int* out) { return real(file)->pMethods->xCheckReservedLock(real(file), out); },
            [](sqlite3_file* file, int op, void* arg) {
                return real(file)->pMethods->xFileControl(real(file), op, arg);
            },
            [](sqlite3_file* file) { return real(file)->pMethods->xSectorSize(real(file)); },
            [](sqlite3_file* file) { return real(file)->pMethods->xDeviceCharacteristics(real(file)); },
            nullptr,
            nullptr,
            nullptr,
            nullptr,
            nullptr,
            nullptr,
        };
        const int rc = s_real->xOpen(s_real, name, real(f), flags, outFlags);
        f->pMethods = rc == SQLITE_OK ? &methods : nullptr;
        reinterpret_cast<File*>(f)->limited = (flags & SQLITE_OPEN_MAIN_DB) != 0;
        return rc;
    }
    static inline sqlite3_vfs* s_real = nullptr;
    static inline sqlite3_int64 s_limit = 0;
    sqlite3_vfs m_vfs;
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(HostileFiles, AreRefusedWholeAndLeaveTheRegisterAsItWas)
{
    const QByteArray huge(40000, 'A');
    QByteArray nested = "<row r=\"2\">";
    for (int i = 0; i < 100; ++i)
        nested += "<x>";
    QByteArray emptyTexts;
    emptyTexts.reserve(5 << 22);
    for (int i = 0; i < 4500000; ++i)
        emptyTexts += "<si/>";
    QByteArray twentyFive;
    for (int i = 0; i < 25; ++i)
        twentyFive += odsRow(cell("Zlý") + cell("x") + cell("CD") + cell("Hudba"));
    const struct
    {
        const char* what;
        QByteArray file;
        const char* told; // the whole refusal list holds this
    } cases[] = {
        {"a tag broken in the fourth of ten rows", xlsx(header + discs(2) + "<row r=\"4\"><c></x></row>" + discs(6, 5)),
         "není platné XML"},
        {"an entity never defined", xlsx(header + disc(2, "A &zlo; B")), "není platné XML"},
        {"a NUL as a character reference", xlsx(header + disc(2, "A&#0;B")), "není platné XML"},
        {"an .ods broken after its first row", ods(odsHeader + odsDisc("A") + "<table:table-row></x>"),
         "není platné XML"},
        {"a value longer than a cell holds", xlsx(header + disc(2, huge)), "Hodnota v buňce A2 je delší než 32 767"},
        {"a shared text longer than a cell holds", xlsx(header, "<si><t>" + huge + "</t></si>"),
         "Text sešitu je delší než 32 767"},
        {"a run of 5 MB of blanks between rows", xlsx(header + QByteArray(5 << 20, ' ') + discs(1)),
         "text nebo značku delší než 4 MB"},
        {"elements nested 100 deep", xlsx(header + nested), "vnořené hlouběji než 64"},
        {"4.5 million empty shared texts", xlsx(header, emptyTexts), "víc textu, než lze najednou přečíst"},
        {"a part whose checksum is wrong", withCrcBroken(xlsx(header + disc(2, "Kontrola"), {}, {}, true), "Kontrola"),
         "kontrolním součtem (CRC)"},
        {"an escape written as _x001B_", xlsx(header + disc(2, "A_x001B_B")),
         "2: Hodnota ve sloupci „Název“ obsahuje řídicí znak U+001B"},
        {"a NUL written as _x0000_", xlsx(header + disc(2, "A_x0000_B")), "řídicí znak U+0000"},
        {"a bell in a CSV file", "nazev;pocetdisku;typdisku;typobsahu\nA\aB;1;CD;Hudba\n", "řídicí znak U+0007"},
        {"a DEL in a CSV file", "nazev;pocetdisku;typdisku;typobsahu\nA;1;CD;Hudba\nB\x7f;1;CD;Hudba\n",
         "3: Hodnota ve sloupci „Název“ obsahuje řídicí znak U+007F"},
        {"a boolean cell of 2", xlsx(header + disc(2, "A", "<c r=\"G2\" t=\"b\"><v>2</v></c>")), "Vyřazeno"},
        {"a number cell that is no number", xlsx(header + disc(2, "A", "<c r=\"E2\"><v>NaN</v></c>")),
         "buňka E2 nemá platné číslo („NaN“)"},
        {"a cell beyond the last column", xlsx(header + disc(2, "A", is("ZZZZ", 2, "x"))),
         "buňka XFD2 leží za posledním sloupcem"},
        {"rows out of order", xlsx(header + disc(5, "A") + disc(3, "B")), "řádek 3 v něm následuje až po řádku 5"},
        {"a run of 65,535 spaces, many times", ods(odsHeader + odsDisc("A" + QByteArray("<text:s text:c=\"65535\"/>"))),
         "je delší než 32 767"},
        // A part stored twice under one name: a second sheet after a first one named alike.
        {"a part stored twice under one name",
         zipOf({{"xl/workbook.xml",
                 R"(<workbook xmlns:r="urn:r"><sheets><sheet name="D" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
                {"xl/_rels/workbook.xml.rels",
                 R"(<Relationships><Relationship Id="rId1" Target="worksheets/sheet1.xml"/></Relationships>)"},
                {"xl/worksheets/sheet1.xml",
                 "<worksheet><sheetData>" + header + disc(2, "A") + "</sheetData></worksheet>"},
                {"xl/worksheets/sheetX.xml",
                 "<worksheet><sheetData>" + header + disc(2, "B") + "</sheetData></worksheet>"}})
             .replace("xl/worksheets/sheetX.xml", "xl/worksheets/sheet1.xml"),
         "jeho část xl/worksheets/sheet1.xml je v archivu dvakrát"},
        {"a workbook encrypted with a password",
         zipOf({{"xl/workbook.xml", "<workbook/>"}, {"xl/worksheets/sheet1.xml", "<worksheet/>"}}, false, "heslo"),
         "Sešit je zašifrovaný heslem (jeho část xl/workbook.xml)"},
        {"more rows than a sheet holds, after 25 refused ones",
         ods(odsHeader + twentyFive + odsRow(cell("A"), " table:number-rows-repeated=\"1048577\"")),
         "víc řádků, než unese list tabulkového procesoru (1 048 576)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempRegister reg;
        reg.addCd(QStringLiteral("Kytice"));
        const QByteArray before = readAll(reg.path());
        const importrows::Outcome outcome = importtest::importBytes(&reg.db(), QStringLiteral("cd"), c.file);
        EXPECT_GT(outcome.refused, 0);
        EXPECT_TRUE(importtest::problems(outcome).contains(QString::fromUtf8(c.told)))
            << importtest::problems(outcome).toStdString();
        EXPECT_EQ(readAll(reg.path()), before);
        EXPECT_FALSE(QFile::exists(reg.path() + QStringLiteral("-journal")));
    }
}

// Sound but unusual cells are read as they say: yes and no written as words, a value
// repeated over several columns, a day number beyond any calendar kept as the number.
TEST(HostileFiles, UnusualCellsAreReadAsTheySay)
{
    const struct
    {
        const char* what;
        QByteArray file;
        const char* stored; // popis|original|vyrazeno
    } cases[] = {
        {"boolean cells as true and 0",
         xlsx(header + disc(2, "A",
                            "<c r=\"F2\" t=\"b\"><v>true</v></c><c r=\"G2\" "
                            "t=\"b\"><v>0</v></c>")),
         "|1|0"},
        {"a day number beyond 9999 in a date style",
         xlsx(header + disc(2, "A", "<c r=\"E2\" s=\"1\"><v>1e300</v></c>"), {},
              "<xf numFmtId=\"0\"/><xf numFmtId=\"14\"/>"),
         "1e+300|0|0"},
        {"a day number in a date style",
         xlsx(header + disc(2, "A", "<c r=\"E2\" s=\"1\"><v>46364</v></c>"), {},
              "<xf numFmtId=\"0\"/><xf numFmtId=\"14\"/>"),
         "8.12.2026|0|0"},
        // Excel counts a 29 February 1900 that was not: its days 1 to 59 are a day later than
        // the days after it count, and its day 60 is no day.
        {"Excel's first day",
         xlsx(header + disc(2, "A", "<c r=\"E2\" s=\"1\"><v>1</v></c>"), {}, "<xf/><xf numFmtId=\"14\"/>"),
         "1.1.1900|0|0"},
        {"Excel's 28 February 1900",
         xlsx(header + disc(2, "A", "<c r=\"E2\" s=\"1\"><v>59.5</v></c>"), {}, "<xf/><xf numFmtId=\"14\"/>"),
         "28.2.1900|0|0"},
        {"Excel's 29 February 1900, a day that was not",
         xlsx(header + disc(2, "A", "<c r=\"E2\" s=\"1\"><v>60</v></c>"), {}, "<xf/><xf numFmtId=\"14\"/>"), "60|0|0"},
        {"Excel's 1 March 1900",
         xlsx(header + disc(2, "A", "<c r=\"E2\" s=\"1\"><v>61</v></c>"), {}, "<xf/><xf numFmtId=\"14\"/>"),
         "1.3.1900|0|0"},
        {"empty cells repeated between values, as Calc writes them",
         ods(odsHeader + odsDisc("A", "<table:table-cell table:number-columns-repeated=\"2\"/>" + cell("Ano"))),
         "|0|1"},
        {"an empty shared text after texts that fill a block of them",
         xlsx(header + "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>2</v></c><c r=\"B2\"><v>1</v></c>" + is("C", 2, "CD") +
                  is("D", 2, "Hudba") + "<c r=\"E2\" t=\"s\"><v>3</v></c></row>",
              "<si><t>" + QByteArray(32767, 'a') + "</t></si><si><t>" + QByteArray(32767, 'b') +
                  "</t></si><si><t>cc</t></si><si><t></t></si>"),
         "|0|0"},
        {"a value repeated over two columns",
         ods(odsHeader + odsDisc("A", cell("") + cell("Ano", " table:number-columns-repeated=\"2\""))), "|1|1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempRegister reg;
        const importrows::Outcome outcome = importtest::importBytes(&reg.db(), QStringLiteral("cd"), c.file);
        EXPECT_EQ(importtest::problems(outcome), QString());
        EXPECT_EQ(reg.rows(QStringLiteral("SELECT popis, original, vyrazeno FROM cd")).join(QLatin1Char(',')),
                  QString::fromUtf8(c.stored));
    }
}

// A disk that fills up while the rows are written: the import fails, says so once, and
// leaves the register as it was at once, with no journal beside it for the next start.
TEST(HostileFiles, AFullDiskDuringAnImportLeavesTheRegisterAsItWas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.zaz"));
    {
        TempRegister made;
        made.addCd(QStringLiteral("Kytice"));
        ASSERT_TRUE(QFile::copy(made.path(), path));
    }
    const QByteArray before = readAll(path);
    QByteArray csv = "nazev;pocetdisku;typdisku;typobsahu;popis\n";
    for (int i = 0; i < 3000; ++i)
        csv += "Disk " + QByteArray::number(i) + ";1;CD;Hudba;" + QByteArray(100, 'x') + "\n";
    importrows::Outcome outcome;
    {
        const FullDisk full(before.size() + 16 * 4096);
        Status status = Status::success();
        const std::unique_ptr<Database> db = openRegisterFile(path, status);
        ASSERT_TRUE(db) << status.message().toStdString();
        ASSERT_TRUE(db->exec(QStringLiteral("PRAGMA cache_size = 8")).ok()); // pages go to the file early
        QBuffer file(&csv);
        file.open(QIODevice::ReadOnly);
        outcome = sheetimport::run(db.get(), QStringLiteral("cd"), file, {});
        EXPECT_TRUE(readAll(path) == before) << "put back at once, with the connection still open";
        EXPECT_FALSE(QFile::exists(path + QStringLiteral("-journal")));
    }
    EXPECT_FALSE(outcome.status.ok());
    EXPECT_EQ(outcome.status.message(), QStringLiteral("Na disku není místo; nic nebylo uloženo."));
}
