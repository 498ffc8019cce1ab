#include "main_menu/background.h"
#include "main_menu/flows.h"

#include "backups/backups.h"
#include "backups/copy_places.h"
#include "storage/database.h"
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
// or when asked: "db1-2026-12-08-143005.zaz").
QString whenText(const backups::GoodCopy& copy)
{
    static const QRegularExpression time(QStringLiteral("-(\\d{2})(\\d{2})\\d{2}(-\\d+)?\\.zaz$"));
    const QRegularExpressionMatch m = time.match(QFileInfo(copy.path).fileName());
    return m.hasMatch() ? dayText(copy.day) + QStringLiteral(" %1:%2").arg(m.captured(1), m.captured(2))
                        : dayText(copy.day);
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
        if (const QString refused = backups::refusedTarget(registerPath, file); !refused.isEmpty()) {
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

void chooseRestore(QWidget* window, Database& db, const std::function<void(const QString& copy)>& restore)
{
    const QString title = QStringLiteral("Obnovit ze zálohy");
    const QString registerPath = db.filePath();
    const QString folder = backups::folderOf(registerPath);
    // The copies with their numbers, newest first (read off the window's thread: at L each
    // count takes a moment).
    std::vector<backups::GoodCopy> copies;
    const Ended listed =
        runInBackground(window, title, QStringLiteral("Čtou se zálohy…"), true, [&](Progress& progress) {
            const std::vector<backups::Copy> found = backups::list(folder);
            for (auto copy = found.rbegin(); copy != found.rend() && !progress.cancelled(); ++copy)
                if (std::optional<backups::GoodCopy> described = backups::examine(*copy, false))
                    copies.push_back(*described);
        });
    if (listed == Ended::WindowClosed)
        return;

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
    if (dialog.exec() != QDialog::Accepted || !pick)
        return;

    // The copy chosen is read through before anything is asked or closed.
    std::optional<backups::GoodCopy> whole;
    if (runInBackground(window, title, QStringLiteral("Kontroluje se záloha %1…").arg(pick->path), false,
                        [&](Progress&) {
                            whole = backups::examine({pick->day, pick->path}, true);
                        }) == Ended::WindowClosed)
        return;
    if (!whole) {
        messages::critical(window, QStringLiteral("Chyba"),
                           QStringLiteral("Soubor %1 není celá evidence programu Ordisk (je poškozený, nebo to "
                                          "evidence vůbec není); obnovit z něj nelze. Nic nebylo změněno.")
                               .arg(pick->path));
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
