#include "main_menu/print_job.h"

#include "main_menu/background.h"
#include "main_menu/flows.h"

#include "backups/copy_places.h"
#include "reports/borrowers.h"
#include "reports/overview.h"
#include "reports/page_canvas.h"
#include "reports/page_fonts.h"
#include "reports/row_feed.h"
#include "storage/database.h"
#include "storage/file_targets.h"
#include "storage/register_file.h"
#include "ui_common/messages.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>

namespace mainmenu {
namespace {

// A preview of more pages than this is offered as a PDF instead: Qt's preview paints every
// page before it shows one, and the window would stand still meanwhile.
constexpr int mostPreviewedPages = 100;

// Nobody with a name is out longer than the days: no reminder to write.
void nobodyToRemind(QWidget* window, const Job& job, qint64 nameless)
{
    const QString note = reminders::namelessNote(nameless);
    messages::information(window, job.title(),
                          QStringLiteral("Nikdo nemá CD půjčené déle než %1, upomínky nejsou komu psát.%2")
                              .arg(longloans::daysInWords(job.days), note.isEmpty() ? note : QLatin1Char('\n') + note));
}

// Whether there is anyone to write reminders to; says so when there is nobody (before a
// file is asked for), and names those left without one.
bool someoneToRemind(QWidget* window, Database& db, const Job& job, qint64* nameless = nullptr)
{
    if (!job.is(printables::Form::Letters))
        return true;
    reminders::Letters letters(db, job.days, job.today, job.keys ? &*job.keys : nullptr);
    const qint64 people = letters.count();
    const qint64 withoutName = letters.nameless();
    if (!messages::report(window, letters.status()))
        return false;
    if (nameless)
        *nameless = withoutName;
    if (people == 0)
        nobodyToRemind(window, job, withoutName);
    return people > 0;
}

} // namespace

const printables::Printable* Job::printable() const
{
    return printables::find(what);
}

bool Job::is(printables::Form form) const
{
    const printables::Printable* p = printable();
    return p && p->form == form;
}

std::optional<int> Job::grouped() const
{
    const printables::Printable* p = printable();
    return p ? printables::daysOf(*p, days) : std::nullopt;
}

bool Job::landscape() const
{
    return is(printables::Form::List) && listreport::layoutOf(what).landscape;
}

QString Job::title() const
{
    return is(printables::Form::Letters)     ? QStringLiteral("Upomínky")
           : is(printables::Form::Overview)  ? QStringLiteral("Přehled půjčování")
           : is(printables::Form::Borrowers) ? borrowers::title(grouped())
                                             : listreport::layoutOf(what).head.title;
}

QString Job::fileStem() const
{
    const printables::Printable* p = printable();
    return QStringLiteral("%1-%2").arg(p ? p->stem : what, today.toString(Qt::ISODate));
}

Status Job::paint(Database& db, QPagedPaintDevice& device, QPainter& painter, const listreport::Watch& watch) const
{
    if (is(printables::Form::Letters)) {
        reminders::Letters letters(db, days, today, keys ? &*keys : nullptr);
        return reminders::paint(letters, owner, today, device, painter, watch);
    }
    if (is(printables::Form::Borrowers))
        return borrowers::paint(db, today, grouped(), device, painter, watch);
    if (is(printables::Form::Overview)) {
        Status status = Status::success();
        const overview::Figures figures = overview::compute(db, today, status);
        if (!status.ok())
            return status;
        PainterCanvas canvas(painter, device);
        return overview::paintPage(figures, today, device, canvas)
                   ? Status::success()
                   : Status::failure(QStringLiteral("Stránku nelze vytisknout."));
    }
    const listreport::Layout layout = listreport::layoutOf(what);
    const std::unique_ptr<RowFeed> rows = keys ? listreport::fromKeys(db, what, layout, *keys)
                                               : listreport::fromRegister(db, what, layout, {days, today, bySurname});
    return listreport::paint(layout, *rows, device, painter, watch);
}

Status Job::write(Database& db, const QString& file, const listreport::Watch& watch) const
{
    return printables::writePdf(db, what, file, {{days, today, bySurname}, keys ? &*keys : nullptr, owner}, watch);
}

qint64 Job::pagesAbout(Database& db, const QPagedPaintDevice& device, Status& status) const
{
    if (is(printables::Form::Overview))
        return 1;
    if (is(printables::Form::Borrowers)) { // about a page for each three borrowers
        std::unique_ptr<reminders::Letters> people = borrowers::loansOut(db, today, grouped());
        const qint64 count = people->count();
        status = people->status();
        return count / 3 + 1;
    }
    if (is(printables::Form::Letters)) {
        reminders::Letters letters(db, days, today, keys ? &*keys : nullptr);
        const qint64 people = letters.count();
        status = letters.status();
        return people;
    }
    const qint64 count =
        keys ? static_cast<qint64>(keys->size()) : exportrows::count(db, what, status, {days, today, bySurname});
    return listreport::pagesAbout(listreport::layoutOf(what), count, device);
}

// Writes the PDF chosen in a save dialog, behind the progress dialog.
void savePdf(QWidget* window, Database& db, const Job& job)
{
    qint64 nameless = 0;
    if (!someoneToRemind(window, db, job, &nameless))
        return;
    const QString title = QStringLiteral("Uložit jako PDF");
    QFileDialog chooser(window, title, documentsFolder());
    chooser.setObjectName(QStringLiteral("PdfFile"));
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setFileMode(QFileDialog::AnyFile);
    chooser.setNameFilters({QStringLiteral("Dokument PDF (*.pdf)")});
    chooser.setDefaultSuffix(QStringLiteral("pdf"));
    chooser.selectFile(job.fileStem() + QStringLiteral(".pdf"));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    const QString file = chooser.selectedFiles().constFirst();
    const QString registerPath = db.filePath();
    // Never over the register itself, through whatever name or link.
    if (const QString refused = filetargets::refusedTarget(registerPath, file, QStringLiteral("PDF"));
        !refused.isEmpty()) {
        messages::critical(window, QStringLiteral("Chyba"), refused);
        return;
    }
    Status status = Status::success();
    pagefonts::font(10); // the fonts are loaded on the window's thread
    const Ended ended = runInBackground(
        window, title, QStringLiteral("Zapisuje se soubor %1…").arg(file), true, [&](Progress& progress) {
            const std::unique_ptr<Database> own = openRegisterFile(registerPath, status);
            if (own)
                status = job.write(*own, file, [&progress](qint64 done) {
                    progress.rows(done);
                    return !progress.cancelled();
                });
        });
    if (ended == Ended::WindowClosed)
        return;
    // A cancel that came after the last page was written leaves the file written, and says so.
    if (status.isCancelled())
        messages::information(window, title, QStringLiteral("Ukládání bylo zrušeno. Nic nebylo uloženo."));
    else if (status.isDamage())
        db.noteDamage();
    else if (!status.ok())
        messages::critical(window, QStringLiteral("Chyba"), status.message());
    else
        messages::information(window, title,
                              QStringLiteral("Uloženo do souboru\n%1").arg(file) +
                                  (nameless > 0 ? QLatin1Char('\n') + reminders::namelessNote(nameless) : QString()));
}

QDialogButtonBox* printButtons(QDialog& dialog, Database& db, const Job& job)
{
    auto* buttons = new QDialogButtonBox;
    QPushButton* print = buttons->addButton(QStringLiteral("&Tisk…"), QDialogButtonBox::ActionRole);
    print->setObjectName(QStringLiteral("Nahled"));
    QPushButton* pdf = buttons->addButton(QStringLiteral("Uložit jako &PDF…"), QDialogButtonBox::ActionRole);
    pdf->setObjectName(QStringLiteral("UlozitPdf"));
    QPushButton* close = buttons->addButton(QStringLiteral("Zavřít"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("Zavrit"));
    QObject::connect(print, &QPushButton::clicked, &dialog, [&dialog, &db, &job] { preview(&dialog, db, job); });
    QObject::connect(pdf, &QPushButton::clicked, &dialog, [&dialog, &db, &job] { savePdf(&dialog, db, job); });
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::reject);
    return buttons;
}

// Qt's print preview, from which the user prints; a long list is offered as a PDF instead.
void preview(QWidget* window, Database& db, const Job& job)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                      job.landscape() ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
    printer.setDocName(job.title());
    qint64 nameless = 0;
    if (!someoneToRemind(window, db, job, &nameless))
        return;
    // Those left without a letter are named before the preview shows the others'.
    if (nameless > 0)
        messages::information(window, job.title(), reminders::namelessNote(nameless));
    Status status = Status::success();
    const qint64 pages = job.pagesAbout(db, printer, status);
    if (!messages::report(window, status))
        return;
    if (job.is(printables::Form::Letters) && pages == 0) {
        nobodyToRemind(window, job, 0);
        return;
    }
    if (pages > mostPreviewedPages &&
        messages::question(window, QStringLiteral("Tisk"),
                           QStringLiteral("%1 má asi %2 stran. Náhled je musí všechny připravit dopředu a program by "
                                          "na tu dobu ztuhl.\nUložit ho raději jako PDF (a vytisknout ten)?")
                               .arg(job.title())
                               .arg(pages))) {
        savePdf(window, db, job);
        return;
    }
    QPrintPreviewDialog dialog(&printer, window);
    dialog.setObjectName(QStringLiteral("Nahled"));
    dialog.setWindowTitle(QStringLiteral("Náhled – %1").arg(job.title()));
    Status painted = Status::success();
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
        QPainter painter;
        if (!painter.begin(target)) {
            painted = Status::failure(QStringLiteral("Tiskárnu nelze použít."));
            return;
        }
        painted = job.paint(db, *target, painter, nullptr);
        painter.end();
    });
    dialog.exec();
    if (painted.isDamage())
        db.noteDamage();
    else if (!painted.ok())
        messages::critical(window, QStringLiteral("Chyba"), painted.message());
}

} // namespace mainmenu
