#include "main_window/form1.h"
#include "rows/register.h"
#include "ui_common/messages.h"
#include "version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QIcon>

#include <cstdio>

namespace {

const char* const usage = R"(Použití: ordisk [--home]

Ordisk – evidence půjčených CD: disky sbírky, lidé, kterým se půjčují, a výpůjčky.

Evidenci vede v souboru db1.zaz ve složce, ve které byl spuštěn, a při prvním
spuštění ho tam založí. Položka „Ordisk – evidence půjčených CD“ v nabídce
aplikací ho spouští s volbou --home, evidence je pak vždy ~/Ordisk/db1.zaz.

Volby:
  --home          pracovat ve složce ~/Ordisk (založí ji, chybí-li)
  -h, --help      vypsat tuto nápovědu a skončit
  -v, --version   vypsat verzi programu a skončit

Zálohu evidence udělá za běhu programu: sqlite3 db1.zaz ".backup zaloha.zaz"
Více v manuálové stránce: man ordisk
)";

// Reads the command line before any window exists, so that --help and --version need no
// display and open no file. Qt's own options (-platform, -style...) pass through to Qt.
// Returns the exit status when the program is to end at once, -1 to go on.
int readCommandLine(const QStringList& arguments, bool& home)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption inHome(QStringLiteral("home"));
    parser.addOptions({help, version, inHome});
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry",
                             "qwindowicon", "qwindowtitle", "session", "display", "name", "style", "stylesheet"})
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("x")));
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"})
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));

    const bool parsed = parser.parse(arguments);
    if (parsed && parser.isSet(help)) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (parsed && parser.isSet(version)) {
        std::printf("Ordisk %s\n", ORDISK_VERSION);
        return 0;
    }
    QString refused;
    if (!parser.unknownOptionNames().isEmpty())
        refused = QStringLiteral("ordisk: neznámá volba „%1“").arg(parser.unknownOptionNames().constFirst());
    else if (!parsed)
        refused = QStringLiteral("ordisk: %1").arg(parser.errorText());
    else if (!parser.positionalArguments().isEmpty())
        refused = QStringLiteral("ordisk: nečekaný argument „%1“").arg(parser.positionalArguments().constFirst());
    if (!refused.isEmpty()) {
        std::fprintf(stderr, "%s\nNápovědu vypíše: ordisk --help\n", refused.toLocal8Bit().constData());
        return 2;
    }
    home = parser.isSet(inHome);
    return -1;
}

// The menu entry's way: the register lives in ~/Ordisk, made when missing. Without a home
// folder there is nowhere to keep it: a message says so and nothing is written anywhere.
bool enterHomeFolder()
{
    const QString home = QFile::decodeName(qgetenv("HOME"));
    QString problem;
    if (home.isEmpty() || !QDir::isAbsolutePath(home))
        problem = QStringLiteral("Není nastavena domovská složka (proměnná HOME), evidenci není kam uložit.");
    else if (!QDir(home).exists())
        problem = QStringLiteral("Domovská složka %1 neexistuje, evidenci není kam uložit.").arg(home);
    else if (!QDir(home).mkpath(QStringLiteral("Ordisk")) ||
             !QDir::setCurrent(QDir(home).filePath(QStringLiteral("Ordisk"))))
        problem =
            QStringLiteral("Složku %1 nelze založit ani otevřít.").arg(QDir(home).filePath(QStringLiteral("Ordisk")));
    if (problem.isEmpty())
        return true;
    messages::critical(nullptr, QStringLiteral("Chyba"), problem);
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    bool home = false;
    if (const int status = readCommandLine(arguments, home); status >= 0)
        return status;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ordisk"));
    QApplication::setApplicationVersion(QStringLiteral(ORDISK_VERSION));
    // Task bars and Alt+Tab find the menu entry and its icon by the desktop file's name.
    QGuiApplication::setDesktopFileName(QStringLiteral("cz.ordisk.Ordisk"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("cz.ordisk.Ordisk"), QIcon(QStringLiteral(":/icons/cz.ordisk.Ordisk.png"))));
    // The program is Czech: so are the buttons and menus Qt draws (English when Qt's translations are missing).
    messages::installCzechQtTexts();
    if (home && !enterHomeFolder())
        return 1;

    Status status = Status::success();
    std::unique_ptr<Register> reg = Register::open(QStringLiteral("db1.zaz"), status);
    if (!reg) {
        messages::critical(nullptr, QStringLiteral("Chyba"), status.message());
        return 1;
    }
    // A register found damaged while the program runs is told of once, and the program ends
    // without writing anything more to it.
    reg->db().onDamage([](const QString& text) {
        QMetaObject::invokeMethod(
            qApp, [text] { messages::endForDamage(text); }, Qt::QueuedConnection);
    });
    Form1 form(*reg);
    if (reg->db().isDamaged()) { // found while the lists were first read: the window is not shown
        QCoreApplication::sendPostedEvents();
        return 1;
    }
    form.show();
    return QApplication::exec();
}
