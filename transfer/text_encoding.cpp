#include "transfer/text_encoding.h"

#include "transfer/file_kind.h"

#include <QIODevice>
#include <QStringDecoder>

#include <algorithm>

namespace textencoding {
namespace {

constexpr qint64 chunk = 1 << 20;

// Counts, byte by byte, the valid UTF-8 sequences of more than one byte and the bytes
// that are not UTF-8, with the line of the first of those.
class Utf8Count
{
public:
    qint64 valid = 0;
    qint64 invalid = 0;
    qint64 firstInvalidLine = 0;

    void add(unsigned char byte, qint64 line)
    {
        if (m_need > 0) {
            if (byte >= m_low && byte <= m_high) {
                m_low = 0x80;
                m_high = 0xBF;
                if (--m_need == 0)
                    ++valid;
                return;
            }
            m_need = 0; // the sequence begun is broken; this byte is read anew
            notUtf8(m_leadLine);
        }
        if (byte < 0x80)
            return;
        m_low = 0x80;
        m_high = 0xBF;
        m_leadLine = line;
        // The shortest form only, and no surrogates: what a decoder accepts.
        if (byte >= 0xC2 && byte <= 0xDF) {
            m_need = 1;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            m_need = 2;
            m_low = byte == 0xE0 ? 0xA0 : 0x80;
            m_high = byte == 0xED ? 0x9F : 0xBF;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            m_need = 3;
            m_low = byte == 0xF0 ? 0x90 : 0x80;
            m_high = byte == 0xF4 ? 0x8F : 0xBF;
        } else {
            notUtf8(line);
        }
    }

    // A sequence the end of the file cut short is not UTF-8 either.
    void finish()
    {
        if (m_need > 0)
            notUtf8(m_leadLine);
        m_need = 0;
    }

private:
    void notUtf8(qint64 line)
    {
        if (invalid++ == 0)
            firstInvalidLine = line;
    }

    int m_need = 0;
    unsigned char m_low = 0x80;
    unsigned char m_high = 0xBF;
    qint64 m_leadLine = 0;
};

// Whether the bytes read like UTF-16 without its mark: a NUL beside nearly every other
// byte, at odd places or at even ones, not both (a file of zeros is no text at all).
bool looksLikeUtf16(const QByteArray& bytes)
{
    qsizetype zeros[2] = {0, 0};
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\0')
            ++zeros[i % 2];
    const qsizetype half = bytes.size() / 2;
    return std::max(zeros[0], zeros[1]) * 3 > half * 2 && std::min(zeros[0], zeros[1]) * 10 < half;
}

// A character that text written in a Czech office does not hold, a sign that the bytes were
// read in the wrong encoding: a combining mark (Windows-1250's "VĚŽ" read as UTF-8 is "V" and
// a mark), a C1 control, an unassigned or private character, a byte no encoding maps.
bool implausible(char32_t u)
{
    if ((u >= 0x80 && u <= 0x9F) || u == 0xFFFD)
        return true;
    switch (QChar::category(u)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Other_Surrogate:
        return true;
    default:
        return false;
    }
}

// How many implausible characters each reading of the file gives: UTF-8's and Windows-1250's.
std::pair<qint64, qint64> implausibleReadings(QIODevice& file)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QStringDecoder windows("windows-1250");
    qint64 counts[2] = {0, 0};
    if (!windows.isValid() || !file.seek(0))
        return {0, 1};
    QStringDecoder* decoders[2] = {&utf8, &windows};
    while (true) {
        const QByteArray bytes = file.read(chunk);
        if (bytes.isEmpty())
            break;
        for (int d = 0; d < 2; ++d) {
            const QString text = (*decoders[d])(bytes);
            for (qsizetype i = 0; i < text.size(); ++i) {
                char32_t u = text[i].unicode();
                if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                    u = QChar::surrogateToUcs4(text[i], text[i + 1]);
                    ++i;
                }
                // A mark that makes one letter with the one before it is a decomposed letter
                // (c and a caron: "č", as some programs write it), not a misreading.
                const bool composes = i > 0 && QChar::isMark(u) &&
                                      text.sliced(i - 1, 2).normalized(QString::NormalizationForm_C).size() == 1;
                counts[d] += u >= 0x80 && implausible(u) && !composes;
            }
        }
    }
    return {counts[0], counts[1]};
}

Found refused(const QString& why, qint64 line = 0)
{
    Found found;
    found.refusal = why;
    found.line = line;
    return found;
}

} // namespace

Found examine(QIODevice& file)
{
    if (filekind::of(file) == filekind::Kind::Zip)
        return refused(QStringLiteral("Soubor je sešit tabulkového procesoru (.ods nebo .xlsx), ne text CSV; "
                                      "uložte list jako CSV."));
    if (filekind::of(file) == filekind::Kind::OldExcel)
        return refused(QStringLiteral("Soubor je sešit starého Excelu (.xls), ne text CSV; uložte list jako CSV."));
    const QByteArray head = file.peek(8);
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF"))
        return refused(QStringLiteral("Soubor je v kódování UTF-16; uložte ho jako CSV UTF-8."));
    Found found;
    found.byteOrderMark = head.startsWith("\xEF\xBB\xBF");
    Utf8Count count;
    qint64 line = 1;
    bool afterCr = false;
    bool first = true;
    while (true) {
        const QByteArray bytes = file.read(chunk);
        if (bytes.isEmpty())
            break;
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            if (afterCr && byte != '\n')
                ++line; // a line ended by CR alone
            afterCr = byte == '\r';
            if (byte == '\n')
                ++line;
            if (byte == 0 && first && looksLikeUtf16(bytes))
                return refused(QStringLiteral("Soubor je v kódování UTF-16; uložte ho jako CSV UTF-8."));
            if (byte == 0)
                return refused(QStringLiteral("Bajt NUL: soubor není text tabulky (CSV)."), line);
            count.add(byte, line);
        }
        first = false;
    }
    count.finish();
    found.guessed = !found.byteOrderMark && (count.valid > 0 || count.invalid > 0);
    // Windows-1250 text holds a valid UTF-8 sequence only by chance (an upper-case letter
    // before Š, Ť or Ž: "VĚŽ"); a UTF-8 file with stray bytes holds far more of them.
    // As many of each is a tie no reading can be trusted in.
    if (count.invalid > 0 && (found.byteOrderMark || count.valid >= count.invalid))
        return refused(QStringLiteral("Znak, který není v UTF-8, v jinak UTF-8 souboru. Uložte soubor znovu "
                                      "jako „CSV UTF-8“, nebo celý jako „CSV (oddělený středníkem)“."),
                       count.firstInvalidLine);
    found.encoding = count.invalid > 0 ? Encoding::Windows1250 : Encoding::Utf8;
    // Valid UTF-8 by chance: a short Windows-1250 text whose letters happen to pair into
    // UTF-8 sequences. The reading that gives a Czech office's characters wins; where neither
    // does, the file is refused rather than garbled.
    if (found.guessed && count.invalid == 0) {
        const auto [asUtf8, asWindows] = implausibleReadings(file);
        if (asUtf8 > 0 && asWindows == 0)
            found.encoding = Encoding::Windows1250;
        else if (asUtf8 > 0)
            return refused(QStringLiteral("Kódování souboru nelze určit: nečte se správně jako UTF-8 ani jako "
                                          "Windows-1250. Uložte soubor znovu jako „CSV UTF-8“."));
    }
    return found;
}

QString nameOf(Encoding encoding)
{
    return encoding == Encoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Windows-1250");
}

} // namespace textencoding
