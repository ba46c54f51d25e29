#include "DialogUnits.h"

#include <QFontMetrics>

namespace {

// n * nNumerator / nDenominator, rounded half away from zero.
int MulDiv(int n, int nNumerator, int nDenominator) {
    const int64_t nProduct = int64_t{n} * nNumerator;
    const int64_t nHalf = nDenominator / 2;
    const int64_t nRounded =
        nProduct >= 0 ? (nProduct + nHalf) / nDenominator : (nProduct - nHalf) / nDenominator;
    return static_cast<int>(nRounded);
}

}  // namespace

CDialogBaseUnits GetDialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int nWidth = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // The average over 52 letters, rounded to the nearest pixel.
    return {(nWidth / 26 + 1) / 2, metrics.height()};
}

QRect MapDialogRect(const CDialogUnitRect& rect, const CDialogBaseUnits& units) {
    return {MulDiv(rect.x, units.cx, 4), MulDiv(rect.y, units.cy, 8), MulDiv(rect.cx, units.cx, 4),
            MulDiv(rect.cy, units.cy, 8)};
}

QFont GetDialogFont(const CDialogTemplate& dialogTemplate) {
    // Where the face is not installed, the style hint makes the font
    // matcher take the system's sans-serif. A scalable face takes the size
    // as it is, a bitmap face the size of its own that comes closest.
    QFont font(QString::fromUtf8(dialogTemplate.szFaceName), dialogTemplate.nPointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}
