#include "backups/backups.h"
#include "core/long_loans.h"
#include "main_menu/flows.h"
#include "reports/printables.h"
#include "session.h"
#include "transfer_command.h"
#include "ui_common/messages.h"
#include "version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QProcess>
#include <QRegularExpression>
#include <QTextBrowser>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

// What --export or --import asks for.
struct Transfer
{
    QString exportWhat; // cd, lide, vypujcky, nevracenecd, dlouho, nikdy
    QString importWhat; // cd, lide
    QString file;       // empty: standard output
    bool dryRun = false;
    bool allowDuplicates = false;      // --allow-duplicates: rows already in the register are added again
    bool ignoreColumns = false;        // --ignore-columns: columns the register has no field for are left out
    bool backup = false;               // --backup: a copy of the register now, into file or zalohy/
    bool restore = false;              // --restore: the register replaced by a copy of file
    int days = longloans::defaultDays; // --dni: more days out than this is lent too long
};

const char* const usage = R"(Použití: ordisk [--home]
        ordisk [--home] --export cd|lide|vypujcky|nevracenecd|nikdy [SOUBOR]
        ordisk [--home] --export dlouho [SOUBOR] [--dni N]
        ordisk [--home] --export upominky SOUBOR.pdf [--dni N]
        ordisk [--home] --export kdoco|prehled SOUBOR.pdf
        ordisk [--home] --import cd|lide SOUBOR [--dry-run] [--allow-duplicates]
                                [--ignore-columns]
        ordisk [--home] --backup [SOUBOR]
        ordisk [--home] --restore SOUBOR

Ordisk – evidence půjčených CD: disky sbírky, lidé, kterým se půjčují, a výpůjčky.

Evidenci vede v souboru db1.zaz ve složce, ve které byl spuštěn, a při prvním
spuštění ho tam založí. Položka „Ordisk – evidence půjčených CD“ v nabídce
aplikací ho spouští s volbou --home, evidence je pak vždy ~/Ordisk/db1.zaz.

Volby:
  --home          pracovat ve složce ~/Ordisk (založí ji, chybí-li)
  --export CO [SOUBOR]
                  zapsat disky (cd), lidi (lide), všechny výpůjčky (vypujcky),
                  nevrácená CD (nevracenecd), dlouho půjčená CD (dlouho)
                  nebo nikdy nepůjčená CD (nikdy)
                  a skončit: SOUBOR.pdf jako stránky A4 k tisku, SOUBOR.xlsx
                  nebo SOUBOR.ods jako sešit tabulkového procesoru s hodnotami
                  podle typu (telefon i „=1+1“ jako text), jinak CSV (bez
                  souboru nebo se souborem - na standardní výstup);
                  přípona jiného formátu (.html, .xls…) se odmítne
  --export upominky SOUBOR.pdf
                  zapsat upomínky: stránku A4 každému, kdo má CD půjčené
                  déle než 30 (nebo --dni) dní; jméno, kontakt a místo
                  majitele bere z nastavení, která se zadávají v okně
                  (Soubor ▸ Upomínky…)
  --export kdoco SOUBOR.pdf
                  zapsat, kdo má co půjčeno: každý, kdo má něco půjčeno, se
                  svým telefonem a e-mailem a pod ním jeho disky
  --export prehled SOUBOR.pdf
                  zapsat přehled půjčování (počty, nejpůjčovanější disky,
                  kdo si půjčuje nejčastěji, jak dlouho trvá vrácení)
  --dni N         s --export dlouho nebo upominky: dlouho půjčené je CD,
                  které není vráceno déle než N dní (bez volby 30)
  --import CO SOUBOR
                  přidat do evidence disky (cd) nebo lidi (lide) ze sešitu
                  .xlsx nebo .ods (první list) nebo ze souboru CSV (- je
                  standardní vstup) a skončit; při jediném chybném řádku
                  nepřidá nic a chybné řádky vypíše s číslem řádku listu
  --dry-run       s --import jen zkontrolovat soubor, nic neukládat
  --allow-duplicates
                  s --import přidat i řádky, které už v evidenci jsou
                  (soubor vyvezený z této evidence, nebo tentýž seznam
                  podruhé: řádek se stejnými hodnotami ve všech sloupcích)
  --ignore-columns
                  s --import vynechat sloupce, pro které evidence nemá pole
                  (Interpret, Cena…); bez ní se soubor s nimi nepřidá
  --backup [SOUBOR]
                  uložit kopii evidence do souboru (bez souboru do složky
                  zalohy vedle evidence) a skončit
  --restore SOUBOR
                  nahradit evidenci kopií zálohy ze souboru (jen celé evidence
                  programu Ordisk, a jen když evidenci nemá otevřenou běžící
                  program); dosavadní evidenci uloží do složky zalohy
  -h, --help      vypsat tuto nápovědu a skončit
  -v, --version   vypsat verzi programu a skončit

