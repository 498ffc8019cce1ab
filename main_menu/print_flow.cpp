#include "main_menu/background.h"
#include "main_menu/flows.h"

#include "backups/copy_places.h"
#include "core/long_loans.h"
#include "reports/list_report.h"
#include "reports/overview.h"
#include "reports/page_fonts.h"
#include "reports/reminders.h"
#include "reports/report_settings.h"
#include "reports/row_feed.h"
#include "storage/database.h"
#include "storage/register_file.h"
#include "ui_common/messages.h"

#include <QButtonGroup>
#include <QDate>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <optional>

namespace mainmenu {
namespace {

// A preview of more pages than this is offered as a PDF instead: Qt's preview paints every
// page before it shows one, and the window would stand still meanwhile.
constexpr int mostPreviewedPages = 100;

// What can be printed, as the dialog offers it.
struct Printable
{
    const char* name; // the list's name, or "upominky", "prehled"
    const char* object;
    const char* text;
};
const Printable printables[] = {
    {"cd", "TiskCd", "&Seznam CD, jak ho ukazuje okno"}, {"lide", "TiskLide", "Seznam &lidí, jak ho ukazuje okno"},
    {"nevracenecd", "TiskNevracena", "&Nevrácená CD"},   {"vypujcky", "TiskHistorie", "&Historie půjčování"},
    {"dlouho", "TiskDlouho", "&Dlouho půjčená CD"},      {"upominky", "TiskUpominky", "&Upomínky"},
    {"prehled", "TiskPrehled", "&Přehled půjčování"},
};

bool takesDays(const QString& what)
{
    return what == QLatin1String("dlouho") || what == QLatin1String("upominky");
}

// What is printed and how: chosen in the dialog, then previewed or written.
struct Job
{
    QString what;
    int days = longloans::defaultDays;
    std::optional<std::vector<qint64>> keys; // of the window's list, for "cd" and "lide"
    reminders::Owner owner;
    QDate today = QDate::currentDate();

    bool landscape() const { return listreport::names().contains(what) && listreport::layoutOf(what).landscape; }
    QString title() const
    {
        return what == QLatin1String("upominky")  ? QStringLiteral("Upomínky")
               : what == QLatin1String("prehled") ? QStringLiteral("Přehled půjčování")
                                                  : listreport::layoutOf(what, {days, today}).head.title;
    }
    QString fileStem() const
    {
        const char* stems[][2] = {{"cd", "seznam-cd"},
                                  {"lide", "seznam-lidi"},
                                  {"nevracenecd", "nevracena-cd"},
                                  {"vypujcky", "historie-pujcovani"},
                                  {"dlouho", "dlouho-pujcena-cd"},
                                  {"upominky", "upominky"},
                                  {"prehled", "prehled-pujcovani"}};
        for (const auto& [name, stem] : stems)
            if (what == QLatin1String(name))
                return QStringLiteral("%1-%2").arg(QLatin1String(stem), today.toString(Qt::ISODate));
        return what;
    }

    // Paints every page on the device (the window's connection, on the window's thread).
    Status paint(Database& db, QPagedPaintDevice& device, QPainter& painter, const listreport::Watch& watch) const
    {
        if (what == QLatin1String("upominky")) {
            reminders::Letters letters(db, days, today);
            return reminders::paint(letters, owner, today, device, painter, watch);
        }
        if (what == QLatin1String("prehled")) {
            Status status = Status::success();
            const overview::Figures figures = overview::compute(db, today, status);
            if (!status.ok())
                return status;
            PainterCanvas canvas(painter, device);
            return overview::paintPage(figures, today, device, canvas)
                       ? Status::success()
                       : Status::failure(QStringLiteral("Stránku nelze vytisknout."));
        }
        const listreport::Layout layout = listreport::layoutOf(what, {days, today});
        qint64 count = 0;
        std::unique_ptr<RowFeed> rows;
        Status status = Status::success();
        if (keys) {
            count = static_cast<qint64>(keys->size());
            rows = listreport::fromKeys(db, what, layout, *keys);
        } else {
            count = exportrows::count(db, what, status, {days, today});
            if (!status.ok())
                return status;
            rows = listreport::fromRegister(db, what, layout, {days, today});
        }
        return listreport::paint(layout, *rows, count, device, painter, watch);
    }

