#pragma once

#include "ui_common/program_window.h"
#include "ui_common/window_registry.h"

#include <QDate>
#include <QHash>
#include <QWidget>

#include <memory>

class BoundField;
class BoundGrid;
class QLabel;
class QLineEdit;
class QPushButton;
class Register;
class RecordSource;
class StartReading;
class Status;
class UndoHistory;
struct SourceQuery;

namespace Ui {
class Form1;
}

// The main window "PŮJČOVÁNÍ CD": the CD list and the people list with their
// detail panels, and the buttons that lend, open the other windows and end
// the program.
class Form1 : public ProgramWindow
{
    Q_OBJECT

public:
    explicit Form1(Register& reg, QWidget* parent = nullptr);
    ~Form1() override;

    // The other windows of the program opened from this one.
    WindowRegistry& windows() { return m_windows; }
    // Whether both lists hold every row (not only the first rows shown while the rest is read).
    bool holdsEveryRow() const { return !m_showingFirstRows; }

Q_SIGNALS:
    // Both lists hold every row now.
    void everyRowRead();

public:
    // Re-sorts the CD list, counts it in its heading, empties the CD panel and hides its paging.
    void ObnovSeznamCd();
    // The same for the people list.
    void ObnovSeznamLidi();
    // Disables the controls that must not be used while a record is edited.
    void ZamkniOkno();
    // Enables them again.
    void OdemkniOkno();
    // Empties the CD panel's fields on screen (never stored).
    void VymazPoleCd();
    // Empties the people panel's fields on screen (never stored).
    void VymazPoleLidi();

protected:
    void Form_Activate() override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void takeReadRows();
    void watchInput(bool watch);
    void CmbKonec_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void CmbPujcit_Click();
    qint64 countLoans(const SourceQuery& loans);
    void showHistory(const SourceQuery& loans, const QString& heading);
    void showHistoryOf(const QString& idText, const QString& column, const QString& neverLent, const QString& heading);

    // CD list panel.
    void connectCdPanel();
    void MSFlexGrid1_Click();
    void CmbDalsi_Click();
    void CmbPredchozi_Click();
    void TxtHledejCd_Change();
    void OptVzestupneCd_Click();
    void OptSestupneCd_Click();
    void CmbSetridCd_Click();
    void CmbZobrazVseCd_Click();
    void Command14_Click();
    void showYesNoTexts();

    // What the CD list and the people list have alike: a record source shown by a grid under
    // a count heading, a search box and paging buttons; the handlers named after the
    // window's controls do their panel's work through it.
    struct ListPanel
    {
        RecordSource* source;
        BoundGrid* grid;
        QLabel* heading;
        QLineEdit* search;
        QPushButton* previous;
        QPushButton* next;
        QString table;
        void (Form1::*refreshList)(); // ObnovSeznamCd or ObnovSeznamLidi
    };
    // Counts the panel's rows into its heading ("Seznam CD - 3"); shows the paging when asked
    // and there is more than one row; returns the count.
    int showCount(ListPanel& panel, const QString& heading, bool paging);
    // Sorts the list by its names in the direction, counts it and hides the paging.
    int sortAndCount(ListPanel& panel, quint8 direction, const QString& heading);
    // Sets the panel's source and re-queries; false when the database refused (reported).
    bool requery(ListPanel& panel, const SourceQuery& query);
    // "Zobraz vše": the whole table, and the search box emptied (which searches again).
    void showAll(ListPanel& panel);
    // Paging past either end only beeps; returns whether another record is shown.
    bool page(ListPanel& panel, bool forward);

    // People list panel.
    void connectPeoplePanel();
    void MSFlexGrid2_Click();
    void CmbDalsiLidi_Click();
    void CmbPredchoziLidi_Click();
    void TxtHledejLidi_Change();
    void OptVzestupneLidi_Click();
    void OptSestupneLidi_Click();
    void CmbSetridLidi_Click();
    void CmbZobrazVseLide_Click();

    // Editing and deletion.
    void connectEditing();
    void Command10_Click();
    void Command11_Click();
    void Command12_Click();
    void Command13_Click();
    void Command4_Click();
    void Command5_Click();
    void setWindowLocked(bool locked);
    void deleteShown(ListPanel& panel, const QString& idText, const QString& title, const QString& name);
    void showTypesForEditing();
    void showCdEditControls(bool editing);
    void keepTypedTypes();
    void focusRefusedCount();
    bool refusesEditedCount();
    bool finishCdEditing(bool announce);
    void finishPersonEditing(bool announce);
    void endEditing(ListPanel& panel, bool shown, bool announce);

    void nameForScreenReaders();
    void setReadingOrder();
    void bindFields();
    void fillLists();

    std::unique_ptr<Ui::Form1> ui;
    Register& m_register;
    RecordSource* Data1;
    RecordSource* Data2;
    RecordSource* Data3;
    UndoHistory* m_history;          // what the window, its windows and its menu changed, for Zpět and Znovu
    StartReading* m_start;           // the lists' rows read while the window is made
    bool m_showingFirstRows = false; // the lists show their first rows while the rest is read
    BoundGrid* m_grid1 = nullptr;    // MSFlexGrid1, the CD list
    BoundGrid* m_grid2 = nullptr;    // MSFlexGrid2, the people list
    ListPanel m_cds{};
    ListPanel m_people{};
    bool m_editingCd = false;     // the CD panel is being edited
    bool m_editingPerson = false; // the people panel is being edited
    WindowRegistry m_windows;

    // Window state.
    quint8 SmerTrideniCd = 1;   // 1 ascending, 2 descending
    quint8 SmerTrideniLidi = 1; // 1 ascending, 2 descending
    float PocetCd = 0;          // rows last counted into the CD heading
    float PocetLidi = 0;        // rows last counted into the people heading
    QString VybraneCd;          // the name last picked in the CD grid
    qint64 VybranyClovek = 0;   // the person id last picked (whole number: ids outgrow a float's precision)
    QDate DatumVypujcky;        // the date of the loan being made
    QString PoznamkaVypujcky;   // the note of the loan being made
};
