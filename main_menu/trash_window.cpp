#include "main_menu/flows.h"

#include "storage/database.h"
#include "storage/trash.h"
#include "transfer/import_rows.h"
#include "ui_common/messages.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace mainmenu {
namespace {

const QString title = QStringLiteral("Koš");
const QString daysKey = QStringLiteral("kos/dni");
constexpr int mostDays = 365;

QSettings settings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Ordisk"), QStringLiteral("Ordisk"));
}

// What a restore brought back besides the record, and what it could not; names as a message
// shows a value (one line, cut to a readable length: a name may have 32,767 letters).
QString restoredText(const trash::Item& item, const trash::Restored& restored)
{
    QString text = QStringLiteral("„%1“ je zpět v evidenci").arg(importrows::shown(item.name));
    if (!restored.alsoRestored.isEmpty())
        text += QStringLiteral(", a s ním kvůli výpůjčkám i: %1")
                    .arg(importrows::shown(restored.alsoRestored.join(QStringLiteral(", "))));
    text += QLatin1Char('.');
    if (restored.loansLeft > 0)
        text += QStringLiteral("\nVýpůjček, jejichž disk nebo člověk je smazán natrvalo, nelze obnovit: %1.")
                    .arg(restored.loansLeft);
    return text;
}

} // namespace

int trashDays()
{
    bool whole = false;
    const int kept = settings().value(daysKey).toInt(&whole);
    return whole && kept >= 1 && kept <= mostDays ? kept : trash::keptDays;
}

void showTrash(QWidget* window, Database& db, const std::function<void()>& restored)
{
    QDialog dialog(window);
    dialog.setObjectName(QStringLiteral("Kos"));
    dialog.setWindowTitle(title);
    dialog.resize(640, 380);
    auto* layout = new QVBoxLayout(&dialog);
    auto* note = new QLabel;
    note->setObjectName(QStringLiteral("Stav"));
    layout->addWidget(note);
    auto* grid = new QTableWidget(0, 4);
    grid->setObjectName(QStringLiteral("Polozky"));
    grid->setAccessibleName(QStringLiteral("Smazané disky a lidé"));
    grid->setHorizontalHeaderLabels(
        {QStringLiteral("Smazáno"), QStringLiteral("Co"), QStringLiteral("Název"), QStringLiteral("Výpůjček")});
    grid->verticalHeader()->hide();
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(grid);
    auto* daysRow = new QHBoxLayout;
    auto* daysLabel = new QLabel(QStringLiteral("Co je v koši &déle než"));
    auto* days = new QSpinBox;
    days->setObjectName(QStringLiteral("Dni"));
    days->setAccessibleName(QStringLiteral("Počet dní v koši"));
    days->setRange(1, mostDays);
    days->setValue(trashDays());
    daysLabel->setBuddy(days);
    daysRow->addWidget(daysLabel);
    daysRow->addWidget(days);
    daysRow->addWidget(new QLabel(QStringLiteral("dní, program při spuštění smaže.")));
    daysRow->addStretch();
    layout->addLayout(daysRow);
    QObject::connect(days, &QSpinBox::valueChanged, &dialog, [](int value) { settings().setValue(daysKey, value); });
    auto* buttons = new QDialogButtonBox;
    QPushButton* restore = buttons->addButton(QStringLiteral("&Obnovit"), QDialogButtonBox::ActionRole);
    restore->setObjectName(QStringLiteral("Obnovit"));
    QPushButton* remove = buttons->addButton(QStringLiteral("&Smazat natrvalo"), QDialogButtonBox::ActionRole);
    remove->setObjectName(QStringLiteral("SmazatNatrvalo"));
    QPushButton* empty = buttons->addButton(QStringLiteral("&Vysypat koš"), QDialogButtonBox::ActionRole);
    empty->setObjectName(QStringLiteral("Vysypat"));
    QPushButton* close = buttons->addButton(QStringLiteral("Zavřít"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("Zavrit"));
    layout->addWidget(buttons);

    std::vector<trash::Item> items;
    // A failure is told once; damage takes the damage road, and the dialog closes.
    const auto reported = [&](const Status& status) {
        if (status.isDamage()) {
            db.noteDamage();
            dialog.reject();
            return false;
        }
        return messages::report(&dialog, status);
    };
    const auto fill = [&] {
        Status status = Status::success();
        items = trash::items(db, status);
        if (!reported(status))
            items.clear();
        grid->setRowCount(static_cast<int>(items.size()));
        for (int row = 0; row < grid->rowCount(); ++row) {
            const trash::Item& item = items[static_cast<size_t>(row)];
            const QStringList cells = {item.deleted.toString(QStringLiteral("dd.MM.yyyy HH:mm")),
                                       item.table == QLatin1String("cd") ? QStringLiteral("disk")
                                                                         : QStringLiteral("člověk"),
                                       item.name, QString::number(item.loans)};
            for (int column = 0; column < cells.size(); ++column)
                grid->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
        note->setText(items.empty() ? QStringLiteral("Koš je prázdný.")
                                    : QStringLiteral("V koši: %1. Obnovit lze i s výpůjčkami.").arg(items.size()));
        grid->resizeColumnsToContents(); // the day on one line; the name takes the rest
        grid->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
        if (!items.empty())
            grid->selectRow(0);
        for (QPushButton* button : {restore, remove, empty})
            button->setEnabled(!items.empty());
    };
    const auto picked = [&]() -> const trash::Item* {
        const int row = grid->currentRow();
        return row >= 0 && row < static_cast<int>(items.size()) ? &items[static_cast<size_t>(row)] : nullptr;
    };
    QObject::connect(restore, &QPushButton::clicked, &dialog, [&] {
        const trash::Item* item = picked();
        if (!item)
            return;
        Status status = Status::success();
        const trash::Restored back = trash::restore(db, item->id, status);
        if (!reported(status))
            return;
        if (restored)
            restored();
        messages::information(&dialog, title, restoredText(*item, back));
        fill();
    });
    QObject::connect(remove, &QPushButton::clicked, &dialog, [&] {
        const trash::Item* item = picked();
        if (!item ||
            !messages::question(
                &dialog, title,
                QStringLiteral("Smazat „%1“ natrvalo? Obnovit to už nepůjde.").arg(importrows::shown(item->name)),
                messages::Default::No))
            return;
        if (reported(trash::remove(db, item->id)))
            fill();
    });
    QObject::connect(empty, &QPushButton::clicked, &dialog, [&] {
        if (!messages::question(
                &dialog, title,
                QStringLiteral("Vysypat koš? Všechno, co v něm je (%1), se smaže natrvalo.").arg(items.size()),
                messages::Default::No))
            return;
        if (reported(trash::empty(db)))
            fill();
    });
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::reject);
    fill();
    dialog.exec();
}

} // namespace mainmenu
