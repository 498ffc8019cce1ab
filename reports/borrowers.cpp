#include "reports/borrowers.h"

#include "core/long_loans.h"
#include "reports/column_fit.h"
#include "reports/flow_page.h"
#include "reports/page_canvas.h"
#include "reports/pdf_file.h"
#include "reports/reminders.h"
#include "storage/database.h"

#include <QPdfWriter>

namespace borrowers {

QString title(const Days& days)
{
    return days ? QStringLiteral("Dlouho půjčená CD (déle než %1)").arg(longloans::daysInWords(*days))
                : QStringLiteral("Kdo má co půjčeno");
}

std::unique_ptr<reminders::Letters> loansOut(Database& db, const QDate& today, const Days& days)
{
    return days ? reminders::Letters::lentTooLong(db, *days, today) : reminders::Letters::everyDiscOut(db, today);
}

Status paintList(Database& db, const QDate& today, const Days& days, const QPagedPaintDevice& device,
                 PageCanvas& canvas, const listreport::Watch& watch)
{
    const std::unique_ptr<reminders::Letters> people = loansOut(db, today, days);
    if (Status s = people->start(); !s.ok())
        return s;
    const FlowPage::Fonts fonts(device);
    FlowPage page(device, fonts, canvas);
    page.paragraph(title(days), FlowPage::Font::Title);
    page.paragraph(QStringLiteral("Stav k %1").arg(today.toString(QStringLiteral("dd.MM.yyyy"))));
    const QStringList header = reminders::tableHeader();
    reminders::Letter person;
    qint64 done = 0;
    while (people->next(person)) {
        QString name = QStringList{person.firstName, person.surname}.join(QLatin1Char(' ')).trimmed();
        if (name.isEmpty())
            name = QStringLiteral("(bez jména)");
        name = page.fitted(name, FlowPage::Font::Bold, 2);
        QStringList contact{person.phone, person.email};
        contact.removeAll(QString());
        const std::vector<QStringList> rows = reminders::tableRows(person);
        const std::vector<FlowPage::Column> columns =
            typeset::fitTable(header, rows, page.width(), fonts.smallBold, fonts.small, 2);
        // The name, its contact and the header stay with the first disc.
        page.keep(5 * fonts.body.metrics().lineSpacing());
        page.skip(5);
        page.paragraph(name, FlowPage::Font::Bold);
        if (!contact.isEmpty())
            page.paragraph(contact.join(QStringLiteral(" · ")), FlowPage::Font::Body, false, 2);
        page.skip(1);
        page.row(header, columns, true);
        page.onContinuedPage([&] {
            page.paragraph(QStringLiteral("%1 – pokračování").arg(name), FlowPage::Font::Bold);
            page.row(header, columns, true);
        });
        for (const QStringList& row : rows)
            page.row(row, columns);
        page.onContinuedPage(nullptr);
        page.paragraph(QStringLiteral("Půjčeno: %1").arg(person.loans.size()));
        if (page.failed())
            return Status::failure(QStringLiteral("Stránku nelze vytisknout."));
        if (++done; watch && !watch(done))
            return Status::cancelled(QStringLiteral("Tisk byl zrušen."));
    }
    if (Status s = people->status(); !s.ok())
        return s;
    if (done == 0)
        page.paragraph(days ? QStringLiteral("Nikdo nemá nic půjčeno déle než %1.").arg(longloans::daysInWords(*days))
                            : QStringLiteral("Nikdo nemá nic půjčeno."));
    return page.failed() ? Status::failure(QStringLiteral("Stránku nelze vytisknout.")) : Status::success();
}

Status paint(Database& db, const QDate& today, const Days& days, QPagedPaintDevice& device, QPainter& painter,
             const listreport::Watch& watch)
{
    PainterCanvas canvas(painter, device);
    return paintList(db, today, days, device, canvas, watch);
}

Status writePdf(Database& db, const QDate& today, const Days& days, const QString& path, const listreport::Watch& watch)
{
    return pdffile::write(db.filePath(), path, title(days), false, [&](QPdfWriter& writer, QPainter& painter) {
        return paint(db, today, days, writer, painter, watch);
    });
}

} // namespace borrowers
