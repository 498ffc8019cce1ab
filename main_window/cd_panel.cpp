// The CD list with its search, filter, sort and pick, and the frame "Informace o CD".
#include "form1.h"

#include "ui_form1.h"

#include "bound_grid.h"
#include "messages.h"
#include "record_source.h"

void Form1::connectCdPanel()
{
    connect(m_grid1, &BoundGrid::picked, this, &Form1::MSFlexGrid1_Click);
    connect(ui->CmbDalsi, &QPushButton::clicked, this, &Form1::CmbDalsi_Click);
    connect(ui->CmbPredchozi, &QPushButton::clicked, this, &Form1::CmbPredchozi_Click);
    connect(ui->TxtHledejCd, &QLineEdit::textChanged, this, &Form1::TxtHledejCd_Change);
    connect(ui->OptVzestupneCd, &QRadioButton::clicked, this, &Form1::OptVzestupneCd_Click);
    connect(ui->OptSestupneCd, &QRadioButton::clicked, this, &Form1::OptSestupneCd_Click);
    connect(ui->CmbSetridCd, &QPushButton::clicked, this, &Form1::CmbSetridCd_Click);
    connect(ui->CmbZobrazVseCd, &QPushButton::clicked, this, &Form1::CmbZobrazVseCd_Click);
    connect(ui->Command14, &QPushButton::clicked, this, &Form1::Command14_Click);
}

// A pick selects every CD of the picked name; the frame shows the first.
void Form1::MSFlexGrid1_Click()
{
    VybraneCd = m_grid1->text();
    Data1->setRecordSource(queries::cdNameEquals(VybraneCd));
    if (!messages::report(this, Data1->refresh()))
        return;
    PocetCd = static_cast<float>(Data1->recordCount());
    ui->LblNadpis1->setText(QStringLiteral("Seznam CD - ") + QString::number(static_cast<qint64>(PocetCd)));
    if (PocetCd > 1) {
        ui->CmbDalsi->show();
        ui->CmbPredchozi->show();
    }
    showYesNoTexts();
}

void Form1::showYesNoTexts()
{
    ui->Text6->setText(ui->Check2->isChecked() ? QStringLiteral("Ano") : QStringLiteral("Ne"));
    ui->Text7->setText(ui->Check1->isChecked() ? QStringLiteral("Ano") : QStringLiteral("Ne"));
}

void Form1::CmbDalsi_Click()
{
    keepTypedTypes();
    if (page(*Data1, true))
        showYesNoTexts();
}

void Form1::CmbPredchozi_Click()
{
    keepTypedTypes();
    if (page(*Data1, false))
        showYesNoTexts();
}

// Paging past either end only beeps; returns whether another record is shown.
bool Form1::page(RecordSource& source, bool forward)
{
    const bool atEnd = forward ? source.absolutePosition() + 1 == source.recordCount() : source.absolutePosition() == 0;
    if (atEnd) {
        messages::beep();
        return false;
    }
    return messages::report(this, forward ? source.moveNext() : source.movePrevious());
}

void Form1::TxtHledejCd_Change()
{
    Data1->setRecordSource(queries::cdNameContains(ui->TxtHledejCd->text()));
    if (messages::report(this, Data1->refresh()))
        ObnovSeznamCd();
}

void Form1::OptVzestupneCd_Click()
{
    SmerTrideniCd = 1;
}

void Form1::OptSestupneCd_Click()
{
    SmerTrideniCd = 2;
}

void Form1::CmbSetridCd_Click()
{
    ObnovSeznamCd();
}

void Form1::CmbZobrazVseCd_Click()
{
    Data1->setRecordSource(QStringLiteral("cd"));
    if (!messages::report(this, Data1->refresh()))
        return;
    ObnovSeznamCd();
    // Emptying a box that held text is a change: the search runs with the empty text.
    ui->TxtHledejCd->setText(QString());
}

// "Filtruj": all CDs, or those whose content type contains the chosen text.
void Form1::Command14_Click()
{
    keepTypedTypes(); // the re-query stores the CD being edited, its types too
    const QString chosen = ui->Combo3->currentText();
    if (chosen == QStringLiteral("Zobrazit vše"))
        Data1->setRecordSource(QStringLiteral("cd"));
    else
        Data1->setRecordSource(queries::cdContentTypeContains(chosen));
    if (messages::report(this, Data1->refresh()))
        ObnovSeznamCd();
}
