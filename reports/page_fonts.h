#pragma once

#include <QFont>

// The fonts of the printed pages: DejaVu Sans, read from the files of Debian's
// fonts-dejavu-core (which the program depends on), so that every page looks the same on
// every machine and the PDF embeds a font that has every Czech letter; where the files are
// missing, the system's DejaVu Sans or its sans-serif font. Needs a QGuiApplication.
namespace pagefonts {

// The font in the size, in points.
QFont font(qreal points, bool bold = false);

} // namespace pagefonts
