#include "main_menu/flows.h"
#include "main_menu/print_job.h"

#include "core/long_loans.h"
#include "reports/reminders.h"
#include "reports/report_settings.h"
#include "storage/database.h"
#include "transfer/import_rows.h"
#include "ui_common/messages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <map>

namespace mainmenu {
namespace {

bool takesDays(const QString& what)
{
    const printables::Printable* p = printables::find(what);
    return p && p->takesDays;
}

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
    // The tone of the letters: vykání to anyone, tykání to friends and family.
    auto* formal = new QRadioButton(QStringLiteral("V&ykat („Dobrý den,“)"));
    formal->setObjectName(QStringLiteral("Vykat"));
    auto* informal = new QRadioButton(QStringLiteral("&Tykat („Ahoj Jano,“)"));
    informal->setObjectName(QStringLiteral("Tykat"));
    (owner.informal ? informal : formal)->setChecked(true);
    auto* tone = new QHBoxLayout;
    tone->addWidget(formal);
    tone->addWidget(informal);
    tone->addStretch();
    form->addRow(QStringLiteral("Oslovení:"), tone);
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
    owner = {name->text(), contact->toPlainText(), place->text(), informal->isChecked()};
    reportsettings::setOwner(owner);
    return true;
}

enum class Action { None, Preview, Pdf, Mail };

// "Poslat e-mailem…": each late borrower with an e-mail gets the letter as a message in the
// user's own mail program (the desktop's mailto: handler), to be read and sent from there;
// nothing is sent by the program. Those without an e-mail are named.
void sendByMail(QWidget* window, Database& db, const Job& job)
{
    const QString title = QStringLiteral("Poslat e-mailem");
    reminders::Letters letters(db, job.days, job.today, job.keys ? &*job.keys : nullptr);
    reminders::Letter letter;
    qint64 opened = 0;
    QStringList failed, without;
    Status status = letters.start();
    while (status.ok() && letters.next(letter)) {
        const QString name = QStringList{letter.firstName, letter.surname}.join(QLatin1Char(' ')).trimmed();
        if (letter.email.isEmpty())
            without << importrows::shown(name);
        else if (QDesktopServices::openUrl(reminders::mailto(letter, job.owner, job.today)))
            ++opened;
        else
            failed << importrows::shown(name);
    }
    if (!messages::report(window, letters.status()))
        return;
    if (opened + failed.size() + without.size() == 0) {
        messages::information(window, title,
                              QStringLiteral("Nikdo nemá CD půjčené déle než %1, upomínky nejsou komu psát.")
                                  .arg(longloans::daysInWords(job.days)));
        return;
    }
    QString told = QStringLiteral("Zpráv otevřených v poštovním programu: %1.").arg(opened);
    if (!failed.isEmpty())
        told += QStringLiteral("\nPoštovní program se nepodařilo otevřít pro: %1.").arg(failed.join(u", "));
    if (!without.isEmpty())
        told += QStringLiteral("\nBez e-mailu (upomínku jim vytiskněte): %1.").arg(without.join(u", "));
    messages::information(window, title, told);
}

// The late borrowers in the dialog, a box each: those ticked get a letter (or a message).
class Addressees
{
public:
    explicit Addressees(QVBoxLayout* layout)
    {
        auto* label = new QLabel(QStringLiteral("Ko&mu (upomínku dostanou zaškrtnutí):"));
        m_list->setObjectName(QStringLiteral("Dluznici"));
        m_list->setAccessibleName(QStringLiteral("Komu"));
        m_list->setMinimumHeight(120);
        label->setBuddy(m_list);
        m_summary->setObjectName(QStringLiteral("Zaskrtnuto"));
        m_label = label;
        layout->addWidget(label);
        layout->addWidget(m_list);
        layout->addWidget(m_summary);
        QObject::connect(m_list, &QListWidget::itemChanged, m_list, [this](QListWidgetItem* item) {
            m_chosen[item->data(Qt::UserRole).toLongLong()] = item->checkState() == Qt::Checked;
            told();
        });
    }
    QListWidget* list() const { return m_list; }
    // Shown with the reminders only; false when it already was as asked.
    bool show(bool shown)
    {
        if (m_list->isVisibleTo(m_list->parentWidget()) == shown && m_shownOnce)
            return false;
        m_shownOnce = true;
        for (QWidget* part :
             {static_cast<QWidget*>(m_label), static_cast<QWidget*>(m_list), static_cast<QWidget*>(m_summary)})
            part->setVisible(shown);
        return true;
    }

