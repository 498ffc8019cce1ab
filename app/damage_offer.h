#pragma once

#include <QString>

// Where the register turns out damaged, the newest copy of it that is whole is offered in
// its place (with its day and numbers). Returns the copy the user chose to restore ("Ano");
// empty when there is none or the user answered "Ne" (the program then ends, the file as it is).
QString offerBackup(const QString& registerPath);
