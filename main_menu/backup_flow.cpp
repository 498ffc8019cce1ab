#include "main_menu/background.h"
#include "main_menu/flows.h"

#include "backups/backups.h"
#include "backups/copy_places.h"
#include "backups/restore_check.h"
#include "storage/database.h"
#include "storage/file_targets.h"
#include "storage/register_file.h"
#include "ui_common/messages.h"

#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace mainmenu {
namespace {

QString numbers(const backups::GoodCopy& copy)
{
    return QStringLiteral("disků: %1, lidí: %2, výpůjček: %3").arg(copy.discs).arg(copy.people).arg(copy.loans);
}

QString dayText(const QDate& day)
{
    return day.toString(QStringLiteral("d. M. yyyy"));
}

// A copy's day, and its time of day where its name has one (copies made before an import
// or when asked: "db1-2026-12-08-143005.zaz"); a register kept before a restore says so.
QString whenText(const backups::GoodCopy& copy)
{
    static const QRegularExpression time(QStringLiteral("-(\\d{2})(\\d{2})\\d{2}(-\\d+)?(-pred-obnovou)?\\.zaz$"));
    const QRegularExpressionMatch m = time.match(QFileInfo(copy.path).fileName());
    if (!m.hasMatch())
        return dayText(copy.day);
    return dayText(copy.day) + QStringLiteral(" %1:%2").arg(m.captured(1), m.captured(2)) +
           (m.captured(4).isEmpty() ? QString() : QStringLiteral(" (před obnovou)"));
}

} // namespace

void backUp(QWidget* window, Database& db)
{
    const QString title = QStringLiteral("Zálohovat evidenci");
    const QString registerPath = db.filePath();
    QMessageBox where(QMessageBox::Question, title,
                      QStringLiteral("Kam uložit kopii evidence?\nDo složky zalohy vedle evidence (%1), nebo jinam, "
                                     "třeba na disk USB?")
                          .arg(backups::folderOf(registerPath)),
                      QMessageBox::NoButton, window);
    where.setObjectName(QStringLiteral("BackupWhere"));
    QPushButton* folder = where.addButton(QStringLiteral("Do složky zalohy"), QMessageBox::AcceptRole);
    QPushButton* elsewhere = where.addButton(QStringLiteral("Jinam…"), QMessageBox::ActionRole);
    where.addButton(QStringLiteral("Zrušit"), QMessageBox::RejectRole);
    where.setDefaultButton(folder);
    where.exec();
    QString file;
    if (where.clickedButton() == elsewhere) {
        QFileDialog chooser(window, title, documentsFolder(), QStringLiteral("Evidence Ordisk (*.zaz)"));
        chooser.setObjectName(QStringLiteral("BackupFile"));
        chooser.setOption(QFileDialog::DontUseNativeDialog);
        chooser.setAcceptMode(QFileDialog::AcceptSave);
        chooser.setDefaultSuffix(QStringLiteral("zaz"));
        chooser.selectFile(QStringLiteral("db1-%1.zaz").arg(QDate::currentDate().toString(Qt::ISODate)));
        if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
            return;
        file = chooser.selectedFiles().constFirst();
        // The save dialog asked before a file is replaced; the register, its journal and the
        // files the program has open never are.
        if (const QString refused = filetargets::refusedTarget(registerPath, file, QStringLiteral("zálohu"));
            !refused.isEmpty()) {
            messages::critical(window, QStringLiteral("Chyba"), refused);
            return;
        }
    } else if (where.clickedButton() != folder) {
        return;
    }
    backups::Outcome outcome;
    std::optional<backups::GoodCopy> made;
    const Ended ended = runInBackground(window, title, QStringLiteral("Kopíruje se evidence…"), false, [&](Progress&) {
        Status status = Status::success();
        const std::unique_ptr<Database> own = openRegisterFile(registerPath, status);
        if (!own) {
            outcome.status = status;
            return;
        }
        if (file.isEmpty()) {
            outcome = backups::now(*own, registerPath, QDateTime::currentDateTime());
        } else {
            // A file there stays as it was until the copy is whole (the user chose to replace it).
            outcome.status = backups::replace(*own, file);
            outcome.made = file;
        }
        const QString copy = outcome.made.isEmpty() ? outcome.existing : outcome.made;
        if (outcome.status.ok() && !copy.isEmpty())
            made = backups::examine({QDate::currentDate(), copy}, false);
    });
    if (ended == Ended::WindowClosed) {
        return;
    } else if (outcome.status.isDamage()) {
        db.noteDamage();
    } else if (!outcome.status.ok()) {
        messages::critical(window, QStringLiteral("Chyba"), outcome.status.message());
    } else if (!outcome.existing.isEmpty()) {
        messages::information(
            window, title,
            QStringLiteral("Evidence je, jak ji uchovává záloha\n%1\nNová nebyla třeba.").arg(outcome.existing));
    } else {
        messages::information(window, title,
                              QStringLiteral("Evidence je zálohována do\n%1\n(%2).")
                                  .arg(outcome.made, made ? numbers(*made) : QString()));
    }
}

