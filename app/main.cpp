#include "database.h"
#include "form1.h"
#include "messages.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ordisk"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.2"));
    // Task bars and Alt+Tab find the menu entry and its icon by the desktop file's name.
    QGuiApplication::setDesktopFileName(QStringLiteral("cz.ordisk.Ordisk"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("cz.ordisk.Ordisk"), QIcon(QStringLiteral(":/icons/cz.ordisk.Ordisk.png"))));
    // The program is Czech: so are the buttons and menus Qt draws (English when Qt's translations are missing).
    messages::installCzechQtTexts();

    Status status = Status::success();
    std::unique_ptr<Database> db = Database::open(QStringLiteral("db1.zaz"), status);
    if (!db) {
        messages::critical(nullptr, QStringLiteral("Chyba"), status.message());
        return 1;
    }
    Form1 form(*db);
    form.show();
    return QApplication::exec();
}
