#pragma once

#include <QString>

#include <sys/types.h>

// Where a door of the program may write a file: never over the register it works with,
// whatever name or link leads there, nor over its journal or a file the program has open,
// nor into a device, a pipe or a socket. Every writer of a file (a backup, a list, a PDF)
// asks before it writes, and so may the window before it begins.
namespace filetargets {

// Why the register's copy, a list or a PDF (what, in the accusative) must not be written to
// the path; empty when the path may take it. Files are told apart by device and inode.
QString refusedTarget(const QString& registerPath, const QString& path, const QString& what);

// Whether two paths name one file (by device and inode, through links), or, where it is not
// there yet, one name in one folder.
bool isSameFile(const QString& a, const QString& b);

// Why the file at the path could not be read or written, the system's error being given, in
// Czech, as the end of a sentence: "je to složka, ne soubor", "složka X neexistuje", or the
// system's own reason.
QString problem(const QString& path, int error);

// What a thing of that mode is, in words ("soubor", "roura", "zařízení"…).
QString kindOf(mode_t mode);

} // namespace filetargets
