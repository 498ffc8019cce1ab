#pragma once

#include <QString>

// The command line's --export, --import, --backup and --restore: run on the register at registerPath (an
// absolute path), with no window and no display; what they say goes to standard output and
// standard error. A file "-" is standard input or output. Each returns the program's exit status.
namespace transfercommand {

// Writes the table or saved query as CSV to the file, or to standard output when file is empty or "-".
int exportList(const QString& what, const QString& file, const QString& registerPath);
// Adds the file's rows as discs or people; with dryRun only checks them. Rows whose key and
// name are a row of the register already refuse the file, unless allowDuplicates.
int importList(const QString& what, const QString& file, bool dryRun, bool allowDuplicates,
               const QString& registerPath);
// Writes a copy of the register to the file, or into its folder of backups when file is empty.
int backUp(const QString& file, const QString& registerPath);
// Replaces the register with a copy of the file (a whole register of ours), keeping it in zalohy/.
int restore(const QString& file, const QString& registerPath);

} // namespace transfercommand