    // The borrowers out longer than the days, ticked: everyone, or (chosen) only those; a box
    // the user ticked or unticked stays so when the days change and the list is read again.
    Status fill(Database& db, int days, const QDate& today, const std::vector<qint64>* chosen)
    {
        QSignalBlocker quiet(m_list);
        if (!m_filled && chosen) {
            m_tickedAtFirst = false;
            for (const qint64 person : *chosen)
                m_chosen[person] = true;
        }
        m_list->clear();
        reminders::Letters letters(db, days, today);
        reminders::Letter letter;
        Status status = letters.start();
        while (status.ok() && letters.next(letter)) {
            const QString name = QStringList{letter.surname, letter.firstName}.join(QLatin1Char(' ')).trimmed();
            auto* item = new QListWidgetItem(
                QStringLiteral("%1 (%2)").arg(importrows::shown(name)).arg(letter.loans.size()), m_list);
            item->setData(Qt::UserRole, letter.person);
            item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            const auto set = m_chosen.find(letter.person);
            const bool tick = set == m_chosen.end() ? m_tickedAtFirst : set->second;
            item->setCheckState(tick ? Qt::Checked : Qt::Unchecked);
        }
        m_filled = true;
        m_chosenMissing = !m_tickedAtFirst && ticked().empty();
        told();
        return letters.status();
    }

    std::vector<qint64> ticked() const
    {
        std::vector<qint64> keys;
        for (int row = 0; row < m_list->count(); ++row)
            if (m_list->item(row)->checkState() == Qt::Checked)
                keys.push_back(m_list->item(row)->data(Qt::UserRole).toLongLong());
        return keys;
    }

    std::function<void()> changed;

private:
    void told()
    {
        const qint64 count = static_cast<qint64>(ticked().size());
        m_summary->setText(m_chosenMissing && count == 0
                               ? QStringLiteral("Vybraný člověk nemá nic půjčeno tak dlouho.")
                               : QStringLiteral("Zaškrtnuto: %1 z %2").arg(count).arg(m_list->count()));
        if (changed)
            changed();
    }

