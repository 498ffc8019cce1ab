#pragma once

#include <QString>

// Czech first names as a letter addresses them.
namespace czechnames {

// The vocative of a common Czech first name ("Jana" → "Jano", "Petr" → "Petře", "Jiří" →
// "Jiří"), spelled as the name was; empty when the program cannot be sure of it (a name it
// does not know, two names, initials), and then a letter greets without the name.
QString vocative(const QString& firstName);

} // namespace czechnames
