// Reading a typed number of discs: one reading, the same in every window and whatever
// the system's locale, refusals in Czech naming the field as the windows do.
#include "core/field_value.h"
#include "qt_printers.h"

#include <QLocale>

#include <gtest/gtest.h>

TEST(FieldValue, ADiscCountIsReadTheSameWhateverTheLocale)
{
    struct Case
    {
        const char* typed;
        qint64 stored;       // when accepted
        const char* refusal; // null: accepted
    };
    const char* const range = "Počet disků musí být celé číslo od -2147483648 do 2147483647";
    const Case cases[] = {
        {"pět", 0, "Počet disků musí být číslo"},
        {"", 0, "Počet disků musí být číslo"},
        {"NaN", 0, "Počet disků musí být číslo"},
        {"0x10", 0, "Počet disků musí být číslo"},
        {"1 2", 0, "Počet disků musí být číslo"},
        {"2,5", 0, "Počet disků musí být celé číslo"},
        {"2.5", 0, "Počet disků musí být celé číslo"},
        {"2.5e-1", 0, "Počet disků musí být celé číslo"},
        {"1e20", 0, range},
        {"99999999999", 0, range},
        {"-5000000000", 0, range},
        {"2147483648", 0, range},
        {"-2147483649", 0, range},
        {"2147483647", 2147483647, nullptr},
        {"-2147483648", -2147483648LL, nullptr},
        {"0", 0, nullptr},
        {"-3", -3, nullptr},
        {" +4 ", 4, nullptr},
        {"1e3", 1000, nullptr},
        {"2,0", 2, nullptr},
    };
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Czech)}) {
        QLocale::setDefault(locale);
        for (const Case& c : cases) {
            const fieldvalue::WholeNumber count = fieldvalue::parseDiscCount(QString::fromUtf8(c.typed));
            EXPECT_EQ(count.ok, c.refusal == nullptr) << c.typed;
            EXPECT_EQ(count.ok ? count.value : 0, c.stored) << c.typed;
            EXPECT_EQ(count.message, QString::fromUtf8(c.refusal ? c.refusal : "")) << c.typed;

            // The record source refuses what is stored unchecked with the same words.
            QVariant stored;
            const Status s = fieldvalue::toStored(FieldKind::Integer, QStringLiteral("pocetdisku"),
                                                  QString::fromUtf8(c.typed), stored);
            if (c.refusal && *c.typed) {
                EXPECT_EQ(s.message(), QString::fromUtf8(c.refusal)) << c.typed;
            }
        }
    }
}