Sloupce souboru pro --import jmenuje jeho první řádek, v libovolném pořadí
a bez ohledu na velikost písmen, českým názvem nebo názvem pole:
  cd    Název (nazev), Počet disků (pocetdisku), Typ disku (typdisku),
        Typ obsahu (typobsahu), Popis (popis), Originál (original),
        Vyřazeno (vyrazeno); povinné jsou první čtyři
  lide  Jméno (jmeno), Příjmení (prijmeni), Telefon (telefon), Email (email),
        Poznámka (poznamka); povinné jsou první dva
Záhlaví může psát i popisky, které ukazují okna (Název CD, E-mail:).
Ano/ne se píše Ano, A, 1, -1, PRAVDA, true nebo x, a Ne, N, 0, NEPRAVDA,
false nebo nic; chybějící sloupec znamená Ne. Sloupec klíče (ID CD,
ID člověka) evidence nepřebírá, čísluje sama; jsou-li ale v evidenci už
řádky se stejným klíčem a názvem (jménem), nebo řádky se stejnými hodnotami
ve všech sloupcích souboru, soubor se nepřidá, dokud to nepovolí volba
--allow-duplicates.

Příklady:
  ordisk --export cd disky.ods
  ordisk --export dlouho dlouho.pdf --dni 60
  ordisk --import cd sbirka.xlsx
  ordisk --import lide --dry-run adresar.csv

Kopie evidence ukládá program sám do složky zalohy vedle ní: první den, kdy se
evidence změnila, a před každým přidáním ze souboru. Nechává si všechny kopie
posledních sedmi dní, nejnovější kopii tohoto týdne a každého ze čtyř týdnů před
ním a nejnovější kopii tohoto měsíce a každého z dvanácti měsíců před ním.
Více v manuálové stránce: man ordisk
)";

// A number of days as typed after --dni: digits only, within reason.
bool readDays(const QString& typed, int& days)
{
    bool whole = false;
    const int read = typed.toInt(&whole);
    if (!whole || typed.isEmpty() || !std::all_of(typed.begin(), typed.end(), [](QChar c) { return c.isDigit(); }) ||
        read > longloans::mostDays)
        return false;
    days = read;
    return true;
}

// The program's options; Qt's own (-platform, -style...) are added to pass through to Qt.
struct Options
{
    QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")}};
    QCommandLineOption version{QStringList{QStringLiteral("v"), QStringLiteral("version")}};
    QCommandLineOption inHome{QStringLiteral("home")};
    QCommandLineOption exportList{QStringLiteral("export"), QString(), QStringLiteral("co")};
    QCommandLineOption importList{QStringLiteral("import"), QString(), QStringLiteral("co")};
    QCommandLineOption dryRun{QStringLiteral("dry-run")};
    QCommandLineOption allowDuplicates{QStringLiteral("allow-duplicates")};
    QCommandLineOption ignoreColumns{QStringLiteral("ignore-columns")};
    QCommandLineOption backup{QStringLiteral("backup")};
    QCommandLineOption restore{QStringLiteral("restore")};
    QCommandLineOption days{QStringLiteral("dni"), QString(), QStringLiteral("n")};
    // Not in the usage: prints the text the manual's window shows, so that the tests check the
    // built program itself (its manual is a resource the linker could drop).
    QCommandLineOption printManual{QStringLiteral("print-manual")};

    void addTo(QCommandLineParser& parser) const
    {
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addOptions({help, version, inHome, exportList, importList, dryRun, allowDuplicates, ignoreColumns,
                           backup, restore, days, printManual});
        for (const char* name :
             {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry", "qwindowicon",
              "qwindowtitle", "session", "display", "name", "style", "stylesheet"})
            parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("x")));
        for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"})
            parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
    }
};

// The option as it was typed: Qt's own words are English and drop the dashes.
QString typedAs(const QStringList& arguments, const QString& name)
{
    for (const QString& argument : arguments.mid(1))
        if (argument.startsWith(QLatin1Char('-')) &&
            argument.section(QLatin1Char('='), 0, 0).remove(QRegularExpression(QStringLiteral("^-+"))) == name)
            return argument.section(QLatin1Char('='), 0, 0);
    return QStringLiteral("--") + name;
}