    // Writes the PDF file (a connection of its own, off the window's thread).
    Status write(Database& db, const QString& file, const listreport::Watch& watch) const
    {
        if (what == QLatin1String("upominky"))
            return reminders::writePdf(db, owner, days, today, file, watch);
        if (what == QLatin1String("prehled"))
            return overview::writePdf(db, today, file);
        if (keys)
            return listreport::writePdf(db, what, file, *keys, watch);
        return listreport::writePdf(db, what, file, {days, today}, watch);
    }

    // About how many pages there are.
    qint64 pagesAbout(Database& db, const QPagedPaintDevice& device, Status& status) const
    {
        if (what == QLatin1String("prehled"))
            return 1;
        if (what == QLatin1String("upominky")) {
            reminders::Letters letters(db, days, today);
            const qint64 people = letters.count();
            status = letters.status();
            return people;
        }
        const qint64 count =
            keys ? static_cast<qint64>(keys->size()) : exportrows::count(db, what, status, {days, today});
        return listreport::pagesAbout(listreport::layoutOf(what, {days, today}), count, device);
    }
};

// Who sends the reminders: asked once, kept in the user's settings. False when cancelled.
bool askOwner(QWidget* parent, reminders::Owner& owner)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("Odesilatel"));
    dialog.setWindowTitle(QStringLiteral("Odesílatel upomínek"));
    auto* form = new QFormLayout;
    auto* name = new QLineEdit(owner.name);
    name->setObjectName(QStringLiteral("Jmeno"));
    auto* contact = new QPlainTextEdit(owner.contact);
    contact->setObjectName(QStringLiteral("Kontakt"));
    contact->setTabChangesFocus(true);
    contact->setFixedHeight(contact->fontMetrics().lineSpacing() * 4 + 12);
    auto* place = new QLineEdit(owner.place);
    place->setObjectName(QStringLiteral("Misto"));
    place->setPlaceholderText(QStringLiteral("např. V Brně"));
    form->addRow(QStringLiteral("&Jméno:"), name);
    form->addRow(QStringLiteral("&Kontakt (adresa, telefon, e-mail):"), contact);
    form->addRow(QStringLiteral("&Místo, odkud se píše:"), place);
    auto* note = new QLabel(QStringLiteral("Co zůstane prázdné, na upomínce nebude."));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    owner = {name->text(), contact->toPlainText(), place->text()};
    reportsettings::setOwner(owner);
    return true;
}

enum class Action { None, Preview, Pdf };

