#include "rows/register.h"

#include "storage/register_file.h"

Register::Register(std::unique_ptr<Database> db) : m_db(std::move(db)), m_rows(*m_db) {}

Register::~Register() = default;

std::unique_ptr<Register> Register::open(const QString& path, Status& status)
{
    std::unique_ptr<Database> db = openRegisterFile(path, status);
    return db ? std::unique_ptr<Register>(new Register(std::move(db))) : nullptr;
}