namespace {

// The copies in the folder and the registers kept before restores, with their numbers,
// newest first (read off the window's thread: at L each count takes a moment). False when
// the window closed meanwhile.
bool readCopies(QWidget* window, const QString& title, const QString& folder, std::vector<backups::GoodCopy>& copies)
{
    return runInBackground(window, title, QStringLiteral("Čtou se zálohy…"), true, [&](Progress& progress) {
               std::vector<backups::Copy> found = backups::list(folder);
               for (const backups::Copy& kept : backups::keptBeforeRestores(folder))
                   found.push_back(kept);
               std::stable_sort(found.begin(), found.end(), [](const backups::Copy& a, const backups::Copy& b) {
                   return a.day != b.day ? a.day < b.day : QFileInfo(a.path).fileName() < QFileInfo(b.path).fileName();
               });
               for (auto copy = found.rbegin(); copy != found.rend() && !progress.cancelled(); ++copy)
                   if (std::optional<backups::GoodCopy> described = backups::examine(*copy, false))
                       copies.push_back(*described);
           }) != Ended::WindowClosed;
}

// The list of copies with their days and numbers, "Obnovit", "Jiný soubor…" (a file dialog)
// and "Zrušit": the copy chosen, none when cancelled.
std::optional<backups::GoodCopy> pickCopy(QWidget* window, const QString& title, const QString& folder,
                                          const std::vector<backups::GoodCopy>& copies)
{
    QDialog dialog(window);
    dialog.setObjectName(QStringLiteral("RestoreDialog"));
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(copies.empty() ? QStringLiteral("Ve složce %1 není žádná záloha.").arg(folder)
                                                : QStringLiteral("Zálohy ve složce %1:").arg(folder),
                                 &dialog));
    auto* grid = new QTableWidget(static_cast<int>(copies.size()), 4, &dialog);
    grid->setObjectName(QStringLiteral("Backups"));
    grid->setAccessibleName(QStringLiteral("Zálohy"));
    grid->setHorizontalHeaderLabels(
        {QStringLiteral("Den"), QStringLiteral("Disků"), QStringLiteral("Lidí"), QStringLiteral("Výpůjček")});
    grid->verticalHeader()->hide();
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    for (size_t i = 0; i < copies.size(); ++i) {
        const int row = static_cast<int>(i);
        auto* day = new QTableWidgetItem(whenText(copies[i]));
        day->setToolTip(copies[i].path);
        grid->setItem(row, 0, day);
        grid->setItem(row, 1, new QTableWidgetItem(QString::number(copies[i].discs)));
        grid->setItem(row, 2, new QTableWidgetItem(QString::number(copies[i].people)));
        grid->setItem(row, 3, new QTableWidgetItem(QString::number(copies[i].loans)));
    }
    if (!copies.empty())
        grid->selectRow(0);
    grid->resizeColumnsToContents();
    layout->addWidget(grid);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* chosen = buttons->addButton(QStringLiteral("Obnovit"), QDialogButtonBox::AcceptRole);
    chosen->setObjectName(QStringLiteral("ObnovitVybranou"));
    chosen->setEnabled(!copies.empty());
    chosen->setDefault(true);
    QPushButton* other = buttons->addButton(QStringLiteral("Jiný soubor…"), QDialogButtonBox::ActionRole);
    other->setObjectName(QStringLiteral("JinySoubor"));
    buttons->addButton(QStringLiteral("Zrušit"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    std::optional<backups::GoodCopy> pick;
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        const int row = grid->currentRow();
        if (row < 0 || row >= static_cast<int>(copies.size()))
            return;
        pick = copies[static_cast<size_t>(row)];
        dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(other, &QPushButton::clicked, &dialog, [&] {
        QFileDialog chooser(&dialog, title, documentsFolder(), QStringLiteral("Evidence Ordisk (*.zaz)"));
        chooser.setObjectName(QStringLiteral("RestoreFile"));
        chooser.setOption(QFileDialog::DontUseNativeDialog);
        chooser.setFileMode(QFileDialog::ExistingFile);
        if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
            return;
        const QString file = chooser.selectedFiles().constFirst();
        pick = backups::GoodCopy{file, QFileInfo(file).lastModified().date()};
        dialog.accept();
    });
    dialog.resize(520, 380);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return pick;
}

} // namespace

void chooseRestore(QWidget* window, Database& db, const std::function<void(const QString& copy)>& restore)
{
    const QString title = QStringLiteral("Obnovit ze zálohy");
    const QString registerPath = db.filePath();
    const QString folder = backups::folderOf(registerPath);
    std::vector<backups::GoodCopy> copies;
    if (!readCopies(window, title, folder, copies))
        return;
    const std::optional<backups::GoodCopy> pick = pickCopy(window, title, folder, copies);
    if (!pick)
        return;
    // Every check the restore makes (no other program on the register; the file a whole
    // register of ours, of a version this program knows) runs before anything is asked or
    // closed; what it finds is told with the window still open.
    QString refusal;
    std::optional<backups::GoodCopy> whole;
    if (runInBackground(window, title, QStringLiteral("Kontroluje se záloha %1…").arg(pick->path), false,
                        [&](Progress&) {
                            refusal = backups::restoreRefusal(registerPath, pick->path);
                            if (refusal.isEmpty())
                                whole = backups::examine({pick->day, pick->path}, false);
                        }) == Ended::WindowClosed)
        return;
    if (refusal.isEmpty() && !whole)
        refusal = QStringLiteral("Soubor %1 není celá evidence programu Ordisk (je poškozený, nebo to evidence "
                                 "vůbec není); obnovit z něj nelze. Nic nebylo změněno.")
                      .arg(pick->path);
    if (!refusal.isEmpty()) {
        messages::critical(window, QStringLiteral("Chyba"), refusal);
        return;
    }
    if (!messages::question(window, title,
                            QStringLiteral("Obnovit evidenci ze zálohy z %1 (%2)?\nDosavadní evidence zůstane ve "
                                           "složce zalohy. Program se zavře a spustí znovu na obnovené evidenci.")
                                .arg(whenText(*whole), numbers(*whole)),
                            messages::Default::No))
        return;
    restore(whole->path);
}

} // namespace mainmenu
