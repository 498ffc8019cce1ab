// The people list with its search, sort and pick, and the frame "Informace o lidech".
#include "form1.h"

#include "ui_form1.h"

#include "bound_grid.h"
#include "messages.h"
#include "record_source.h"

void Form1::connectPeoplePanel()
{
    connect(m_grid2, &BoundGrid::picked, this, &Form1::MSFlexGrid2_Click);
    connect(ui->CmbDalsiLidi, &QPushButton::clicked, this, &Form1::CmbDalsiLidi_Click);
    connect(ui->CmbPredchoziLidi, &QPushButton::clicked, this, &Form1::CmbPredchoziLidi_Click);
    connect(ui->TxtHledejLidi, &QLineEdit::textChanged, this, &Form1::TxtHledejLidi_Change);
    connect(ui->OptVzestupneLidi, &QRadioButton::clicked, this, &Form1::OptVzestupneLidi_Click);
    connect(ui->OptSestupneLidi, &QRadioButton::clicked, this, &Form1::OptSestupneLidi_Click);
    connect(ui->CmbSetridLidi, &QPushButton::clicked, this, &Form1::CmbSetridLidi_Click);
    connect(ui->CmbZobrazVseLide, &QPushButton::clicked, this, &Form1::CmbZobrazVseLide_Click);
}

// A pick selects the person by id, whichever visible column of the row was clicked.
void Form1::MSFlexGrid2_Click()
{
    bool isNumber = false;
    const qint64 id = m_grid2->text().toLongLong(&isNumber);
    if (!isNumber)
        return; // no person's id under the click: nothing to pick
    VybranyClovek = id;
    Data2->setRecordSource(queries::idEquals(QStringLiteral("lide"), QStringLiteral("idcloveka"), VybranyClovek));
    if (!messages::report(this, Data2->refresh()))
        return;
    PocetLidi = static_cast<float>(Data2->recordCount());
    ui->LblNadpis2->setText(QStringLiteral("Seznam Lidí - ") + QString::number(static_cast<qint64>(PocetLidi)));
    if (PocetLidi > 1) {
        ui->CmbDalsiLidi->show();
        ui->CmbPredchoziLidi->show();
    }
}

void Form1::CmbDalsiLidi_Click()
{
    page(*Data2, true);
}

void Form1::CmbPredchoziLidi_Click()
{
    page(*Data2, false);
}

void Form1::TxtHledejLidi_Change()
{
    Data2->setRecordSource(queries::peopleNameContains(ui->TxtHledejLidi->text()));
    if (messages::report(this, Data2->refresh()))
        ObnovSeznamLidi();
}

void Form1::OptVzestupneLidi_Click()
{
    SmerTrideniLidi = 1;
}

void Form1::OptSestupneLidi_Click()
{
    SmerTrideniLidi = 2;
}

void Form1::CmbSetridLidi_Click()
{
    ObnovSeznamLidi();
}

void Form1::CmbZobrazVseLide_Click()
{
    Data2->setRecordSource(QStringLiteral("lide"));
    if (!messages::report(this, Data2->refresh()))
        return;
    ObnovSeznamLidi();
    ui->TxtHledejLidi->setText(QString());
}
