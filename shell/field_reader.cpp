#include "field_reader.h"

#include "numbers.h"

#include <algorithm>
#include <cmath>

namespace kz {

Field Field::number(double v) {
    Field f;
    f.m_kind = Kind::Number;
    f.m_number = v;
    f.m_raw = numberText(v);
    return f;
}

Field Field::text(const QString& t) {
    Field f;
    f.m_kind = Kind::Text;
    f.m_raw = t;
    return f;
}

Field Field::unquoted(const QString& raw) {
    if (raw.isEmpty())
        return {};
    if (!isDecimalNumber(raw))
        return text(raw);
    Field f;
    f.m_kind = Kind::Number;
    f.m_number = raw.toDouble();
    f.m_raw = raw;
    return f;
}

double Field::toNumber() const {
    switch (m_kind) {
    case Kind::Number:
        return m_number;
    case Kind::Text:
        return leadingNumber(m_raw);
    case Kind::Empty:
        break;
    }
    return 0.0;
}

QString Field::toText() const {
    switch (m_kind) {
    case Kind::Number:
        return numberText(m_number);
    case Kind::Text:
        return m_raw;
    case Kind::Empty:
        break;
    }
    return {};
}

long long Field::toInteger(long long lo, long long hi) const {
    return wholeInRange(leadingNumber(m_raw), lo, hi);
}

bool Field::operator==(const Field& o) const {
    if (m_kind != o.m_kind)
        return false;
    if (m_kind == Kind::Number)
        return m_number == o.m_number;
    return m_raw == o.m_raw;
}

bool isDecimalNumber(QStringView text) {
    // [+-]? (digits [. digits?] | . digits) ([eE] [+-]? digits)?, ASCII digits only: a
    // full-width "１２" is a text, as the leading-number rule reads it. Called for every field,
    // so no regular expression.
    auto digit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype mantissaDigits = 0;
    while (i < n && digit(text[i]))
        ++i, ++mantissaDigits;
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && digit(text[i]))
            ++i, ++mantissaDigits;
    }
    if (mantissaDigits == 0)
        return false;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        qsizetype exponentDigits = 0;
        while (i < n && digit(text[i]))
            ++i, ++exponentDigits;
        if (exponentDigits == 0)
            return false;
    }
    return i == n;
}

static bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
static bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }

QString trimBlanks(const QString& text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    return from == 0 && to == text.size() ? text : text.mid(from, to - from);
}

FieldReader::FieldReader(QString text) : m_text(std::move(text)) {}

bool FieldReader::atEnd() const {
    if (m_afterComma)
        return false;
    for (qsizetype i = m_pos; i < m_text.size(); ++i) {
        const QChar c = m_text[i];
        if (!isBlank(c) && !isLineEnd(c) && c != QChar(0x1A))
            return false;
    }
    return true;
}

Field FieldReader::next() {
    const qsizetype n = m_text.size();
    while (m_pos < n && isBlank(m_text[m_pos]))
        ++m_pos;
    if (m_pos >= n) {
        if (m_afterComma)
            ++m_fieldsRead;
        m_afterComma = false;
        return {};
    }
    ++m_fieldsRead;
    m_afterComma = false;

    Field result;
    if (m_text[m_pos] == u'"') {
        const qsizetype start = m_pos + 1;
        qsizetype close = m_text.indexOf(u'"', start);
        if (close < 0)
            close = n;
        result = Field::text(m_text.mid(start, close - start));
        m_pos = close < n ? close + 1 : n;
        while (m_pos < n && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
            ++m_pos;
    } else {
        const qsizetype start = m_pos;
        while (m_pos < n && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
            ++m_pos;
        result = Field::unquoted(trimBlanks(m_text.mid(start, m_pos - start)));
    }
    // Consume the separator: a comma, or one line end (CR LF counts as one).
    if (m_pos < n) {
        if (m_text[m_pos] == u',') {
            ++m_pos;
            m_afterComma = true;
        } else if (m_text[m_pos] == u'\r') {
            ++m_pos;
            if (m_pos < n && m_text[m_pos] == u'\n')
                ++m_pos;
        } else if (m_text[m_pos] == u'\n') {
            ++m_pos;
        }
    }
    return result;
}

std::vector<FieldLine> readFieldLines(const QString& text) {
    std::vector<FieldLine> lines;
    const qsizetype n = text.size();
    qsizetype pos = 0;
    int number = 0;
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && !isLineEnd(text[end]))
            ++end;
        FieldLine line;
        line.number = ++number;
        FieldReader r(text.mid(pos, end - pos));
        while (!r.atEnd())
            line.fields.push_back(r.next());
        lines.push_back(std::move(line));
        // One line end: CR LF, LF or CR.
        pos = end;
        if (pos < n && text[pos] == u'\r')
            ++pos;
        if (pos < n && text[pos] == u'\n' && (pos == end || text[end] == u'\r'))
            ++pos;
    }
    return lines;
}

} // namespace kz