    QLabel* m_label = nullptr;
    QListWidget* m_list = new QListWidget;
    QLabel* m_summary = new QLabel;
    bool m_shownOnce = false;
    bool m_filled = false;
    bool m_chosenMissing = false;
    bool m_tickedAtFirst = true;     // a borrower nobody ticked or unticked
    std::map<qint64, bool> m_chosen; // the boxes ticked (or unticked) by the user or the menu
};

// The dialog "Tisk": what to print, the days where they count, who gets a reminder, the
// preview or a PDF.
Action choose(QWidget* window, Database& db, Job& job)
{
    QDialog dialog(window);
    dialog.setObjectName(QStringLiteral("Tisk"));
    dialog.setWindowTitle(QStringLiteral("Tisk"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* group = new QButtonGroup(&dialog);
    for (const printables::Printable& p : printables::all()) {
        auto* option = new QRadioButton(p.option);
        option->setObjectName(p.object);
        option->setProperty("what", p.name);
        option->setChecked(job.what == p.name);
        group->addButton(option);
        layout->addWidget(option);
    }
    // The people list as the window shows it, or everyone by surname (an address list).
    auto* bySurname = new QCheckBox(QStringLiteral("nebo všichni podle pří&jmení"));
    bySurname->setObjectName(QStringLiteral("PodlePrijmeni"));
    bySurname->setChecked(job.bySurname);
    auto* indented = new QHBoxLayout;
    indented->addSpacing(24);
    indented->addWidget(bySurname);
    if (QRadioButton* people = dialog.findChild<QRadioButton*>(QStringLiteral("TiskLide"))) {
        layout->insertLayout(layout->indexOf(people) + 1, indented);
        QWidget::setTabOrder(people, bySurname); // Tab goes from the option to its box
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
    auto* mail = new QPushButton(QStringLiteral("Poslat &e-mailem…"));
    mail->setObjectName(QStringLiteral("PoslatEmailem"));
    auto* letterButtons = new QHBoxLayout;
    letterButtons->addWidget(sender);
    letterButtons->addWidget(mail);
    letterButtons->addStretch();
    layout->addLayout(letterButtons);
    Addressees addressees(layout);
    auto* buttons = new QDialogButtonBox;
    QPushButton* preview = buttons->addButton(QStringLiteral("Náhled a &tisk…"), QDialogButtonBox::AcceptRole);
    preview->setObjectName(QStringLiteral("Nahled"));
    QPushButton* pdf = buttons->addButton(QStringLiteral("Uložit jako PD&F…"), QDialogButtonBox::AcceptRole);
    pdf->setObjectName(QStringLiteral("UlozitPdf"));
    QPushButton* close = buttons->addButton(QStringLiteral("Zavřít"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("Zavrit"));
    layout->addWidget(buttons);
    const auto follow = [&] {
        const QString what = group->checkedButton() ? group->checkedButton()->property("what").toString() : QString();
        days->setEnabled(takesDays(what));
        bySurname->setEnabled(what == QLatin1String("lide"));
        const printables::Printable* chosen = printables::find(what);
        const bool letters = chosen && chosen->form == printables::Form::Letters;
        sender->setEnabled(letters);
        if (addressees.show(letters))
            dialog.adjustSize();
        // Nobody late at all is said on a click; late borrowers none of whom is ticked, not.
        const bool someone = !letters || addressees.list()->count() == 0 || !addressees.ticked().empty();
        mail->setEnabled(letters && someone);
        preview->setEnabled(!what.isEmpty() && someone);
        pdf->setEnabled(!what.isEmpty() && someone);
    };
    // The late borrowers listed once the reminders are chosen, again when the days change.
    bool listed = false;
    const auto list = [&] {
        if (!group->checkedButton() || group->checkedButton()->objectName() != QLatin1String("TiskUpominky"))
            return;
        listed = true;
        if (const Status s = addressees.fill(db, days->value(), job.today, job.keys ? &*job.keys : nullptr); !s.ok()) {
            if (s.isDamage())
                db.noteDamage();
            else
                messages::critical(&dialog, QStringLiteral("Chyba"), s.message());
        }
    };
    addressees.changed = follow;
    QObject::connect(group, &QButtonGroup::buttonToggled, &dialog, [&] {
        if (!listed)
            list();
        follow();
    });
    QObject::connect(days, &QSpinBox::valueChanged, &dialog, [&] {
        if (listed)
            list();
    });
    list();
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
    QObject::connect(mail, &QPushButton::clicked, &dialog, [&] {
        action = Action::Mail;
        dialog.accept();
    });
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted || !group->checkedButton())
        return Action::None;
    job.what = group->checkedButton()->property("what").toString();
    job.bySurname = job.what == QLatin1String("lide") && bySurname->isChecked();
    if (job.is(printables::Form::Letters))
        job.keys = addressees.ticked();
    if (takesDays(job.what)) {
        job.days = days->value();
        reportsettings::setDays(job.days);
    }
    return action;
}

} // namespace

void print(QWidget* window, Database& db, const ShownKeys& shownKeys, const QString& chosen, qint64 person)
{
    Job job;
    job.what = chosen.isEmpty() ? QStringLiteral("cd") : chosen;
    job.days = reportsettings::days();
    job.owner = reportsettings::owner();
    if (person > 0)
        job.keys = std::vector<qint64>{person};
    const Action action = choose(window, db, job);
    if (action == Action::None)
        return;
    if (job.printable() && job.printable()->asShown && shownKeys && !job.bySurname)
        job.keys = shownKeys(job.what);
    // The reminders' sender is asked the first time (what is left empty stays out).
    if (job.is(printables::Form::Letters) && !reportsettings::ownerEntered() && !askOwner(window, job.owner))
        return;
    if (action == Action::Preview)
        preview(window, db, job);
    else if (action == Action::Mail)
        sendByMail(window, db, job);
    else
        savePdf(window, db, job);
}

} // namespace mainmenu
