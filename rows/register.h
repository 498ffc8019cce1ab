#pragma once

#include "core/status.h"
#include "rows/kept_rows.h"
#include "storage/database.h"

#include <QString>

#include <memory>

// The register db1.zaz as the program works with it: the connection to a file holding our
// schema (storage/register_file.h), and the rows the lists keep in memory, read through one door.
class Register
{
public:
    ~Register();
    Register(const Register&) = delete;
    Register& operator=(const Register&) = delete;

    // Opens (or creates) the register at the path; on failure returns null and sets status.
    static std::unique_ptr<Register> open(const QString& path, Status& status);

    // The connection to the file.
    Database& db() { return *m_db; }
    // Every record source reads its rows here.
    KeptRows& rows() { return m_rows; }
    // How many rows the query has now.
    Status count(const SourceQuery& query, qint64& result);

private:
    explicit Register(std::unique_ptr<Database> db);

    std::unique_ptr<Database> m_db;
    KeptRows m_rows; // after m_db: gone before the connection closes
};
