#include "numbers.h"

#include <cmath>
#include <cstdio>

namespace kz {

double leadingNumber(QStringView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    QString digits;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        if (text[i] == u'-')
            digits += u'-';
        ++i;
    }
    bool any = false;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') {
        digits += text[i++];
        any = true;
    }
    if (i < n && text[i] == u'.') {
        qsizetype j = i + 1;
        QString frac;
        while (j < n && text[j] >= u'0' && text[j] <= u'9')
            frac += text[j++];
        if (!frac.isEmpty()) {
            digits += u'.';
            digits += frac;
            any = true;
        }
    }
    if (!any)
        return 0.0;
    return digits.toDouble();
}

double roundHalfEven(double v) {
    // nearbyint follows the current rounding mode, which is to-nearest-even by default.
    return std::nearbyint(v);
}

double wholeFloor(double v) { return std::floor(v); }

QString digitsText(double v) {
    const double whole = std::round(v); // halves away from zero
    if (whole == 0 || !std::isfinite(whole)) return {};
    return QString::number(whole, 'f', 0);
}

QString rightPart(const QString& text, int k) {
    if (k <= 0)
        return {};
    return text.size() <= k ? text : text.right(k);
}

static QString trimmedGeneral(double v, int digits) {
    if (v == 0.0)
        return QStringLiteral("0");
    if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e15)
        return QString::number(static_cast<long long>(v));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", digits, v);
    return QString::fromLatin1(buf);
}

QString numberText(double v) { return trimmedGeneral(v, 15); }

QString singleText(float v) { return trimmedGeneral(static_cast<double>(v), 7); }

} // namespace kz
