#pragma once
#include <QString>
#include <QStringView>

namespace kz {

// One value of a text file as the sequential reader parsed it: a number (an unquoted field
// that is a decimal number), a text (quoted, or not a number) or empty. Empty compares as 0.
class Field {
public:
    enum class Kind { Empty, Number, Text };

    Field() = default;
    static Field number(double v);
    static Field text(const QString& t);

    Kind kind() const { return m_kind; }
    bool isEmpty() const { return m_kind == Kind::Empty; }
    bool isNumber() const { return m_kind == Kind::Number; }
    bool isText() const { return m_kind == Kind::Text; }

    // Numeric reading of the value: a number as is, empty as 0, a text by its leading number.
    double toNumber() const;
    // The value's numeric meaning where only numbers count: text and empty are 0.
    double numberOrZero() const { return m_kind == Kind::Number ? m_number : 0.0; }
    // Text form: a number in its shortest decimal form, a text as itself, empty as "".
    QString toText() const;

    bool operator==(const Field& o) const;

private:
    Kind m_kind = Kind::Empty;
    double m_number = 0.0;
    QString m_text;
};

// Reads comma- and line-separated fields of a whole decoded text file. A field ends at a comma
// or a line end (CR LF, LF or CR); a field in double quotes keeps its commas (anything between
// the closing quote and the next separator is dropped); an unquoted field loses surrounding
// blanks and tabs.
class FieldReader {
public:
    explicit FieldReader(QString text);

    // True when no field is left: nothing but blanks and line ends, and no comma before them.
    bool atEnd() const;
    // The next field; an empty Field at the end.
    Field next();
    // Convenience: the next field's text form.
    QString nextText() { return next().toText(); }
    // Convenience: the next field's numeric reading.
    double nextNumber() { return next().toNumber(); }
    int fieldsRead() const { return m_fieldsRead; }

private:
    QString m_text;
    qsizetype m_pos = 0;
    int m_fieldsRead = 0;
    bool m_afterComma = false; // a comma always opens one more field, even at a line end
};

// True when the whole text is a decimal number as the reader recognises one.
bool isDecimalNumber(QStringView text);

} // namespace kz
