#pragma once

#include <QString>

// A failure of the operating system (an errno value) in Czech: in words for those a user can
// mend, any other by the system's own name and number; empty for none (0).
QString systemErrorText(int error);

// SQLite's or a library's own English words, for a bug report: written to standard error
// only when the environment variable ORDISK_DEBUG is set, so that a user reads the Czech
// message alone.
void libraryWords(const QString& words);
