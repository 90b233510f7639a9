#pragma once
#include <QString>
#include <QStringView>

#include <vector>

namespace kz {

// One value of a text file as the sequential reader parsed it. It keeps its text as written
// (quotes removed, surrounding half-width blanks dropped) and its variant meaning: a number (an
// unquoted field that is a decimal number), a text (quoted, or not a number) or empty. Each
// caller asks for what its slot holds: raw() for text slots, the Field itself for variant slots,
// toInteger() for whole-number slots.
class Field {
public:
    enum class Kind { Empty, Number, Text };

    Field() = default;
    static Field number(double v);
    static Field text(const QString& t);
    // An unquoted field's text: empty, a number or a text by its form.
    static Field unquoted(const QString& raw);

    Kind kind() const { return m_kind; }
    bool isEmpty() const { return m_kind == Kind::Empty; }
    bool isNumber() const { return m_kind == Kind::Number; }
    bool isText() const { return m_kind == Kind::Text; }

    // The characters as written: "007" stays "007", "1.50" stays "1.50".
    const QString& raw() const { return m_raw; }
    // Numeric reading of the value: a number as is, empty as 0, a text by its leading number.
    double toNumber() const;
    // The value's numeric meaning where only numbers count: text and empty are 0.
    double numberOrZero() const { return m_kind == Kind::Number ? m_number : 0.0; }
    // Variant text form: a number in its shortest decimal form, a text as itself, empty as "".
    QString toText() const;
    // A whole-number slot: the longest leading decimal number of the text as written, rounded
    // half to even and held within lo..hi.
    long long toInteger(long long lo, long long hi) const;

    bool operator==(const Field& o) const;

private:
    Kind m_kind = Kind::Empty;
    double m_number = 0.0;
    QString m_raw;
};

// Reads comma- and line-separated fields of a whole decoded text file. A field ends at a comma
// or a line end (CR LF, LF or CR); a field in double quotes keeps its commas (anything between
// the closing quote and the next separator is dropped); an unquoted field loses surrounding
// half-width blanks (space, tab). A full-width space is part of the value.
class FieldReader {
public:
    explicit FieldReader(QString text);

    // True when no field is left: nothing but blanks and line ends, and no comma before them.
    bool atEnd() const;
    // The next field; an empty Field at the end.
    Field next();
    // The next field's text as written, for text slots.
    QString nextRaw() { return next().raw(); }
    // Convenience: the next field's numeric reading.
    double nextNumber() { return next().toNumber(); }
    int fieldsRead() const { return m_fieldsRead; }

private:
    QString m_text;
    qsizetype m_pos = 0;
    int m_fieldsRead = 0;
    bool m_afterComma = false; // a comma always opens one more field, even at a line end
};

// The fields of one physical line; a line of nothing but blanks has none.
struct FieldLine {
    int number = 0; // 1 for the file's first line
    std::vector<Field> fields;
};
// Splits a text into its lines (CR LF, LF or CR) and reads each line's fields, so that a line
// with too few or too many fields cannot shift the lines after it.
std::vector<FieldLine> readFieldLines(const QString& text);

// True when the whole text is a decimal number as the reader recognises one.
bool isDecimalNumber(QStringView text);

// Half-width blanks (space, tab) removed from both ends; a full-width space stays.
QString trimBlanks(const QString& text);

} // namespace kz
