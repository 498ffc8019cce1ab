#pragma once

#include <QString>

// The command line's --export, --import, --backup and --restore: run on the register at registerPath (an
// absolute path), with no window and no display; what they say goes to standard output and
// standard error. A file "-" is standard input or output. Each returns the program's exit status.
namespace transfercommand {

// Whether a file's name asks for a PDF (its pages are painted: the program needs a
// QGuiApplication, on the offscreen platform when there is no display).
bool isPdf(const QString& file);

// What --export may be given, as a sentence ("cd, lide, … nebo prehled").
QString exportable();

// Writes the list to the file in the format its name asks for (.pdf, .xlsx, .ods, else CSV),
// or as CSV to standard output when file is empty or "-"; the discs lent too long ("dlouho")
// are those out more than days.
int exportList(const QString& what, const QString& file, int days, const QString& registerPath);
// How --import is asked to add.
struct ImportChoices
{
    bool dryRun = false;          // only check the file
    bool allowDuplicates = false; // rows already in the register are added again
    bool ignoreColumns = false;   // columns the register has no field for are left out
};

// Adds the file's rows as discs or people; on a dry run only checks them. Rows already in the
// register (by key and name, or by every value) refuse the file, unless allowed.
int importList(const QString& what, const QString& file, const ImportChoices& choices, const QString& registerPath);
// Writes a copy of the register to the file, or into its folder of backups when file is empty.
int backUp(const QString& file, const QString& registerPath);
// Replaces the register with a copy of the file (a whole register of ours), keeping it in zalohy/.
int restore(const QString& file, const QString& registerPath);

} // namespace transfercommand
