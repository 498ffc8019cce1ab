// libFuzzer target for what the search and the count of discs do with any text:
// the case-ignoring containment of the searches, the reading of a number of
// discs, and the reading and storing of values typed into bound fields.
#include "core/field_value.h"
#include "core/text_match.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // Any piece of a text is found in it, in any letter case of the piece.
    // The piece is whole characters, as a user types them (never half of a surrogate pair).
    qsizetype from = text.isEmpty() ? 0 : static_cast<qsizetype>(data[0]) % (text.size() + 1);
    if (from > 0 && from < text.size() && text[from].isLowSurrogate())
        --from;
    qsizetype length = 7;
    if (from + length < text.size() && text[from + length].isLowSurrogate())
        ++length;
    const QString piece = text.mid(from, length);
    const std::vector<QString> texts = {text, piece, text.left(from), text.toCaseFolded()};
    textmatch::FoldedTexts folded;
    folded.update(texts);
    check(folded.containing(texts, piece)[0] && folded.containing(texts, QString())[0]);
    check(folded.containing(texts, piece.toCaseFolded())[3]);
    // The search decides exactly as Qt's own case-insensitive search, for pieces cut
    // anywhere (half of a surrogate pair too).
    for (const QString& part : {piece, piece.toCaseFolded(), piece.toUpper(), text.mid(from, 2), text.right(3), text}) {
        const std::vector<char> found = folded.containing(texts, part);
        for (size_t i = 0; i < texts.size(); ++i)
            check((found[i] != 0) == (!texts[i].isNull() && texts[i].contains(part, Qt::CaseInsensitive)));
    }

    // A count is accepted only as a whole number in range, and stores as that number.
    const fieldvalue::WholeNumber count = fieldvalue::parseDiscCount(text);
    if (count.ok) {
        check(count.message.isEmpty());
        check(count.value >= std::numeric_limits<qint32>::min() && count.value <= std::numeric_limits<qint32>::max());
        QVariant stored;
        check(
            fieldvalue::toStored(FieldKind::Integer, QStringLiteral("pocetdisku"), QString::number(count.value), stored)
                .ok());
        check(stored.toLongLong() == count.value);
    } else {
        check(!count.message.isEmpty());
    }

    // Values typed into bound fields either convert or are refused with a message; dates read back.
    for (FieldKind kind : {FieldKind::Text, FieldKind::Integer, FieldKind::Boolean, FieldKind::Date}) {
        QVariant stored;
        const Status s = fieldvalue::toStored(kind, QStringLiteral("pole"), text, stored);
        check(s.ok() || !s.message().isEmpty());
        if (s.ok() && kind == FieldKind::Date && !stored.isNull())
            check(fieldvalue::parseDate(fieldvalue::display(FieldKind::Date, stored.toString())).isValid());
    }
    return 0;
}
