#include "main_menu/flows.h"
#include "main_menu/print_job.h"

#include "reports/overview.h"
#include "storage/database.h"
#include "ui_common/messages.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPixmap>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <tuple>

namespace mainmenu {

void showOverview(QWidget* window, Database& db, const ShownKeys&)
{
    Job job;
    job.what = QStringLiteral("prehled");
    Status status = Status::success();
    const overview::Figures figures = overview::compute(db, job.today, status);
    if (status.isDamage()) {
        db.noteDamage();
        return;
    }
    if (!messages::report(window, status))
        return;
    // The same lines as the printed page, as a table the window's font sets.
    QString html = QStringLiteral("<h2>Přehled půjčování</h2><p>Stav k %1</p><table width=\"100%\" cellspacing=\"2\">")
                       .arg(job.today.toString(QStringLiteral("dd.MM.yyyy")));
    for (const overview::Line& line : overview::lines(figures)) {
        const QString text = line.text.toHtmlEscaped();
        switch (line.kind) {
        case overview::Line::Kind::Heading:
            html += QStringLiteral("<tr><td colspan=\"2\"><br><b>%1</b></td></tr>").arg(text);
            break;
        case overview::Line::Kind::Item:
            html +=
                QStringLiteral("<tr><td>%1</td><td align=\"right\">%2</td></tr>").arg(text, line.value.toHtmlEscaped());
            break;
        case overview::Line::Kind::Text:
            html += QStringLiteral("<tr><td colspan=\"2\">%1</td></tr>").arg(text);
            break;
        }
    }
    html += QStringLiteral("</table>");

    QDialog dialog(window);
    dialog.setObjectName(QStringLiteral("Prehled"));
    dialog.setWindowTitle(QStringLiteral("Přehled půjčování"));
    dialog.resize(560, 720);
    auto* text = new QTextBrowser;
    text->setObjectName(QStringLiteral("Text"));
    text->setAccessibleName(QStringLiteral("Přehled půjčování"));
    text->setHtml(html);
    QDialogButtonBox* buttons = printButtons(dialog, db, job);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(text);
    // The charts as the page draws them.
    for (const auto& [name, heading, bars] : {std::tuple{"GrafRoky", overview::byYearHeading(), &figures.byYear},
                                              std::tuple{"GrafMesice", overview::byMonthHeading(), &figures.byMonth}}) {
        if (bars->empty())
            continue;
        auto* title = new QLabel(QStringLiteral("<b>%1</b>").arg(heading));
        auto* chart = new QLabel;
        chart->setObjectName(QString::fromLatin1(name));
        chart->setAccessibleName(heading);
        chart->setPixmap(QPixmap::fromImage(overview::chartImage(*bars, QSize(520, 110))));
        layout->addWidget(title);
        layout->addWidget(chart);
    }
    layout->addWidget(buttons);
    dialog.exec();
}

} // namespace mainmenu
