#include "database.h"
#include "form1.h"
#include "messages.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ordisk"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.2"));

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
