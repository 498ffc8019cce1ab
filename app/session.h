#pragma once

#include <QString>

#include <functional>

// The program's windows on the register (its path as messages name it), from its opening to the last window closed; the
// exit status. A damaged register offers its newest whole copy: when it is chosen, it is
// restored once every window and connection is closed, and the program is started again on
// it by startAgain (false when it could not be).
int runWindows(const QString& registerPath, const std::function<bool()>& startAgain);
