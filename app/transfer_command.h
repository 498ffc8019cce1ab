#pragma once

#include <QString>

// The command line's --export and --import: run in the current folder's register
// (db1.zaz), with no window and no display; what they say goes to standard output and
// standard error. Each returns the program's exit status.
namespace transfercommand {

// Writes the table or saved query as CSV to the file, or to standard output when file is empty.
int exportList(const QString& what, const QString& file);
// Adds the file's rows as discs or people; with dryRun only checks them.
int importList(const QString& what, const QString& file, bool dryRun);

} // namespace transfercommand
