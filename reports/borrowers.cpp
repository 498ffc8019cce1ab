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

namespace {

// Each page's number of all at its foot ("Strana 2 z 5"), over the canvas; without one, the
// pages are only counted.
class NumberedPages : public PageCanvas
{
public:
    NumberedPages(PageCanvas* canvas, int pageCount, const QPagedPaintDevice& device, const TextLines& font)
        : m_canvas(canvas), m_pageCount(pageCount), m_area(device, 25, 20, 20), m_font(font)
    {
    }
    bool newPage() override
    {
        number();
        ++m_page;
        return !m_canvas || m_canvas->newPage();
    }
    void text(const QPointF& baseline, const QString& text, const QFont& font) override
    {
        if (m_canvas)
            m_canvas->text(baseline, text, font);
    }
    void rule(const QLineF& line) override
    {
        if (m_canvas)
            m_canvas->rule(line);
    }
    void box(const QRectF& rect) override
    {
        if (m_canvas)
            m_canvas->box(rect);
    }
    // Numbers the last page; the pages there were.
    int finish()
    {
        number();
        return m_page;
    }

private:
    void number()
    {
        if (!m_canvas)
            return;
        const QString text = QStringLiteral("Strana %1 z %2").arg(m_page).arg(m_pageCount);
        m_canvas->text({m_area.right - m_font.advance(text), m_area.height - 10 * m_area.mm}, text, m_font.font());
    }

    PageCanvas* m_canvas;
    int m_pageCount;
    int m_page = 1;
    PageArea m_area;
    const TextLines& m_font;
};

// One pass over the borrowers; done counts them over both passes, for the watch.
Status paintPass(reminders::Letters& people, const QDate& today, const Days& days, const QPagedPaintDevice& device,
                 PageCanvas& canvas, const listreport::Watch& watch, qint64& done)
{
    if (Status s = people.start(); !s.ok())
        return s;
    const FlowPage::Fonts fonts(device);
    FlowPage page(device, fonts, canvas);
    page.paragraph(title(days), FlowPage::Font::Title);
    page.paragraph(QStringLiteral("Stav k %1").arg(today.toString(QStringLiteral("dd.MM.yyyy"))));
    const QStringList header = reminders::tableHeader();
    reminders::Letter person;
    const qint64 before = done;
    while (people.next(person)) {
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
    if (Status s = people.status(); !s.ok())
        return s;
    if (done == before)
        page.paragraph(days ? QStringLiteral("Nikdo nemá nic půjčeno déle než %1.").arg(longloans::daysInWords(*days))
                            : QStringLiteral("Nikdo nemá nic půjčeno."));
    return page.failed() ? Status::failure(QStringLiteral("Stránku nelze vytisknout.")) : Status::success();
}

} // namespace

Status paintList(Database& db, const QDate& today, const Days& days, const QPagedPaintDevice& device,
                 PageCanvas& canvas, const listreport::Watch& watch)
{
    // Twice: the pages counted, then painted with their number of all.
    const std::unique_ptr<reminders::Letters> people = loansOut(db, today, days);
    const FlowPage::Fonts fonts(device);
    NumberedPages counting(nullptr, 0, device, fonts.small);
    qint64 done = 0;
    if (Status s = paintPass(*people, today, days, device, counting, watch, done); !s.ok())
        return s;
    const int pages = counting.finish();
    NumberedPages numbered(&canvas, pages, device, fonts.small);
    if (Status s = paintPass(*people, today, days, device, numbered, watch, done); !s.ok())
        return s;
    if (numbered.finish() != pages)
        return Status::failure(QStringLiteral("Seznam se během tisku změnil (do evidence mezitím zapisoval jiný "
                                              "program), čísla stran by neseděla. Nic nebylo vytištěno ani uloženo; "
                                              "zkuste to znovu."));
    return Status::success();
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
