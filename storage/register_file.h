#pragma once

#include "core/status.h"

#include <QString>

#include <memory>

class Database;

// How many discs, people and loans a register holds, as its messages tell them.
struct RegisterCounts
{
    qint64 discs = 0;
    qint64 people = 0;
    qint64 loans = 0;
};

// Counts the rows of the register's three tables; reads only.
Status countRegister(Database& db, RegisterCounts& counts);

// Opens the register file at the path, or creates it (built aside and moved in whole, readable
// by its owner only): a connection to a file holding our schema (a register restored from a
// text dump gets its version back). A file that is not a whole register of ours is refused,
// with a Czech message that names it, without being written to; then null, and status says why.
std::unique_ptr<Database> openRegisterFile(const QString& path, Status& status);

// Says that a program works on the register, so that a restore never replaces it under a
// running copy of the program: every copy of the program holds it shared while it has the
// register open, a restore holds it alone. An advisory lock (flock) on the register file,
// apart from SQLite's own locks; its descriptor stays open while held (closing one of the
// register's descriptors would drop SQLite's locks), so it must outlive the connections.
class RegisterInUse
{
public:
    // Null when another program holds it so that it cannot be had now (or the file cannot
    // be opened; a missing file is held by nobody: then a holder of nothing is returned).
    static std::unique_ptr<RegisterInUse> take(const QString& path, bool alone);
    ~RegisterInUse();
    RegisterInUse(const RegisterInUse&) = delete;
    RegisterInUse& operator=(const RegisterInUse&) = delete;

private:
    explicit RegisterInUse(int fd) : m_fd(fd) {}
    int m_fd;
};
