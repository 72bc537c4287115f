#include "common/widgets/fontfallback.h"

#include <QFontDatabase>
#include <QStringList>

namespace marbolt {

QString installedFixedFace(const QString &face)
{
    const QStringList families = QFontDatabase::families();
    if (families.contains(face, Qt::CaseInsensitive))
        return face;
    // Stand-ins for the Windows Gothic faces, nearest first.
    static const char *const gothic[] = {"IPAGothic", "IPAexGothic", "Noto Sans Mono CJK JP",
                                         "VL Gothic", "TakaoGothic"};
    for (const char *candidate : gothic) {
        const QString c = QString::fromLatin1(candidate);
        if (families.contains(c, Qt::CaseInsensitive))
            return c;
    }
    for (const QString &f : QFontDatabase::families(QFontDatabase::Japanese)) {
        if (QFontDatabase::isFixedPitch(f))
            return f;
    }
    return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

QFont dialogFont(int pixelSize)
{
    QFont font;
    const QStringList families = QFontDatabase::families();
    for (const char *face : {"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic", "IPA Pゴシック", "Noto Sans CJK JP"}) {
        if (families.contains(QString::fromUtf8(face))) {
            font.setFamily(QString::fromUtf8(face));
            break;
        }
    }
    font.setPixelSize(pixelSize);
    return font;
}

}  // namespace marbolt
