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

QString halfWidthForms(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E) // the full-width block mirrors "!".."~"
            c = QChar(char16_t(u - 0xFF01 + 0x21));
        else if (u == 0x3000)
            c = u' ';
    }
    return out;
}

double roundHalfEven(double v) {
    // nearbyint follows the current rounding mode, which is to-nearest-even by default.
    return std::nearbyint(v);
}

long long wholeInRange(double v, long long lo, long long hi) {
    if (std::isnan(v))
        v = 0.0;
    const double r = roundHalfEven(v);
    if (r <= static_cast<double>(lo))
        return lo;
    if (r >= static_cast<double>(hi))
        return hi;
    return static_cast<long long>(r);
}

double wholeFloor(double v) { return std::floor(v); }

namespace {
// Digits beyond these no longer change any product with a 32-bit whole number that survives
// the clamp of floorTimes, and the products stay within 128 bits.
constexpr __int128 kUnitsLimit = static_cast<__int128>(1000000000000000000LL) * 1000000000LL; // 1e27
constexpr int kMaxScale = 26;

__int128 pow10(int n) {
    __int128 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}
} // namespace

DecimalNumber DecimalNumber::leading(QStringView text) {
    DecimalNumber d;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    bool any = false;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        any = true;
        // An absurdly long whole part saturates; every product is clamped anyway.
        if (d.m_units < kUnitsLimit)
            d.m_units = d.m_units * 10 + (text[i].unicode() - u'0');
    }
    if (i < n && text[i] == u'.' && i + 1 < n && text[i + 1] >= u'0' && text[i + 1] <= u'9') {
        any = true;
        for (++i; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
            if (d.m_scale >= kMaxScale || d.m_units >= kUnitsLimit)
                continue;
            d.m_units = d.m_units * 10 + (text[i].unicode() - u'0');
            ++d.m_scale;
        }
    }
    if (!any)
        return {};
    while (d.m_scale > 0 && d.m_units % 10 == 0) {
        d.m_units /= 10;
        --d.m_scale;
    }
    if (negative)
        d.m_units = -d.m_units;
    return d;
}

long long DecimalNumber::floorTimes(long long k) const {
    const __int128 num = static_cast<__int128>(k) * m_units;
    const __int128 den = pow10(m_scale);
    __int128 q = num / den;
    if (num % den != 0 && num < 0)
        --q;
    constexpr __int128 bound = 1000000000;
    return static_cast<long long>(q < -bound ? -bound : q > bound ? bound : q);
}

double DecimalNumber::toDouble() const {
    return static_cast<double>(m_units) / static_cast<double>(pow10(m_scale));
}

QString DecimalNumber::text() const {
    const bool negative = m_units < 0;
    unsigned __int128 u = negative ? static_cast<unsigned __int128>(-m_units)
                                   : static_cast<unsigned __int128>(m_units);
    QString digits;
    do {
        digits.prepend(QChar(u'0' + static_cast<int>(u % 10)));
        u /= 10;
    } while (u != 0);
    if (m_scale > 0) {
        if (digits.size() <= m_scale)
            digits.prepend(QString(m_scale - digits.size() + 1, u'0'));
        digits.insert(digits.size() - m_scale, u'.');
    }
    return negative ? u'-' + digits : digits;
}

QString digitsText(double v) {
    const double whole = std::round(v); // halves away from zero
    if (whole == 0 || !std::isfinite(whole)) return {};
    return QString::number(whole, 'f', 0);
}

QString rightAligned(const QString& text, int width) {
    if (text.size() >= width) return text.right(width);
    return QString(width - text.size(), u' ') + text;
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
