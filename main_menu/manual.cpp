#include "main_menu/flows.h"

#include <QFile>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

// The manual's page is a resource of this static library: the linker keeps it only because
// this reference to it is in code the program calls.
static void initManualResource()
{
    Q_INIT_RESOURCE(main_menu);
}

namespace mainmenu {

QWidget* showManual(QWidget* window)
{
    initManualResource();
    // One window of the manual: asked again, it comes to the front.
    static QPointer<QWidget> shown;
    if (!shown) {
        shown = new QWidget(window, Qt::Window);
        shown->setObjectName(QStringLiteral("Prirucka"));
        shown->setWindowTitle(QStringLiteral("Příručka programu Ordisk"));
        shown->setAttribute(Qt::WA_DeleteOnClose);
        auto* layout = new QVBoxLayout(shown);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* text = new QTextBrowser(shown);
        text->setObjectName(QStringLiteral("Text"));
        text->setAccessibleName(QStringLiteral("Příručka"));
        text->setOpenExternalLinks(false);
        QFile page(QStringLiteral(":/help/prirucka.html"));
        text->setHtml(page.open(QIODevice::ReadOnly) ? QString::fromUtf8(page.readAll()) : QString());
        layout->addWidget(text);
        shown->resize(720, 640);
    }
    shown->show();
    shown->raise();
    shown->activateWindow();
    return shown;
}

} // namespace mainmenu
