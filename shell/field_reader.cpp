#include "field_reader.h"

#include "numbers.h"

#include <QRegularExpression>

namespace kz {

Field Field::number(double v) {
    Field f;
    f.m_kind = Kind::Number;
    f.m_number = v;
    return f;
}

Field Field::text(const QString& t) {
    Field f;
    f.m_kind = Kind::Text;
    f.m_text = t;
    return f;
}

double Field::toNumber() const {
    switch (m_kind) {
    case Kind::Number:
        return m_number;
    case Kind::Text:
        return leadingNumber(m_text);
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
        return m_text;
    case Kind::Empty:
        break;
    }
    return {};
}

bool Field::operator==(const Field& o) const {
    if (m_kind != o.m_kind)
        return false;
    if (m_kind == Kind::Number)
        return m_number == o.m_number;
    return m_text == o.m_text;
}

bool isDecimalNumber(QStringView text) {
    static const QRegularExpression re(QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
    return re.match(text.toString()).hasMatch();
}

FieldReader::FieldReader(QString text) : m_text(std::move(text)) {}

static bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
static bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }

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
        const QString raw = m_text.mid(start, m_pos - start).trimmed();
        if (raw.isEmpty())
            result = Field();
        else if (isDecimalNumber(raw))
            result = Field::number(raw.toDouble());
        else
            result = Field::text(raw);
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

} // namespace kz
