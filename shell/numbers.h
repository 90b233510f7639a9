#pragma once
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <cstdint>

namespace kz {

// The longest leading decimal number of a text (blanks before it skipped, optional sign,
// digits, optional point and digits); 0 when there is none. "1,5" reads 1, "/" reads 0.
double leadingNumber(QStringView text);

// A teacher's typing with the Japanese input method on, in half-width forms: full-width digits,
// signs, "．", "／", letters and the full-width space become "0".."9", "-", ".", "/", … and " ".
// Width only: "½", "①" or "五" stay as they are, and so are refused where a number is asked.
QString halfWidthForms(const QString& text);

// Conversion of a real number to a whole number: nearest, halves to even (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double v);

// A whole-number slot's value: v rounded half to even and held within lo..hi (NaN reads 0).
long long wholeInRange(double v, long long lo, long long hi);

// Int(): the largest whole number not above v.
double wholeFloor(double v);

// A number in the digit-placeholder format "#######": the nearest whole number, halves away
// from zero, and an empty text for a value that rounds to 0.
QString digitsText(double v);

// The last k characters of text (all of it when shorter).
QString rightPart(const QString& text, int k);
// Right-aligned in width characters; a longer text keeps its last width characters.
QString rightAligned(const QString& text, int width);

// Shortest decimal form of a number as a double is written in captions: 16, 1.5, -3, 0.25.
QString numberText(double v);

// A single-precision value written with at most 7 significant digits (1.1f -> "1.1").
QString singleText(float v);

// A 32-bit sum that stops at its bounds instead of wrapping into the other sign.
inline qint32 saturatingAdd32(qint32 sum, long long add) {
    const long long v = static_cast<long long>(sum) + add;
    return static_cast<qint32>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

// A decimal number exactly as written ("0.7" is seven tenths, not the nearest binary
// fraction), so that products with whole numbers are cut where the written value says.
class DecimalNumber {
public:
    DecimalNumber() = default;
    // The longest leading decimal number of a text, as leadingNumber() finds it; 0 when none.
    static DecimalNumber leading(QStringView text);

    // Int(k x value): the largest whole number not above the exact product, held within
    // -1e9..1e9 so that sums of such products cannot overflow.
    long long floorTimes(long long k) const;
    double toDouble() const;
    // Shortest written form: "1.5", "0.7", "2", "0.35" (trailing zeros of "1.50" dropped).
    QString text() const;

    bool operator==(const DecimalNumber& o) const = default;

private:
    __int128 m_units = 0; // the value times 10^m_scale
    int m_scale = 0;      // digits after the point
};

// Sum of whole numbers stored in a 16-bit field: keeps the low 16 bits, as the stored value does.
inline short toInt16(long long v) { return static_cast<short>(static_cast<unsigned short>(v)); }

} // namespace kz
