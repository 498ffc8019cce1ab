#include "entry_windows/form3.h"

#include "ui_common/fixed_window.h"
#include "ui_form3.h"

#include "binding/record_source.h"
#include "core/field_value.h"
#include "core/new_records.h"
#include "core/value_lists.h"
#include "ui_common/messages.h"
#include "widgets/bound_field.h"

Form3::Form3(Register& reg, UndoHistory* history, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::Form3>()), Data1(new RecordSource(reg, QStringLiteral("cd"), this))
{
    Data1->setHistory(history);
    ui->setupUi(this);
    makeFixedWindow(this);
    ui->CD->hide(); // the record's own fields: the insert writes through them, the user never sees them
    BoundField::bind(*Data1, {{"idcd", ui->Text1},
                              {"nazev", ui->Text2},
                              {"pocetdisku", ui->Text3},
                              {"typdisku", ui->Text4},
                              {"typobsahu", ui->Text5},
                              {"popis", ui->Text8},
                              {"original", ui->Check1}});
    connect(ui->Command2, &QPushButton::clicked, this, &Form3::Command2_Click);
    connect(ui->Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    Form_Load();
}

Form3::~Form3() = default;

void Form3::Form_Load()
{
    ui->Combo1->addItems(valuelists::discTypes());
    ui->Combo1->setCurrentIndex(-1);
    ui->Combo2->addItems(valuelists::contentTypes());
    ui->Combo2->setCurrentIndex(-1);
    // The window only adds discs: it needs the table's fields, not its rows.
    Data1->setRecordSource(queries::none(QStringLiteral("cd")));
    messages::report(this, Data1->refresh());
}

// "PŘIDAT": the checks in order, the first failing one reported; then confirm and store.
void Form3::Command2_Click()
{
    const QString original = ui->Check2->isChecked() ? QStringLiteral("Ano") : QStringLiteral("Ne");
    // A refusal leaves the user in the box refused.
    auto refuse = [this](QWidget* box, const QString& text) {
        messages::critical(this, QStringLiteral("Chyba"), text);
        box->setFocus();
    };
    const QHash<QString, QWidget*> boxes = {{QStringLiteral("pocetdisku"), ui->Text10},
                                            {QStringLiteral("typdisku"), ui->Combo1},
                                            {QStringLiteral("typobsahu"), ui->Combo2},
                                            {QStringLiteral("nazev"), ui->Text9}};
    const newrecords::Refusal refusal = newrecords::checkDisc({{QStringLiteral("pocetdisku"), ui->Text10->text()},
                                                               {QStringLiteral("typdisku"), ui->Combo1->currentText()},
                                                               {QStringLiteral("typobsahu"), ui->Combo2->currentText()},
                                                               {QStringLiteral("nazev"), ui->Text9->toPlainText()}});
    if (!refusal.ok())
        return refuse(boxes.value(refusal.field), refusal.message);
    const fieldvalue::WholeNumber count = fieldvalue::parseDiscCount(ui->Text10->text());
    const QStringList lines = {
        QStringLiteral("Přejete si přidat nové cd?"),
        QStringLiteral("Název: ") + ui->Text9->toPlainText(),
        QStringLiteral("Počet disků: ") + ui->Text10->text(),
        QStringLiteral("Typ disku: ") + ui->Combo1->currentText(),
        QStringLiteral("Typ obsahu: ") + ui->Combo2->currentText(),
        QStringLiteral("Popis: ") + ui->Text14->toPlainText(),
        QStringLiteral("Originál: ") + original,
    };
    if (!messages::question(this, QStringLiteral("Přidání CD"), lines.join(QLatin1Char('\n'))))
        return;

    Data1->addNew();
    BoundField::of(ui->Text2).store(ui->Text9->toPlainText());
    BoundField::of(ui->Text3).store(QString::number(count.value)); // the number meant, not the form typed
    BoundField::of(ui->Text4).store(ui->Combo1->currentText());
    BoundField::of(ui->Text5).store(ui->Combo2->currentText());
    BoundField::of(ui->Text8).store(ui->Text14->toPlainText());
    BoundField::of(ui->Check1).store(ui->Check2->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    if (!messages::report(this, Data1->updateNew()))
        return; // the entries stay for another try
    messages::information(this, QStringLiteral("Přidání záznamu"), QStringLiteral("Záznam byl úspěšně přidán"));
    ui->Text9->clear();
    ui->Text10->clear();
    ui->Text14->clear();
    ui->Check2->setChecked(false);
    // The next disc is added here too: the window stays where the user is, as it opened.
    activateWindow();
    ui->Check2->setFocus();
}

void Form3::Command1_Click()
{
    close();
}
