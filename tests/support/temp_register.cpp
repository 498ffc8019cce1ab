#include "temp_register.h"

#include <gtest/gtest.h>

TempRegister::TempRegister()
{
    Status status = Status::success();
    m_register = Register::open(path(), status);
    if (!m_register) {
        ADD_FAILURE() << status.message().toStdString();
        return;
    }
    // Discs are numbered from 101, people from 201 and loans from 301: an id taken from the
    // wrong table never matches by chance.
    exec(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES ('cd', 100), ('lide', 200), "
                        "('pujcovani', 300)"));
}

void TempRegister::exec(const QString& sql)
{
    const Status s = m_register->db().exec(sql);
    ASSERT_TRUE(s.ok()) << s.message().toStdString() << "\n" << sql.toStdString();
}

QString TempRegister::value(const QString& sql)
{
    const QStringList all = rows(sql);
    return all.isEmpty() ? QString() : all.first().section(QLatin1Char('|'), 0, 0);
}

QStringList TempRegister::rows(const QString& sql)
{
    Statement statement(m_register->db().handle(), sql);
    EXPECT_TRUE(statement.status().ok()) << statement.status().message().toStdString();
    QStringList result;
    while (statement.step() == Statement::Step::Row) {
        QStringList columns;
        for (int c = 0; c < statement.columnCount(); ++c)
            columns << (statement.isNull(c) ? QStringLiteral("NULL") : statement.columnText(c));
        result << columns.join(QLatin1Char('|'));
    }
    return result;
}

qint64 TempRegister::addCd(const QString& name, const QString& contentType)
{
    const Status s = m_register->db().execute(
        QStringLiteral("INSERT INTO cd (nazev, pocetdisku, typdisku, typobsahu, popis, original) "
                       "VALUES (?, 1, 'CD', ?, '', 0)"),
        {name, contentType});
    EXPECT_TRUE(s.ok()) << s.message().toStdString();
    return m_register->db().lastInsertRowId();
}

qint64 TempRegister::addPerson(const QString& firstName, const QString& surname)
{
    const Status s = m_register->db().execute(
        QStringLiteral("INSERT INTO lide (jmeno, prijmeni, telefon, email, poznamka) VALUES (?, ?, '', '', '')"),
        {firstName, surname});
    EXPECT_TRUE(s.ok()) << s.message().toStdString();
    return m_register->db().lastInsertRowId();
}

qint64 TempRegister::addLoan(qint64 cd, qint64 person, const QString& note)
{
    const Status s = m_register->db().execute(
        QStringLiteral("INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, poznamka, iduzivatele) "
                       "VALUES ('2026-01-15', ?, ?, ?, 1)"),
        {cd, person, note});
    EXPECT_TRUE(s.ok()) << s.message().toStdString();
    return m_register->db().lastInsertRowId();
}