// Why the command line cannot be run as given, in Czech; empty when it can. The days are read
// into the transfer.
QString refusal(const QCommandLineParser& parser, bool parsed, const Options& o, const QStringList& arguments,
                Transfer& transfer)
{
    const auto typed = [&arguments](const QString& name) { return typedAs(arguments, name); };
    const QStringList files = parser.positionalArguments();
    const bool exporting = parser.isSet(o.exportList);
    const bool importing = parser.isSet(o.importList);
    // An option of a value given twice would leave one of them unheeded.
    QString givenTwice;
    for (const QCommandLineOption* option : {&o.exportList, &o.importList, &o.days})
        if (parser.values(*option).size() > 1)
            givenTwice = typed(option->names().constFirst());
    if (!parser.unknownOptionNames().isEmpty())
        return QStringLiteral("neznámá volba „%1“").arg(typed(parser.unknownOptionNames().constFirst()));
    if (!parsed && arguments.size() > 1 && typed(QStringLiteral("export")) == arguments.constLast())
        return QStringLiteral("u volby %1 chybí, co vyvézt (%2)")
            .arg(arguments.constLast(), transfercommand::exportable());
    if (!parsed && arguments.size() > 1 && typed(QStringLiteral("import")) == arguments.constLast())
        return QStringLiteral("u volby %1 chybí, co přidat (cd nebo lide)").arg(arguments.constLast());
    if (!parsed)
        return QStringLiteral("u volby „%1“ chybí hodnota").arg(arguments.constLast());
    if (!givenTwice.isEmpty())
        return QStringLiteral("volba %1 je zadána víckrát; zadejte ji jednou").arg(givenTwice);
    if (int(exporting) + int(importing) + int(transfer.backup) + int(transfer.restore) > 1)
        return QStringLiteral("--export, --import, --backup a --restore nejdou spolu");
    for (const auto& [set, name] : {std::pair{transfer.dryRun, "--dry-run"},
                                    {transfer.allowDuplicates, "--allow-duplicates"},
                                    {transfer.ignoreColumns, "--ignore-columns"}})
        if (set && !importing)
            return QStringLiteral("%1 patří k volbě --import").arg(QLatin1String(name));
    const printables::Printable* printable = printables::find(parser.value(o.exportList));
    if (parser.isSet(o.days) && !(printable && printable->takesDays))
        return QStringLiteral("--dni patří k volbě --export dlouho nebo --export upominky");
    if (parser.isSet(o.days) && !readDays(parser.value(o.days), transfer.days))
        return QStringLiteral("--dni chce celý počet dní od 0 do %1, ne „%2“")
            .arg(longloans::mostDays)
            .arg(parser.value(o.days));
    if (importing && files.isEmpty())
        return QStringLiteral("--import potřebuje soubor, ze kterého má přidávat");
    if (transfer.restore && files.isEmpty())
        return QStringLiteral("--restore potřebuje soubor zálohy, ze kterého má obnovit");
    const bool transferring = exporting || importing || transfer.backup || transfer.restore;
    if (files.size() > (transferring ? 1 : 0))
        return QStringLiteral("nečekaný argument „%1“").arg(files.constLast());
    return {};
}

// Reads the command line before any window exists, so that --help and --version need no
// display and open no file. Returns the exit status when the program is to end at once, -1
// to go on.
int readCommandLine(const QStringList& arguments, bool& home, bool& manual, Transfer& transfer)
{
    QCommandLineParser parser;
    const Options o;
    o.addTo(parser);
    const bool parsed = parser.parse(arguments);
    if (parsed && parser.isSet(o.help)) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (parsed && parser.isSet(o.version)) {
        std::printf("Ordisk %s\n", ORDISK_VERSION);
        return 0;
    }
    manual = parser.isSet(o.printManual);
    transfer.exportWhat = parser.value(o.exportList);
    transfer.importWhat = parser.value(o.importList);
    transfer.dryRun = parser.isSet(o.dryRun);
    transfer.allowDuplicates = parser.isSet(o.allowDuplicates);
    transfer.ignoreColumns = parser.isSet(o.ignoreColumns);
    transfer.backup = parser.isSet(o.backup);
    transfer.restore = parser.isSet(o.restore);
    if (const QString refused = refusal(parser, parsed, o, arguments, transfer); !refused.isEmpty()) {
        std::fprintf(stderr, "ordisk: %s\nNápovědu vypíše: ordisk --help\n", refused.toLocal8Bit().constData());
        return 2;
    }
    home = parser.isSet(o.inHome);
    transfer.file = parser.positionalArguments().value(0);
    return -1;
}

