#include "main_menu/flows.h"
#include "main_menu/print_job.h"

#include "core/list_order.h"
#include "reports/borrowers.h"
#include "reports/report_settings.h"
#include "storage/database.h"
#include "ui_common/messages.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace mainmenu {
namespace {

// Where a row sorts in a column: a number or day by its value, a text in the lists' order
// (a person by surname, then first name).
constexpr int sortRole = Qt::UserRole;

class SortedItem : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant mine = data(column, sortRole);
        const QVariant theirs = other.data(column, sortRole);
        if (mine.typeId() == QMetaType::LongLong && theirs.typeId() == QMetaType::LongLong)
            return mine.toLongLong() < theirs.toLongLong();
        return listorder::compare(mine.toString(), theirs.toString()) < 0;
    }
};

void setCell(QTreeWidgetItem* item, int column, const QString& text, const QVariant& sortBy)
{
    item->setText(column, text);
    item->setData(column, sortRole, sortBy);
    if (column >= 2)
        item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
}

// Fills the tree with the borrowers and their discs; returns how many people and discs.
Status fill(QTreeWidget& tree, Database& db, const Job& job, qint64& people, qint64& discs)
{
    tree.setSortingEnabled(false);
    tree.clear();
    people = discs = 0;
    const std::unique_ptr<reminders::Letters> borrowersOut = borrowers::loansOut(db, job.today, job.grouped());
    if (Status s = borrowersOut->start(); !s.ok())
        return s;
    reminders::Letter person;
    QList<QTreeWidgetItem*> items;
    while (borrowersOut->next(person)) {
        auto* top = new SortedItem;
        QString name = QStringList{person.firstName, person.surname}.join(QLatin1Char(' ')).trimmed();
        setCell(top, 0, name.isEmpty() ? QStringLiteral("(bez jména)") : name,
                QStringList{person.surname, person.firstName}.join(QLatin1Char(' ')));
        QStringList contact{person.phone, person.email};
        contact.removeAll(QString());
        setCell(top, 1, contact.join(QStringLiteral(" · ")), contact.join(QLatin1Char(' ')));
        setCell(top, 2, QString::number(person.loans.size()), qint64(person.loans.size()));
        QFont bold = top->font(0);
        bold.setBold(true);
        top->setFont(0, bold);
        QDate first;
        qint64 longest = 0;
        const std::vector<QStringList> rows = reminders::tableRows(person);
        for (size_t i = 0; i < person.loans.size(); ++i) {
            const reminders::Loan& loan = person.loans[i];
            auto* disc = new SortedItem(top);
            setCell(disc, 0, rows[i][0], rows[i][0]);
            setCell(disc, 1, rows[i][1], rows[i][1]);
            setCell(disc, 2, rows[i][2], loan.discCount);
            setCell(disc, 3, rows[i][3], loan.lent.toJulianDay());
            setCell(disc, 4, rows[i][4], loan.daysOut);
            if (!first.isValid() || loan.lent < first)
                first = loan.lent;
            longest = std::max(longest, loan.daysOut);
        }
        setCell(top, 3, first.toString(QStringLiteral("dd.MM.yyyy")), first.toJulianDay());
        setCell(top, 4, QString::number(longest), longest);
        items << top;
        ++people;
        discs += static_cast<qint64>(person.loans.size());
    }
    if (Status s = borrowersOut->status(); !s.ok())
        return s;
    tree.addTopLevelItems(items);
    tree.expandAll();
    tree.setSortingEnabled(true);
    return Status::success();
}

} // namespace

void showBorrowers(QWidget* window, Database& db, bool tooLong)
{
    Job job;
    job.what = tooLong ? QStringLiteral("dlouho") : QStringLiteral("kdoco");
    job.days = reportsettings::days();

    QDialog dialog(window);
    dialog.setObjectName(QStringLiteral("KdoCo"));
    dialog.resize(800, 560);
    auto* layout = new QVBoxLayout(&dialog);
    auto* heading = new QLabel;
    heading->setObjectName(QStringLiteral("Nadpis"));
    layout->addWidget(heading);
    QSpinBox* days = nullptr;
    if (tooLong) {
        days = new QSpinBox;
        auto* row = new QHBoxLayout;
        auto* label = new QLabel(QStringLiteral("Dlouho půjčené je CD nevrácené &déle než"));
        days->setObjectName(QStringLiteral("Dni"));
        days->setAccessibleName(QStringLiteral("Počet dní"));
        days->setRange(0, longloans::mostDays);
        days->setValue(job.days);
        label->setBuddy(days);
        row->addWidget(label);
        row->addWidget(days);
        row->addWidget(new QLabel(QStringLiteral("dní")));
        row->addStretch();
        layout->addLayout(row);
    }
    auto* tree = new QTreeWidget;
    tree->setObjectName(QStringLiteral("Seznam"));
    tree->setAccessibleName(QStringLiteral("Výpůjčky podle lidí"));
    tree->setHeaderLabels({QStringLiteral("Kdo / název"), QStringLiteral("Kontakt / popis"), QStringLiteral("Disky"),
                           QStringLiteral("Půjčeno dne"), QStringLiteral("Dní")});
    tree->setUniformRowHeights(true);
    // The contact and the description take what the others leave (never measured over every
    // row: a long list would be read twice).
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionResizeMode(QHeaderView::Interactive);
    tree->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    for (const auto& [column, width] : {std::pair{0, 220}, {2, 110}, {3, 100}, {4, 60}})
        tree->setColumnWidth(column, width);
    layout->addWidget(tree);
    auto* summary = new QLabel;
    summary->setObjectName(QStringLiteral("Souhrn"));
    layout->addWidget(summary);
    QDialogButtonBox* buttons = printButtons(dialog, db, job);
    auto* print = buttons->findChild<QPushButton*>(QStringLiteral("Nahled"));
    auto* pdf = buttons->findChild<QPushButton*>(QStringLiteral("UlozitPdf"));
    layout->addWidget(buttons);

    const auto reload = [&]() -> bool {
        if (days)
            job.days = days->value();
        const QString title = job.title();
        dialog.setWindowTitle(title);
        heading->setText(QStringLiteral("<b>%1</b> – stav k %2")
                             .arg(title.toHtmlEscaped(), job.today.toString(QStringLiteral("dd.MM.yyyy"))));
        qint64 people = 0, discs = 0;
        const Status status = fill(*tree, db, job, people, discs);
        if (status.isDamage()) {
            db.noteDamage();
            return false;
        }
        if (!messages::report(&dialog, status))
            return false;
        summary->setText(
            people == 0
                ? (tooLong ? QStringLiteral("Nikdo nemá nic půjčeno déle než %1.").arg(longloans::daysInWords(job.days))
                           : QStringLiteral("Nikdo nemá nic půjčeno."))
                : QStringLiteral("Lidí: %1, půjčených titulů: %2").arg(people).arg(discs));
        print->setEnabled(people > 0);
        pdf->setEnabled(people > 0);
        return true;
    };
    tree->sortByColumn(0, Qt::AscendingOrder); // by surname; a click on a header sorts by its column
    if (!reload())
        return;
    if (days)
        QObject::connect(days, &QSpinBox::valueChanged, &dialog, [&] {
            reportsettings::setDays(days->value());
            if (!reload())
                dialog.reject();
        });
    tree->setFocus();
    dialog.exec();
}

} // namespace mainmenu
