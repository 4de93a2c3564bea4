#include "controls/Fonts.h"

#include <QFont>
#include <QStringList>

namespace vantrel {

void InstallFontSubstitutes() {
    const QStringList free{QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    for (const char* name : {"Arial", "Tahoma", "MS Sans Serif"}) {
        QFont::insertSubstitutions(QString::fromLatin1(name), free);
    }
}

} // namespace vantrel
