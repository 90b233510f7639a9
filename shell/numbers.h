#pragma once
#include <QString>
#include <QStringView>

namespace kz {

// The longest leading decimal number of a text (blanks before it skipped, optional sign,
// digits, optional point and digits); 0 when there is none. "1,5" reads 1, "/" reads 0.
double leadingNumber(QStringView text);

// Conversion of a real number to a whole number: nearest, halves to even (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double v);

// Int(): the largest whole number not above v.
double wholeFloor(double v);

// A number in the digit-placeholder format "#######": the nearest whole number, halves away
// from zero, and an empty text for a value that rounds to 0.
QString digitsText(double v);

// The last k characters of text (all of it when shorter).
QString rightPart(const QString& text, int k);

// Shortest decimal form of a number as a double is written in captions: 16, 1.5, -3, 0.25.
QString numberText(double v);

// A single-precision value written with at most 7 significant digits (1.1f -> "1.1").
QString singleText(float v);

// Sum of whole numbers stored in a 16-bit field: keeps the low 16 bits, as the stored value does.
inline short toInt16(long long v) { return static_cast<short>(static_cast<unsigned short>(v)); }

} // namespace kz
