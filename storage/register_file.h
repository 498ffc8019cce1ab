#pragma once

#include "core/status.h"

#include <QString>

#include <memory>

class Database;

// Opens the register file at the path, or creates it (built aside and moved in whole, readable
// by its owner only): a connection to a file holding our schema (a register restored from a
// text dump gets its version back). A file that is not a whole register of ours is refused,
// with a Czech message that names it, without being written to; then null, and status says why.
std::unique_ptr<Database> openRegisterFile(const QString& path, Status& status);
