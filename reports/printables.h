#pragma once

#include "core/status.h"
#include "reports/list_report.h"
#include "reports/reminders.h"

#include <QString>

#include <optional>
#include <vector>

class Database;

// Everything that prints, in one table: the lists, those grouped by borrower, the reminders
// and the overview. The dialog
// "Tisk", the print job and the command line ask it what a name is, how it is offered and
// written; nothing else compares the names.
namespace printables {

enum class Form { List, Letters, Overview, Borrowers };

struct Printable
{
    QString name; // as the command line and the settings name it ("cd", "upominky")
    Form form;
    QString option; // the dialog's option, with its accelerator
    QString object; // the option's object name
    QString stem;   // the start of the name a PDF of it is proposed with
    bool takesDays; // the days out that count as too long
    bool asShown;   // may be printed as the window shows it (the window's keys)
};

// Of a list grouped by borrower (Form::Borrowers): the days out that count, where it takes them.
std::optional<int> daysOf(const Printable& printable, int days);

// In the order the dialog offers them.
const std::vector<Printable>& all();
// The one named so, or nullptr.
const Printable* find(const QString& name);
// The names, for a message saying what may be given.
QStringList names();

// What a PDF of one is written from.
struct Input
{
    exportrows::Choice choice;
    // The window's, where asShown (else the register's rows); the people ticked, of the reminders.
    const std::vector<qint64>* keys = nullptr;
    reminders::Owner owner;
};

// Writes it as a PDF file. nameless: of the reminders, the borrowers left without a letter.
Status writePdf(Database& db, const QString& name, const QString& path, const Input& input,
                const listreport::Watch& watch = nullptr, qint64* nameless = nullptr);

} // namespace printables
