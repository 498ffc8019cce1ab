#include "main_menu/background.h"
#include "main_menu/flows.h"

#include "backups/copy_places.h"
#include "core/long_loans.h"
#include "reports/report_settings.h"
#include "storage/database.h"
#include "storage/file_targets.h"
#include "storage/register_file.h"
#include "transfer/sheet_export.h"
#include "ui_common/messages.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QStandardPaths>

namespace mainmenu {
namespace {

// The filters of the save dialog, each with the suffix it gives a name typed without one.
const struct
{
    const char* filter;
    const char* suffix;
} formats[] = {
    {"Tabulka OpenDocument (*.ods)", "ods"},
    {"Sešit Excelu (*.xlsx)", "xlsx"},
    {"Text CSV (*.csv)", "csv"},
};

} // namespace

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void exportList(QWidget* window, Database& db, const QString& table)
{
    const QString title = QStringLiteral("Exportovat");
    // The discs lent too long: how long is too long is asked, as last time.
    exportrows::Choice choice;
    if (table == QLatin1String("dlouho")) {
        QInputDialog days(window);
        days.setObjectName(QStringLiteral("Dni"));
        days.setWindowTitle(QStringLiteral("Dlouho půjčená CD"));
        days.setInputMode(QInputDialog::IntInput);
        days.setLabelText(QStringLiteral("Vyvézt CD nevrácená déle než kolik dní?"));
        days.setIntRange(0, longloans::mostDays);
        days.setIntValue(reportsettings::days());
        if (days.exec() != QDialog::Accepted)
            return;
        choice.days = days.intValue();
        reportsettings::setDays(choice.days);
    }
    const QString stem =
        QStringLiteral("%1-%2").arg(sheetexport::fileStem(table), QDate::currentDate().toString(Qt::ISODate));
    QStringList filters;
    for (const auto& f : formats)
        filters << QString::fromUtf8(f.filter);
    QFileDialog chooser(window, title, documentsFolder());
    chooser.setObjectName(QStringLiteral("ExportFile"));
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setFileMode(QFileDialog::AnyFile);
    chooser.setNameFilters(filters);
    chooser.setDefaultSuffix(QStringLiteral("ods"));
    chooser.selectFile(stem + QStringLiteral(".ods"));
    // Another filter: another format, and the proposed name follows it.
    QObject::connect(&chooser, &QFileDialog::filterSelected, &chooser,
                     [&chooser, &filters, stem](const QString& filter) {
                         const QString suffix = QString::fromLatin1(formats[filters.indexOf(filter)].suffix);
                         chooser.setDefaultSuffix(suffix);
                         chooser.selectFile(stem + QLatin1Char('.') + suffix);
                     });
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    const QString file = chooser.selectedFiles().constFirst();
    const QString registerPath = db.filePath();
    // Never over the register itself, through whatever name or link.
    if (const QString refused = filetargets::refusedTarget(registerPath, file, QStringLiteral("seznam"));
        !refused.isEmpty()) {
        messages::critical(window, QStringLiteral("Chyba"), refused);
        return;
    }
    Status status = Status::success();
    const Ended ended =
        runInBackground(window, title, QStringLiteral("Zapisuje se soubor %1…").arg(file), false, [&](Progress&) {
            const std::unique_ptr<Database> own = openRegisterFile(registerPath, status);
            if (own)
                status = sheetexport::write(*own, table, file, sheetexport::formatOf(file), choice);
        });
    if (ended == Ended::WindowClosed)
        return;
    if (status.isDamage())
        db.noteDamage();
    else if (!status.ok())
        messages::critical(window, QStringLiteral("Chyba"), status.message());
    else
        messages::information(window, title, QStringLiteral("Seznam je uložen v souboru\n%1").arg(file));
}

} // namespace mainmenu
