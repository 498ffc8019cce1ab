#include "entry_windows/form4.h"

#include "ui_common/fixed_window.h"
#include "ui_form4.h"

#include "binding/record_source.h"
#include "core/new_records.h"
#include "ui_common/messages.h"
#include "widgets/bound_field.h"

Form4::Form4(Register& reg, UndoHistory* history, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::Form4>()), Data1(new RecordSource(reg, QStringLiteral("lide"), this))
{
    Data1->setHistory(history);
    ui->setupUi(this);
    makeFixedWindow(this);
    ui->Lide->hide(); // the record's own fields: the insert writes through them, the user never sees them
    BoundField::bind(*Data1, {{"idcloveka", ui->Text9},
                              {"jmeno", ui->Text10},
                              {"prijmeni", ui->Text11},
                              {"telefon", ui->Text12},
                              {"email", ui->Text13},
                              {"poznamka", ui->Text14}});
    connect(ui->Command2, &QPushButton::clicked, this, &Form4::Command2_Click);
    connect(ui->Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
    // The window only adds people: it needs the table's fields, not its rows.
    Data1->setRecordSource(queries::none(QStringLiteral("lide")));
    messages::report(this, Data1->refresh());
}

Form4::~Form4() = default;

// "PŘIDAT": both names are required; then confirm and store.
void Form4::Command2_Click()
{
    // A refusal leaves the user in the box refused.
    auto refuse = [this](QWidget* box, const QString& text) {
        messages::critical(this, QStringLiteral("Chyba"), text);
        box->setFocus();
    };
    const newrecords::Refusal refusal = newrecords::checkPerson(
        {{QStringLiteral("jmeno"), ui->Text2->text()}, {QStringLiteral("prijmeni"), ui->Text3->text()}});
    if (!refusal.ok())
        return refuse(refusal.field == QLatin1String("jmeno") ? ui->Text2 : ui->Text3, refusal.message);
    const QString question = QStringLiteral("Přejete si přidat nového člověka?\n") + QStringLiteral("Jméno: ") +
                             ui->Text2->text() + QLatin1Char('\n') + QStringLiteral("Příjmení: ") + ui->Text3->text() +
                             QLatin1Char('\n') + QStringLiteral("Telefon: ") + ui->Text4->text() + QLatin1Char('\n') +
                             QStringLiteral("E-mail: ") + ui->Text5->text() + QLatin1Char('\n') +
                             QStringLiteral("Poznámka: ") + ui->Text6->toPlainText() + QLatin1Char('\n');
    if (!messages::question(this, QStringLiteral("Přidání lidí"), question))
        return;

    Data1->addNew();
    BoundField::of(ui->Text10).store(ui->Text2->text());
    BoundField::of(ui->Text11).store(ui->Text3->text());
    BoundField::of(ui->Text12).store(ui->Text4->text());
    BoundField::of(ui->Text13).store(ui->Text5->text());
    BoundField::of(ui->Text14).store(ui->Text6->toPlainText());
    if (!messages::report(this, Data1->updateNew()))
        return; // the entries stay for another try
    messages::information(this, QStringLiteral("Přidání záznamu"), QStringLiteral("Záznam byl úspěšně přidán"));
    ui->Text2->clear();
    ui->Text3->clear();
    ui->Text4->clear();
    ui->Text5->clear();
    ui->Text6->clear();
    // The next person is typed here too: the window stays where the user is.
    activateWindow();
    ui->Text2->setFocus();
}

void Form4::Command1_Click()
{
    close();
}
