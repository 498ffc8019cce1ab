// The people list with its search, sort and pick, and the frame "Informace o lidech".
#include "main_window/form1.h"

#include "ui_form1.h"

#include "binding/record_source.h"
#include "ui_common/messages.h"
#include "widgets/bound_grid.h"

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
    if (requery(m_people, queries::idEquals(QStringLiteral("lide"), QStringLiteral("idcloveka"), VybranyClovek)))
        PocetLidi = static_cast<float>(showCount(m_people, QStringLiteral("Seznam Lidí - "), true));
}

void Form1::CmbDalsiLidi_Click()
{
    page(m_people, true);
}

void Form1::CmbPredchoziLidi_Click()
{
    page(m_people, false);
}

void Form1::TxtHledejLidi_Change()
{
    if (requery(m_people, queries::peopleNameContains(ui->TxtHledejLidi->text())))
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
    showAll(m_people);
}
