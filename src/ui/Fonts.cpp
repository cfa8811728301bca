// Font substitutions: the program's gothic font names map to IPAGothic.
#include "ui/Fonts.h"

#include <QStringList>

namespace kelvantori {

void InstallFontSubstitutions() {
    const QStringList substitutes{"IPAGothic", "IPAゴシック", "Noto Sans Mono CJK JP",
                                  "DejaVu Sans Mono", "Monospace"};
    QFont::insertSubstitutions(QString::fromUtf8(kGothicFamily), substitutes);
    QFont::insertSubstitutions("MS Gothic", substitutes);
}

QFont GothicFont(int pixelSize) {
    QFont font(QString::fromUtf8(kGothicFamily));
    font.setPixelSize(pixelSize);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

}  // namespace kelvantori
