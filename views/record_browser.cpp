#include "record_browser.h"

#include "records/program.h"
#include "school/roster.h"
#include "shell/field_reader.h"
#include "shell/numbers.h"
#include "shell/ole_date.h"
#include "shell/text_codec.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace kz {

namespace {
// OLE dates a calendar can show: 0100-01-01 .. 9999-12-31.
constexpr double kFirstOleDay = -657434, kLastOleDay = 2958465;

const QString kShow = QStringLiteral("成績ランダムファイル表示");
const QString kRecord = QStringLiteral("成績ランダムファイル記録");
} // namespace

RecordBrowser::RecordBrowser(Program& p)
    : m_p(p), m_names(kStudentSlots), m_nameFields(kStudentSlots, QString(5, QChar(0x3000))),
      m_grades(kStudentSlots) {}

std::function<void()> RecordBrowser::retryWait() {
    return [this] { m_p.s.events.waitWithEvents(m_p.retryWaitMs); };
}

void RecordBrowser::showFileError(const QString& operation, const RecordFile::Result& r) {
    m_p.s.dialogs.message(recordFileMessage(operation, r, m_p.recordFilePath()));
}

void RecordBrowser::LoadRosterForBrowser() {
    m_comboItems.clear();
    RosterTables tables;
    const RosterReading reading = readRosterFile(m_p.rosterFilePath(), tables, m_p.s.clock.today(),
                                                 static_cast<int>(m_p.h.commonLine1.toNumber()), 0,
                                                 Flag2::ListedWhenCommonLine3);
    if (!reading.ok()) {
        m_p.s.dialogs.message(reading.error);
        return;
    }
    // Every pupil of the roster, listed or not, in the roster's own order: a record may belong
    // to any of them, and the teacher finds a pupil where the roster puts them.
    for (const RosterEntry& e : reading.stored) {
        const int k = e.number;
        m_names[k] = trimBlanks(e.name);
        m_nameFields[k] = (m_names[k] + QString(5, QChar(0x3000))).left(6);
        if (const auto grade = gradeTextFor(gradeIndexOf(tables.schoolYear, e.birthYear)))
            m_grades[k] = *grade;
        m_comboItems << QString::number(k) + QStringLiteral(" /  ") + m_names[k];
    }
}

QString RecordBrowser::displayName(int student) const {
    return student >= 0 && student < kStudentSlots ? m_names[student] : QString();
}

QString RecordBrowser::gradeLabel(int student) const {
    return student >= 0 && student < kStudentSlots ? m_grades[student] : QString();
}

QString RecordBrowser::dateText(double v) {
    if (!(v >= kFirstOleDay && v < kLastOleDay + 1)) return QStringLiteral("----/--/--");
    return dateFromOle(v).toString(QStringLiteral("yyyy/MM/dd"));
}

QString RecordBrowser::clockText(double v) {
    if (!std::isfinite(v)) return {};
    const int seconds =
        static_cast<int>(roundHalfEven(std::fmod(std::fabs(v), 1.0) * 86400.0)) % 86400;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QChar(u'0'))
        .arg(seconds % 60, 2, 10, QChar(u'0'));
}

