// Lending the CD shown to the person shown ("PŮJČIT").
#include "main_window/form1.h"

#include "ui_form1.h"

#include "binding/record_source.h"
#include "core/field_value.h"
#include "ui_common/messages.h"
#include "widgets/bound_field.h"

void Form1::CmbPujcit_Click()
{
    // The loan is dated when the button is clicked, however long the dialogs stay open.
    DatumVypujcky = QDate::currentDate();
    PoznamkaVypujcky.clear();
    if (ui->Text1->text().isEmpty()) {
        messages::critical(this, QStringLiteral("Chyba"), QStringLiteral("Není vybráno žádné CD"));
        return;
    }
    if (ui->Text9->text().isEmpty()) {
        messages::critical(this, QStringLiteral("Chyba"), QStringLiteral("Není vybráno žádný člověk"));
        return;
    }
    if (messages::question(this, QStringLiteral("Poznámka"), QStringLiteral("Chcete ořidat k této výpujčce poznámku?")))
        PoznamkaVypujcky =
            messages::input(this, QStringLiteral("Zadání poznámky"), QStringLiteral("Zde napište poznámku"));
    const QString confirmation = QStringLiteral("Jsou údaje správně?\nNázev CD: ") + ui->Text2->toPlainText() +
                                 QStringLiteral("\nJméno: ") + ui->Text10->text() + QLatin1Char(' ') +
                                 ui->Text11->text() + QStringLiteral("\nPoznámka: ") + PoznamkaVypujcky;
    if (!messages::question(this, QStringLiteral("Potvrzení zadání"), confirmation))
        return;

    Data3->addNew();
    BoundField::of(ui->TxtDatum).store(fieldvalue::formatDate(DatumVypujcky));
    BoundField::of(ui->TxtIdCd).store(ui->Text1->text());
    BoundField::of(ui->TxtIdCloveka).store(ui->Text9->text());
    BoundField::of(ui->TxtPoznamka).store(PoznamkaVypujcky);
    BoundField::of(ui->TxtIdUzivatele).store(QStringLiteral("1"));
    if (!messages::report(this, Data3->updateNew()))
        return;
    messages::information(this, QStringLiteral("Nová výpujčka"),
                          QStringLiteral("Vypůjčka byla úspěšně zařazena do databáze"));

    Data1->setRecordSource(QStringLiteral("cd"));
    if (messages::report(this, Data1->refresh()))
        ObnovSeznamCd();
    ui->TxtHledejCd->setText(QString());
    Data2->setRecordSource(QStringLiteral("lide"));
    if (messages::report(this, Data2->refresh()))
        ObnovSeznamLidi();
    ui->TxtHledejLidi->setText(QString());
}
