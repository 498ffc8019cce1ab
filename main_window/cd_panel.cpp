// The CD list with its search, filter, sort and pick, and the frame "Informace o CD".
#include "main_window/form1.h"

#include "ui_form1.h"

#include "binding/record_source.h"
#include "ui_common/messages.h"
#include "widgets/bound_grid.h"

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
    if (!requery(m_cds, queries::cdNameEquals(VybraneCd)))
        return;
    PocetCd = static_cast<float>(showCount(m_cds, QStringLiteral("Seznam CD - "), true));
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
    if (page(m_cds, true))
        showYesNoTexts();
}

void Form1::CmbPredchozi_Click()
{
    keepTypedTypes();
    if (page(m_cds, false))
        showYesNoTexts();
}

void Form1::TxtHledejCd_Change()
{
    if (requery(m_cds, queries::cdNameContains(ui->TxtHledejCd->text())))
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
    showAll(m_cds);
}

// "Filtruj": all CDs, or those whose content type contains the chosen text.
void Form1::Command14_Click()
{
    keepTypedTypes(); // the re-query stores the CD being edited, its types too
    const QString chosen = ui->Combo3->currentText();
    if (requery(m_cds, chosen == QStringLiteral("Zobrazit vše") ? queries::all(QStringLiteral("cd"))
                                                                : queries::cdContentTypeContains(chosen)))
        ObnovSeznamCd();
}