// Appends v right-aligned in width characters, keeping its last characters when longer
// (all of them when not cut); width 0: as many as it has.
static void appendRightAligned(QString& t, qint64 v, int width, bool cut = true) {
    char digits[24];
    int n = 0;
    const bool negative = v < 0;
    quint64 u = negative ? 0 - static_cast<quint64>(v) : static_cast<quint64>(v);
    do {
        digits[n++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u);
    if (negative) digits[n++] = '-';
    if (width <= 0 || (!cut && n > width)) width = n;
    for (int i = n; i < width; ++i)
        t += u' ';
    for (int i = std::min(n, width) - 1; i >= 0; --i)
        t += QLatin1Char(digits[i]);
}

QString RecordBrowser::rowText(qint64 recordNumber, const SeisekiRecord& rec) const {
    const int student = rec.recordBangou;
    QString t;
    t.reserve(80);
    appendRightAligned(t, recordNumber, m_numberWidth);
    t += u' ';
    // Many records share a day: each date is formatted once.
    const double day = rec.recordDate;
    const qint64 key =
        day >= kFirstOleDay && day < kLastOleDay + 1 ? static_cast<qint64>(day) : kLastOleDay + 1;
    auto it = m_dates.constFind(key);
    if (it == m_dates.constEnd()) it = m_dates.insert(key, dateText(day));
    t += *it;
    t += QChar(0x3000);
    t += rightAligned(clockText(rec.recordTimeOfDay), 9);
    t += QStringLiteral("ﾚﾍﾞﾙ");
    appendRightAligned(t, rec.recordLevel, 0);
    t += QChar(0x3000);
    appendRightAligned(t, rec.recordTime, 5);
    t += QStringLiteral("秒 ");
    t += QChar(0x3000);
    // Only padded: a student number outside the roster's range stays readable whole.
    appendRightAligned(t, student, 4, /*cut=*/false);
    t += u' ';
    if (student >= 0 && student < kStudentSlots) {
        t += m_nameFields[student];
        t += u' ';
        t += m_grades[student];
    } else {
        t += QString(5, QChar(0x3000));
        t += u' ';
    }
    t += QStringLiteral("++");
    // The five bytes as written: a school without a code wrote five spaces.
    t += rec.recordSchoolCode == m_schoolField ? m_p.h.schoolLine : QStringLiteral("他塾");
    return t;
}

void RecordBrowser::Command1_Click() {
    m_schoolField = fixedCp932Field(m_p.h.schoolCode, SeisekiRecord::TextWidth);
    LoadRosterForBrowser();
    m_rows.clear();
    QByteArray bytes;
    qint64 length = 0;
    const RecordFile file(m_p.recordFilePath());
    for (;;) {
        const RecordFile::Result r = file.readAllBytes(&bytes, &length);
        if (r.ok()) break;
        if (r.status == RecordFile::Status::Locked) {
            retryWait()();
            continue;
        }
        showFileError(kShow, r);
        bytes.clear();
        length = 0;
        break;
    }
    m_countLabel = QStringLiteral("総レコード数:") +
                   numberText(static_cast<double>(length) / SeisekiRecord::Size);
    const qsizetype n = bytes.size() / SeisekiRecord::Size;
    m_numberWidth = std::max<int>(4, static_cast<int>(QString::number(n).size()));
    m_rows.reserve(static_cast<size_t>(n));
    SeisekiRecord rec;
    for (qsizetype i = 0; i < n; ++i) {
        const char* at = bytes.constData() + i * SeisekiRecord::Size;
        if (SeisekiRecord::decodeNumbers(at).level == 0) continue;
        SeisekiRecord::decode(at, SeisekiRecord::Size, &rec);
        m_rows.push_back({i + 1, rowText(i + 1, rec)});
    }
    m_listed = std::move(bytes);
}

int RecordBrowser::rowOfRecord(qint64 n) const {
    const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), n,
                                     [](const Row& r, qint64 v) { return r.recordNumber < v; });
    return it != m_rows.end() && it->recordNumber == n ? static_cast<int>(it - m_rows.begin()) : -1;
}

bool RecordBrowser::open(int row, Panel* panel) {
    if (row < 0 || row >= static_cast<int>(m_rows.size())) return false;
    const qint64 n = m_rows[static_cast<size_t>(row)].recordNumber;
    m_opened = 0; // whatever was open before, until this one is read
    std::vector<SeisekiRecord> one;
    const RecordFile file(m_p.recordFilePath());
    for (;;) {
        const RecordFile::Result r = file.readRange(n, n, &one);
        if (r.ok()) break;
        if (r.status == RecordFile::Status::Locked) {
            retryWait()();
            continue;
        }
        showFileError(kShow, r);
        return false;
    }
    // Another computer may have erased or changed records since the list was read: the
    // record now at n is opened only while it is the one the row showed.
    const QByteArray listed = m_listed.mid((n - 1) * SeisekiRecord::Size, SeisekiRecord::Size);
    if (one.empty() || one.front().encode() != listed) {
        showChangedElsewhere(n);
        Command1_Click();
        return false;
    }
    m_p.recordBuffer = one.front();
    m_opened = n;
    m_openedBytes = listed;
    const SeisekiRecord& rec = m_p.recordBuffer;
    panel->recordNumber = n;
    panel->level = QString::number(rec.recordLevel) + QStringLiteral("ﾚﾍﾞﾙ");
    panel->date = dateText(rec.recordDate);
    panel->grade = gradeLabel(rec.recordBangou);
    panel->time = QString::number(rec.recordTime);
    panel->scrollValue = std::clamp<int>(rec.recordTime, ScrollMin, ScrollMax);
    panel->student =
        QString::number(rec.recordBangou) + QStringLiteral(" /  ") + displayName(rec.recordBangou);
    return true;
}

