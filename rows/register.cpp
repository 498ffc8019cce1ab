#include "rows/register.h"

#include "storage/register_file.h"

Register::Register(std::unique_ptr<Database> db) : m_db(std::move(db)), m_rows(*m_db) {}

Register::~Register() = default;

Status Register::count(const SourceQuery& query, qint64& result)
{
    return m_db->queryInt(QStringLiteral("SELECT count(*) FROM (%1)").arg(query.sql()), result, query.params);
}

std::unique_ptr<Register> Register::open(const QString& path, Status& status)
{
    std::unique_ptr<Database> db = openRegisterFile(path, status);
    return db ? std::unique_ptr<Register>(new Register(std::move(db))) : nullptr;
}
