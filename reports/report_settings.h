#pragma once

#include "reports/reminders.h"

// What the user chose once for the reports and the program keeps in the user's settings
// (~/.config/Ordisk/Ordisk.conf): the owner's lines on the reminders, and the days after
// which a disc counts as lent too long.
namespace reportsettings {

reminders::Owner owner();
// Whether the user has entered the owner's lines (even left empty).
bool ownerEntered();
void setOwner(const reminders::Owner& owner);

// The days asked last (30 until the user chooses).
int days();
void setDays(int days);

} // namespace reportsettings