QString RecordBrowser::gradeOfChoice(const QString& typed) const {
    const QString comboText = halfWidthForms(typed);
    const qsizetype slash = comboText.indexOf(u'/');
    if (slash < 0) return {};
    const double k = roundHalfEven(leadingNumber(QStringView(comboText).left(slash)));
    return k >= 0 && k < kStudentSlots ? m_grades[static_cast<size_t>(k)] : QString();
}

// A whole number in digits alone (blanks around it allowed) within lo..hi; full-width digits
// and blanks read as half-width ones.
static std::optional<int> wholeNumberIn(const QString& text, int lo, int hi) {
    const QString t = trimBlanks(halfWidthForms(text));
    if (t.isEmpty() || t.size() > 9) return std::nullopt;
    for (const QChar c : t)
        if (c < u'0' || c > u'9') return std::nullopt;
    const int v = t.toInt();
    return v >= lo && v <= hi ? std::optional<int>(v) : std::nullopt;
}

// A refused value that holds a character no width folding makes a digit ("五", "½"): the
// message says that numbers are typed in half-width digits.
static QString halfWidthHint(const QString& text) {
    for (const QChar c : halfWidthForms(text))
        if (c.unicode() > 0x7E)
            return QStringLiteral("\n「%1」は数字として読めません。数字は半角（0～9）で入力してください。")
                .arg(c);
    return {};
}

bool RecordBrowser::change(const QString& comboText, const QString& timeText) {
    if (m_opened <= 0) return false;
    // Every computer's statistics read what is written here: a mistyped time or student would
    // become a school best or drop out of every figure, so it never reaches the file.
    const qsizetype slash = halfWidthForms(comboText).indexOf(u'/');
    const QString studentText = comboText.left(slash);
    const std::optional<int> student =
        slash < 0 ? std::nullopt : wholeNumberIn(studentText, StudentMin, StudentMax);
    if (!student) {
        m_p.s.dialogs.message(QStringLiteral("生徒：「番号 / 名前」の番号は %1 から %2 までの"
                                             "整数です。一覧から選んでください。")
                                      .arg(StudentMin)
                                      .arg(StudentMax) +
                                  (slash < 0 ? QString() : halfWidthHint(studentText)),
                              QStringLiteral("注意"));
        return false;
    }
    const std::optional<int> time = wholeNumberIn(timeText, TimeMin, TimeMax);
    if (!time) {
        m_p.s.dialogs.message(
            QStringLiteral("タイム：秒数は %1 から %2 までの整数で入力してください。")
                    .arg(TimeMin)
                    .arg(TimeMax) +
                halfWidthHint(timeText),
            QStringLiteral("注意"));
        return false;
    }
    SeisekiRecord& rec = m_p.recordBuffer;
    rec.recordBangou = static_cast<qint16>(*student);
    rec.recordTime = *time;
    const qint64 n = m_opened;
    const RecordFile::Result r =
        RecordFile(m_p.recordFilePath()).write(n, rec, retryWait(), m_openedBytes);
    afterWrite(n, r);
    m_selectedRow = rowOfRecord(n);
    return r.ok();
}

// Another computer's change or erase moved record n away from what the list showed.
void RecordBrowser::showChangedElsewhere(qint64 n) {
    m_p.s.dialogs.message(
        QStringLiteral("記録%1は一覧を読んだ後に他のコンピュータで変更または消去されました。"
                       "一覧を読み直します。")
            .arg(n),
        QStringLiteral("注意"));
}

// After a change or an erase of record n: say what went wrong, close the edit and list the file
// again, since another computer may have changed it too.
void RecordBrowser::afterWrite(qint64 n, const RecordFile::Result& r) {
    if (r.mismatch)
        showChangedElsewhere(n);
    else if (!r.ok())
        showFileError(kRecord, r);
    m_opened = 0;
    Command1_Click();
}

bool RecordBrowser::erase() {
    if (m_opened <= 0) return false;
    if (!m_p.s.dialogs.ask(QStringLiteral("本当に消去しますか"), QStringLiteral("注意"),
                           Dialogs::Buttons::OkCancel))
        return false;
    const qint64 n = m_opened;
    const RecordFile::Result r = RecordFile(m_p.recordFilePath())
                                     .erase(n, m_openedBytes, m_p.h.dataFolder + files::recordsTemp,
                                            retryWait(), &m_p.replacedFiles);
    afterWrite(n, r);
    // The record that followed the erased one now has its number; else the new last row.
    const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), n,
                                     [](const Row& row, qint64 v) { return row.recordNumber < v; });
    m_selectedRow = it != m_rows.end() ? static_cast<int>(it - m_rows.begin())
                                       : static_cast<int>(m_rows.size()) - 1;
    return r.ok();
}

} // namespace kz
