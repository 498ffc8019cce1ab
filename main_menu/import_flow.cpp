#include "main_menu/background.h"
#include "main_menu/flows.h"

#include "backups/backups.h"
#include "core/register_tables.h"
#include "storage/database.h"
#include "storage/register_file.h"
#include "transfer/sheet_import.h"
#include "ui_common/messages.h"
#include "undo/steps.h"
#include "undo/undo_history.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

namespace mainmenu {
namespace {

struct Imported
{
    importrows::Outcome outcome;
    QString backup; // the copy made before the rows were added
    Ended ended = Ended::Done;
};

// The file as the import reads it, which fails every read once the work is cancelled: the
// readers stop at their next read whatever the file holds, even where it yields no rows.
class CancellableFile : public QIODevice
{
public:
    CancellableFile(const QString& path, const Progress& progress) : m_file(path), m_progress(progress) {}
    bool open(OpenMode mode) override
    {
        return m_file.open(mode | QIODevice::Unbuffered) && QIODevice::open(mode | QIODevice::Unbuffered);
    }
    qint64 size() const override { return m_file.size(); }
    bool seek(qint64 pos) override { return QIODevice::seek(pos) && m_file.seek(pos); }

protected:
    qint64 readData(char* data, qint64 most) override { return m_progress.cancelled() ? -1 : m_file.read(data, most); }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QFile m_file;
    const Progress& m_progress;
};

// The import (or its dry run) off the window's thread, with a connection of its own.
Imported runImport(QWidget* window, Database& db, const QString& title, const QString& table, const QString& file,
                   importrows::Options options)
{
    Imported result;
    const QString registerPath = db.filePath();
    const QString text = options.dryRun ? QStringLiteral("Kontroluje se soubor %1…").arg(file)
                                        : QStringLiteral("Přidává se ze souboru %1…").arg(file);
    result.ended = runInBackground(window, title, text, true, [&](Progress& progress) {
        options.progress = [&progress](qint64 rows) { progress.rows(rows); };
        options.cancelled = [&progress] { return progress.cancelled(); };
        CancellableFile in(file, progress);
        if (!in.open(QIODevice::ReadOnly)) {
            result.outcome.status =
                Status::failure(QStringLiteral("Soubor %1 nelze přečíst: %2.").arg(file, systemErrorText(errno)));
            return;
        }
        Status status = Status::success();
        const std::unique_ptr<Database> own = openRegisterFile(registerPath, status);
        if (!own) {
            result.outcome.status = status;
            return;
        }
        if (!options.dryRun)
            options.beforeWriting = [&] {
                const backups::Outcome made = backups::now(*own, registerPath, QDateTime::currentDateTime());
                result.backup = made.made;
                if (made.status.ok() || made.status.isDamage())
                    return made.status;
                return Status::failure(QStringLiteral("Před přidáním se nepodařilo zálohovat evidenci. ") +
                                       made.status.message());
            };
        result.outcome = sheetimport::run(own.get(), table, in, options);
    });
    return result;
}

QTableWidget* listTable(QWidget* parent, const char* name, const QStringList& columns)
{
    auto* grid = new QTableWidget(0, static_cast<int>(columns.size()), parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setHorizontalHeaderLabels(columns);
    grid->verticalHeader()->hide();
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setWordWrap(false);
    grid->horizontalHeader()->setStretchLastSection(true);
    return grid;
}

void addRow(QTableWidget* grid, const QStringList& cells)
{
    const int row = grid->rowCount();
    grid->insertRow(row);
    for (qsizetype c = 0; c < cells.size(); ++c) {
        QString shown = cells[c];
        shown.replace(QLatin1Char('\n'), QStringLiteral(" ⏎ "));
        auto* cell = new QTableWidgetItem(shown);
        cell->setToolTip(cells[c]);
        grid->setItem(row, static_cast<int>(c), cell);
    }
}

// The rows as text, a row a line, cells separated by tabs (for the clipboard).
QString asText(const QTableWidget* grid, bool selectedOnly)
{
    QStringList lines;
    for (int row = 0; row < grid->rowCount(); ++row) {
        if (selectedOnly && !grid->selectionModel()->isRowSelected(row, QModelIndex()))
            continue;
        QStringList cells;
        for (int c = 0; c < grid->columnCount(); ++c)
            cells << (grid->item(row, c) ? grid->item(row, c)->toolTip() : QString());
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

// The refused rows as a list (sheet row, name, message), selectable and copyable.
void showRefusals(QWidget* window, const QString& title, const QString& file, const importrows::Outcome& outcome)
{
    QDialog dialog(window);
    dialog.setObjectName(QStringLiteral("ImportRefusals"));
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(
        QStringLiteral("Soubor %1 nelze přidat, nic nebylo uloženo.\nOdmítnuté řádky (řádek listu, název, proč):")
            .arg(file),
        &dialog);
    text->setWordWrap(true);
    layout->addWidget(text);
    QTableWidget* grid =
        listTable(&dialog, "Refusals", {QStringLiteral("Řádek"), QStringLiteral("Název"), QStringLiteral("Proč")});
    grid->setAccessibleName(QStringLiteral("Odmítnuté řádky"));
    for (const importrows::Problem& problem : outcome.problems)
        addRow(grid, {problem.row > 0 ? QString::number(problem.row) : QString(), problem.name, problem.message});
    layout->addWidget(grid);
    if (const qint64 more = outcome.refused - static_cast<qint64>(outcome.problems.size()); more > 0)
        layout->addWidget(new QLabel(QStringLiteral("… a dalších odmítnutých řádků: %1.").arg(more), &dialog));
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* copy = buttons->addButton(QStringLiteral("Kopírovat"), QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("Kopirovat"));
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    layout->addWidget(buttons);
    const auto copyRows = [grid](bool selectedOnly) {
        QApplication::clipboard()->setText(asText(grid, selectedOnly && grid->selectionModel()->hasSelection()));
    };
    QObject::connect(copy, &QPushButton::clicked, &dialog, [copyRows] { copyRows(false); });
    QObject::connect(new QShortcut(QKeySequence::Copy, grid), &QShortcut::activated, &dialog,
                     [copyRows] { copyRows(true); });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    dialog.resize(720, 360);
    dialog.exec();
}

// How many rows will be added, the first of them as they will be stored, the encoding
// where it was guessed: "Přidat" or "Zrušit".
bool confirmSummary(QWidget* window, const QString& title, const QString& table, const QString& file,
                    const importrows::Outcome& outcome)
{
    QDialog dialog(window);
    dialog.setObjectName(QStringLiteral("ImportSummary"));
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    QString text = QStringLiteral("Soubor: %1\n%2 k přidání: %3.")
                       .arg(file, table == QLatin1String("cd") ? QStringLiteral("Disků") : QStringLiteral("Lidí"))
                       .arg(outcome.rows);
    if (!outcome.encoding.isEmpty())
        text += QStringLiteral("\nKódování souboru: %1 (rozpoznané podle písmen).").arg(outcome.encoding);
    if (outcome.alreadyThere > 0)
        text += QStringLiteral("\nZ toho už v evidenci jsou (%1): %2.")
                    .arg(!outcome.alreadyThereByKey     ? QStringLiteral("se stejnými hodnotami ve všech sloupcích")
                         : table == QLatin1String("cd") ? QStringLiteral("podle ID a názvu")
                                                        : QStringLiteral("podle ID a jména"))
                    .arg(outcome.alreadyThere);
    if (!outcome.ignoredColumns.isEmpty())
        text += QStringLiteral("\nTyto sloupce se neuloží: %1.").arg(outcome.ignoredColumns.join(QStringLiteral(", ")));
    if (!outcome.preview.empty())
        text += QStringLiteral("\nPrvní řádky, jak budou uloženy:");
    auto* label = new QLabel(text, &dialog);
    label->setObjectName(QStringLiteral("Summary"));
    label->setWordWrap(true);
    layout->addWidget(label);
    if (!outcome.preview.empty()) {
        QTableWidget* grid = listTable(&dialog, "Preview", outcome.previewColumns);
        grid->setAccessibleName(QStringLiteral("První řádky souboru"));
        for (const QStringList& row : outcome.preview)
            addRow(grid, row);
        grid->resizeColumnsToContents();
        layout->addWidget(grid);
    }
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* add = buttons->addButton(QStringLiteral("Přidat"), QDialogButtonBox::AcceptRole);
    add->setObjectName(QStringLiteral("Pridat"));
    add->setDefault(true);
    buttons->addButton(QStringLiteral("Zrušit"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("Zrusit"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(760, 320);
    return dialog.exec() == QDialog::Accepted;
}

// An import that did not end well: nothing told once the window closed, the damage road, a
// cancel, or the failure.
void tellFailure(QWidget* window, Database& db, const QString& title, const Imported& imported)
{
    if (imported.ended == Ended::WindowClosed)
        return;
    if (imported.outcome.status.isDamage())
        db.noteDamage();
    else if (imported.outcome.status.isCancelled() || imported.outcome.status.ok()) // or cancelled once checked
        messages::information(window, title, importrows::cancelledText() + QStringLiteral(" Nic nebylo uloženo."));
    else
        messages::critical(window, QStringLiteral("Chyba"),
                           imported.outcome.status.message() + QStringLiteral(" Nic nebylo uloženo."));
}

// The rows an import added, as one step of the history. The import ran on a connection of its
// own; its rows are taken here as they are now. A failure only leaves the step out.
void rememberImport(QWidget* window, Database& db, UndoHistory& history, const QString& table,
                    const importrows::Outcome& outcome)
{
    const qint64 step = history.nextStep();
    Transaction transaction(db);
    Status s = transaction.status();
    if (s.ok())
        s = steps::capture(db, step, steps::State::After, table, tables::find(table)->columns.front().name,
                           outcome.firstKey, outcome.lastKey);
    if (s.ok())
        s = transaction.commit();
    if (s.isDamage())
        (void)messages::report(window, s);
    else if (s.ok())
        history.add(step, QStringLiteral("import %1 (%2)")
                              .arg(table == QLatin1String("cd") ? QStringLiteral("disků") : QStringLiteral("lidí"))
                              .arg(outcome.rows));
}

} // namespace

bool importList(QWidget* window, Database& db, const QString& table, const std::function<void()>& added,
                UndoHistory* history)
{
    const bool discs = table == QLatin1String("cd");
    const QString title = discs ? QStringLiteral("Importovat disky") : QStringLiteral("Importovat lidi");
    QFileDialog chooser(window, title, documentsFolder(), QStringLiteral("Tabulky (*.ods *.xlsx *.csv)"));
    chooser.setObjectName(QStringLiteral("ImportFile"));
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return false;
    const QString file = chooser.selectedFiles().constFirst();

    importrows::Options options;
    options.dryRun = true;
    options.preview = 5;
    // Columns of the user's own are named in the summary, and "Přidat" adds the rest.
    options.ignoreUnknownColumns = true;
    const Imported check = runImport(window, db, title, table, file, options);
    const importrows::Outcome& checked = check.outcome;
    if (!checked.status.ok() || check.ended != Ended::Done) {
        tellFailure(window, db, title, check);
        return false;
    }
    // Rows already in the register and nothing else: asked whether to add them again.
    const bool onlyAlreadyThere = checked.refused == 1 && checked.alreadyThere > 0 && checked.problems.front().row == 0;
    if (onlyAlreadyThere) {
        if (!messages::question(window, title, checked.problems.front().message, messages::Default::No))
            return false;
        options.allowDuplicates = true;
    } else if (checked.refused > 0) {
        showRefusals(window, title, file, checked);
        return false;
    }
    if (!confirmSummary(window, title, table, file, checked))
        return false;

    options.dryRun = false;
    options.preview = 0;
    const Imported imported = runImport(window, db, title, table, file, options);
    // A cancel that came too late to stop the writing leaves the rows there, and says so.
    if (!imported.outcome.status.ok() || imported.ended == Ended::WindowClosed) {
        tellFailure(window, db, title, imported);
        return false;
    }
    if (imported.outcome.refused > 0) { // the file changed since it was checked
        showRefusals(window, title, file, imported.outcome);
        return false;
    }
    if (history && imported.outcome.firstKey > 0)
        rememberImport(window, db, *history, table, imported.outcome);
    if (added)
        added();
    QString told = QStringLiteral("Přidáno %1: %2.")
                       .arg(discs ? QStringLiteral("disků") : QStringLiteral("lidí"))
                       .arg(imported.outcome.rows);
    if (!imported.backup.isEmpty())
        told += QStringLiteral("\nEvidence před přidáním je zálohována v %1.").arg(imported.backup);
    messages::information(window, title, told);
    return true;
}

} // namespace mainmenu
