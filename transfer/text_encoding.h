#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// What a file handed to an import is, found by reading it once from its start (memory
// flat in its size): a spreadsheet's text and its encoding, or why it is not one.
namespace textencoding {

enum class Encoding { Utf8, Windows1250 };

struct Found
{
    QString refusal; // not empty: the file cannot be read as text, in one Czech sentence
    qint64 line = 0; // the line the refusal is about (0: the file as a whole)
    Encoding encoding = Encoding::Utf8;
    bool byteOrderMark = false; // UTF-8's mark begins the file (it is not part of the text)
    bool guessed = false;       // letters beyond ASCII and no mark: the encoding was decided from them
};

// Decides as a careful reader would: a byte order mark, or valid UTF-8 with at least one
// letter beyond ASCII, is UTF-8; plain ASCII is either (read as UTF-8); a file that is not
// valid UTF-8 is Windows-1250, unless its valid UTF-8 sequences outnumber the bytes that
// are not (a UTF-8 file with stray bytes, refused naming the line of the first). A NUL
// byte, a ZIP container (.ods, .xlsx) or UTF-16 is refused at once.
Found examine(QIODevice& file);

// The name of the encoding as the user knows it ("UTF-8", "Windows-1250").
QString nameOf(Encoding encoding);

} // namespace textencoding
