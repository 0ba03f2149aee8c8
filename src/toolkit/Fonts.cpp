#include "toolkit/Fonts.h"

#include <QFont>
#include <QStringList>

namespace Fonts {

void InstallSubstitutions() {
    // Latin from a Tahoma-like face: at 8 points NanumGothic's full stop sits so low that
    // "100.5" reads as "100,5" in the table. Hangul then comes from NanumGothic.
    // Labels: the dual-width NanumGothicCoding is the nearest match to the monospaced label
    // font, but its full stop has the same fault at label sizes, so digits come first from a
    // Latin monospaced face and Hangul from NanumGothicCoding.
    const QStringList ui{"Liberation Sans", "DejaVu Sans", "NanumGothic", "Noto Sans CJK KR"};
    const QStringList mono{"DejaVu Sans Mono", "NanumGothicCoding", "NanumGothic",
                           "Noto Sans Mono CJK KR"};
    QFont::insertSubstitutions(kUiFamily, ui);
    QFont::insertSubstitutions(QString::fromUtf8(kLabelFamily), mono);
    QFont::insertSubstitutions("GulimChe", mono);
}

} // namespace Fonts