// The menu entry's way: the register lives in ~/Ordisk. Without a home folder there is
// nowhere to keep it: the problem is told and nothing is written anywhere.
QString homeFolder(QString& problem)
{
    const QString home = QFile::decodeName(qgetenv("HOME"));
    if (home.isEmpty() || !QDir::isAbsolutePath(home))
        problem = QStringLiteral("Není nastavena domovská složka (proměnná HOME), evidenci není kam uložit.");
    else if (!QDir(home).exists())
        problem = QStringLiteral("Domovská složka %1 neexistuje, evidenci není kam uložit.").arg(home);
    return QDir(home).filePath(QStringLiteral("Ordisk"));
}

// The window works in ~/Ordisk, made when missing.
QString enterHomeFolder()
{
    QString problem;
    const QString folder = homeFolder(problem);
    if (problem.isEmpty() && (!QDir().mkpath(folder) || !QDir::setCurrent(folder)))
        problem = QStringLiteral("Složku %1 nelze založit ani otevřít.").arg(folder);
    return problem;
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
        // A name that is not text in the system's encoding (UTF-8) would come out as another
        // name, and another file would be read or written.
        if (arguments.last().toLocal8Bit() != QByteArray(argv[i])) {
            std::fprintf(stderr,
                         "ordisk: argument „%s“ není text v kódování systému (UTF-8); soubor s takovým "
                         "jménem přejmenujte.\n",
                         arguments.last().toLocal8Bit().constData());
            return 2;
        }
    }
    bool home = false;
    bool manual = false;
    Transfer transfer;
    if (const int status = readCommandLine(arguments, home, manual, transfer); status >= 0)
        return status;
    if (!transfer.exportWhat.isEmpty() || !transfer.importWhat.isEmpty() || transfer.backup || transfer.restore) {
        // No window: no display is needed, and what is said goes to the terminal, in Czech:
        // Qt's own English warnings only when asked for, as SQLite's words are.
        // A PDF's pages are painted with fonts, which needs Qt's GUI, but never a display.
        const printables::Printable* printable = printables::find(transfer.exportWhat);
        const bool painting =
            !transfer.exportWhat.isEmpty() &&
            (transfercommand::isPdf(transfer.file) || (printable && printable->form != printables::Form::List));
        if (painting)
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (!qEnvironmentVariableIsSet("ORDISK_DEBUG"))
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
                if (type == QtFatalMsg)
                    std::fprintf(stderr, "ordisk: %s\n", text.toLocal8Bit().constData());
            });
        const std::unique_ptr<QCoreApplication> app =
            painting ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
        // With --home, the register is ~/Ordisk's (the folder is made only when an import
        // stores into it); a file named on the command line is still where the user is.
        QString problem;
        const QString folder = home ? homeFolder(problem) : QDir::currentPath();
        if (!problem.isEmpty()) {
            std::fprintf(stderr, "ordisk: %s\n", problem.toUtf8().constData());
            return 1;
        }
        const QString registerPath = QDir(folder).filePath(QStringLiteral("db1.zaz"));
        if (transfer.backup)
            return transfercommand::backUp(transfer.file, registerPath);
        if (transfer.restore)
            return transfercommand::restore(transfer.file, registerPath);
        return transfer.exportWhat.isEmpty()
                   ? transfercommand::importList(transfer.importWhat, transfer.file,
                                                 {transfer.dryRun, transfer.allowDuplicates, transfer.ignoreColumns},
                                                 registerPath)
                   : transfercommand::exportList(transfer.exportWhat, transfer.file, transfer.days, registerPath);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ordisk"));
    QApplication::setApplicationVersion(QStringLiteral(ORDISK_VERSION));
    // Task bars and Alt+Tab find the menu entry and its icon by the desktop file's name.
    QGuiApplication::setDesktopFileName(QStringLiteral("cz.ordisk.Ordisk"));
    // The windows' own icon: one small 8-bit PNG built in, read by Qt itself (an icon theme's
    // lookup and a 256 px, 16-bit picture cost the start 16 ms; docs/performance.md).
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/cz.ordisk.Ordisk.png")));
    // The program is Czech: so are the buttons and menus Qt draws (English when Qt's translations are missing).
    messages::installCzechQtTexts();
    if (manual) {
        const auto* text = mainmenu::showManual(nullptr)->findChild<QTextBrowser*>(QStringLiteral("Text"));
        const QByteArray shown = text ? text->toPlainText().toUtf8() : QByteArray();
        std::fwrite(shown.constData(), 1, static_cast<size_t>(shown.size()), stdout);
        return shown.isEmpty() ? 1 : 0;
    }
    if (const QString problem = home ? enterHomeFolder() : QString(); !problem.isEmpty()) {
        messages::critical(nullptr, QStringLiteral("Chyba"), problem);
        return 1;
    }

    // The program starts anew on a register restored from its copy.
    return runWindows(QStringLiteral("db1.zaz"), [] {
        return QProcess::startDetached(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1));
    });
}
