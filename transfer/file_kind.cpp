#include "transfer/file_kind.h"

#include <QByteArray>
#include <QIODevice>

namespace filekind {

Kind of(QIODevice& file)
{
    const QByteArray head = file.peek(8);
    if (head.startsWith("PK\x03\x04"))
        return Kind::Zip;
    if (head.startsWith("\xD0\xCF\x11\xE0"))
        return Kind::OldExcel;
    return Kind::Text;
}

} // namespace filekind
