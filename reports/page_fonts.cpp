#include "reports/page_fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace pagefonts {
namespace {

QString family()
{
    static const QString loaded = [] {
        const QString folder = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
        QString found;
        for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"}) {
            const int id = QFontDatabase::addApplicationFont(folder + QString::fromLatin1(file));
            if (id >= 0 && found.isEmpty())
                found = QFontDatabase::applicationFontFamilies(id).value(0);
        }
        return found.isEmpty() ? QStringLiteral("DejaVu Sans") : found;
    }();
    return loaded;
}

} // namespace

QFont font(qreal points, bool bold)
{
    QFont result(family());
    result.setStyleHint(QFont::SansSerif);
    result.setPointSizeF(points);
    result.setBold(bold);
    // Widths that scale with the size and add up: a line is as wide as its words and spaces,
    // which is how the rows are wrapped.
    result.setHintingPreference(QFont::PreferNoHinting);
    result.setKerning(false);
    // No ligatures either: "fi" stays two letters that a PDF reader finds and copies as such
    // (and Latin text is drawn without shaping, which is faster).
    result.setStyleStrategy(QFont::PreferNoShaping);
    return result;
}

} // namespace pagefonts
