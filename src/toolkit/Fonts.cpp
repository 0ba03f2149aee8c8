#include "toolkit/Fonts.h"

#include <QFont>
#include <QStringList>

namespace Fonts {

void InstallSubstitutions() {
    // NanumGothic comes with fonts-nanum and carries Latin and Hangul; the dual-width
    // NanumGothicCoding is the nearest match to the monospaced label font.
    const QStringList ui{"NanumGothic", "DejaVu Sans", "Noto Sans CJK KR"};
    const QStringList mono{"NanumGothicCoding", "NanumGothic", "DejaVu Sans Mono",
                           "Noto Sans Mono CJK KR"};
    QFont::insertSubstitutions(kUiFamily, ui);
    QFont::insertSubstitutions(QString::fromUtf8(kLabelFamily), mono);
    QFont::insertSubstitutions("GulimChe", mono);
}

} // namespace Fonts