// The dialog "Tisk": what to print, the days where they count, the preview or a PDF.
Action choose(QWidget* window, Job& job)
{
    QDialog dialog(window);
    dialog.setObjectName(QStringLiteral("Tisk"));
    dialog.setWindowTitle(QStringLiteral("Tisk"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* group = new QButtonGroup(&dialog);
    for (const Printable& p : printables) {
        auto* option = new QRadioButton(QString::fromUtf8(p.text));
        option->setObjectName(QString::fromLatin1(p.object));
        option->setProperty("what", QString::fromLatin1(p.name));
        option->setChecked(job.what == QLatin1String(p.name));
        group->addButton(option);
        layout->addWidget(option);
    }
    auto* daysRow = new QHBoxLayout;
    auto* daysLabel = new QLabel(QStringLiteral("Dlouho půjčené je CD nevrácené déle než"));
    auto* days = new QSpinBox;
    days->setObjectName(QStringLiteral("Dni"));
    days->setAccessibleName(QStringLiteral("Počet dní"));
    days->setRange(0, longloans::mostDays);
    days->setValue(job.days);
    daysLabel->setBuddy(days);
    daysRow->addWidget(daysLabel);
    daysRow->addWidget(days);
    daysRow->addWidget(new QLabel(QStringLiteral("dní")));
    daysRow->addStretch();
    layout->addLayout(daysRow);
    auto* sender = new QPushButton(QStringLiteral("&Odesílatel upomínek…"));
    sender->setObjectName(QStringLiteral("Odesilatel"));
    layout->addWidget(sender, 0, Qt::AlignLeft);
    auto* buttons = new QDialogButtonBox;
    QPushButton* preview = buttons->addButton(QStringLiteral("Ná&hled a tisk…"), QDialogButtonBox::AcceptRole);
    preview->setObjectName(QStringLiteral("Nahled"));
    QPushButton* pdf = buttons->addButton(QStringLiteral("Uložit jako &PDF…"), QDialogButtonBox::AcceptRole);
    pdf->setObjectName(QStringLiteral("UlozitPdf"));
    QPushButton* close = buttons->addButton(QStringLiteral("Zavřít"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("Zavrit"));
    layout->addWidget(buttons);
    const auto follow = [&] {
        const QString what = group->checkedButton() ? group->checkedButton()->property("what").toString() : QString();
        days->setEnabled(takesDays(what));
        sender->setEnabled(what == QLatin1String("upominky"));
        preview->setEnabled(!what.isEmpty());
        pdf->setEnabled(!what.isEmpty());
    };
    QObject::connect(group, &QButtonGroup::buttonToggled, &dialog, follow);
    follow();
    QObject::connect(sender, &QPushButton::clicked, &dialog, [&] { askOwner(&dialog, job.owner); });
    Action action = Action::None;
    QObject::connect(preview, &QPushButton::clicked, &dialog, [&] {
        action = Action::Preview;
        dialog.accept();
    });
    QObject::connect(pdf, &QPushButton::clicked, &dialog, [&] {
        action = Action::Pdf;
        dialog.accept();
    });
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted || !group->checkedButton())
        return Action::None;
    job.what = group->checkedButton()->property("what").toString();
    if (takesDays(job.what)) {
        job.days = days->value();
        reportsettings::setDays(job.days);
    }
    return action;
}

// Writes the PDF chosen in a save dialog, behind the progress dialog.
void savePdf(QWidget* window, Database& db, const Job& job)
{
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
    if (const QString refused = backups::refusedTarget(registerPath, file, QStringLiteral("PDF")); !refused.isEmpty()) {
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
    if (ended == Ended::Cancelled)
        messages::information(window, title, QStringLiteral("Ukládání bylo zrušeno. Nic nebylo uloženo."));
    else if (status.isDamage())
        db.noteDamage();
    else if (!status.ok())
        messages::critical(window, QStringLiteral("Chyba"), status.message());
    else
        messages::information(window, title, QStringLiteral("Uloženo do souboru\n%1").arg(file));
}

// Qt's print preview, from which the user prints; a long list is offered as a PDF instead.
void preview(QWidget* window, Database& db, const Job& job)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                      job.landscape() ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
    printer.setDocName(job.title());
    Status status = Status::success();
    const qint64 pages = job.pagesAbout(db, printer, status);
    if (!messages::report(window, status))
        return;
    if (job.what == QLatin1String("upominky") && pages == 0) {
        messages::information(
            window, QStringLiteral("Tisk"),
            QStringLiteral("Nikdo nemá CD půjčené déle než %1 dní, upomínky nejsou komu psát.").arg(job.days));
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

} // namespace

void print(QWidget* window, Database& db, const ShownKeys& shownKeys, const QString& chosen)
{
    Job job;
    job.what = chosen.isEmpty() ? QStringLiteral("cd") : chosen;
    job.days = reportsettings::days();
    job.owner = reportsettings::owner();
    const Action action = choose(window, job);
    if (action == Action::None)
        return;
    if ((job.what == QLatin1String("cd") || job.what == QLatin1String("lide")) && shownKeys)
        job.keys = shownKeys(job.what);
    // The reminders' sender is asked the first time (what is left empty stays out).
    if (job.what == QLatin1String("upominky") && !reportsettings::ownerEntered() && !askOwner(window, job.owner))
        return;
    if (action == Action::Preview)
        preview(window, db, job);
    else
        savePdf(window, db, job);
}

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
    dialog.resize(560, 640);
    auto* text = new QTextBrowser;
    text->setObjectName(QStringLiteral("Text"));
    text->setAccessibleName(QStringLiteral("Přehled půjčování"));
    text->setHtml(html);
    auto* buttons = new QDialogButtonBox;
    QPushButton* print = buttons->addButton(QStringLiteral("&Tisk…"), QDialogButtonBox::ActionRole);
    print->setObjectName(QStringLiteral("Nahled"));
    QPushButton* pdf = buttons->addButton(QStringLiteral("Uložit jako &PDF…"), QDialogButtonBox::ActionRole);
    pdf->setObjectName(QStringLiteral("UlozitPdf"));
    QPushButton* close = buttons->addButton(QStringLiteral("Zavřít"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("Zavrit"));
    QObject::connect(print, &QPushButton::clicked, &dialog, [&] { preview(&dialog, db, job); });
    QObject::connect(pdf, &QPushButton::clicked, &dialog, [&] { savePdf(&dialog, db, job); });
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(text);
    layout->addWidget(buttons);
    dialog.exec();
}

} // namespace mainmenu
