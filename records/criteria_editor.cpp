#include "criteria_editor.h"

#include "platform/locked_file.h"
#include "record_file.h"
#include "shell/numbers.h"
#include "shell/text_codec.h"

#include <algorithm>
#include <cmath>
#include <QDir>
#include <unordered_map>

namespace kz {

const std::array<QString, CriteriaGrid::Columns>& CriteriaGrid::headings() {
    static const std::array<QString, Columns> h = [] {
        std::array<QString, Columns> out;
        out[0] = QStringLiteral("レベル");
        for (int i = 0; i < 9; ++i)
            out[i + 1] = kCriteriaHeadings[i];
        return out;
    }();
    return h;
}

QString CriteriaGrid::columnExplanation(int column) {
    static const std::array<QStringList, 10> texts = {
        QStringList{},
        {QStringLiteral("合格基準タイム"),
         QStringLiteral("　大部分の人ががんばったら出せそうなタイムにしてください")},
        {QStringLiteral("合格最低ラインタイム"), QStringLiteral("  この５倍が時間切れになります")},
        {QStringLiteral("目標ポイント"), QStringLiteral("　　 目標ポイント")},
        {QStringLiteral("目標回数"), QStringLiteral("　　 目標回数")},
        {QStringLiteral("ポイント倍率"), QStringLiteral("  ポイントを何倍にして加算するか"),
         QStringLiteral("  むずかしいレベルや生徒のいやがるレベルは高くしてください")},
        {QStringLiteral("やりすぎ禁止回数"), QStringLiteral("  何回やったらやりすぎ禁止にするか"),
         QStringLiteral("  ")},
        {QStringLiteral("やりすぎ禁止ポイント"),
         QStringLiteral("  何ポイントとったらやりすぎ禁止にするか"), QStringLiteral(" ")},
        {QStringLiteral("合格判定をする日数"),
         QStringLiteral("　何日前からのポイントを有効にするか")},
        {QStringLiteral("やりすぎ判定をする日数"),
         QStringLiteral("　何日前からのポイントを有効にするか")},
    };
    if (column < 1 || column > 9) return {};
    return texts[column].join(QStringLiteral("\r\n"));
}

CriteriaGrid::CriteriaGrid() {
    m_cells.push_back(headings());
    m_yellow.push_back({});
    m_marked.push_back({});
    m_mustFill.push_back(false);
}

QString CriteriaGrid::LoadGrid(const QString& path, int levelCount) {
    const TextFile f = readCp932File(path);
    if (!f.ok()) return f.error;
    loadText(f.text, levelCount);
    return {};
}

void CriteriaGrid::loadText(const QString& text, int levelCount) {
    // The rows as the reader takes them, so the grid's level 3 is the program's level 3.
    const std::vector<CriteriaLine> lines = readCriteriaLines(text);
    const int rows = std::min(std::max(static_cast<int>(lines.size()) - 1, levelCount),
                              CriteriaTable::Rows - 1);
    m_cells.assign(1, headings());
    m_marked.assign(rows + 1, {});
    m_mustFill.assign(rows + 1, false);
    for (int r = 1; r <= rows; ++r) {
        std::array<QString, Columns> cells;
        cells[0] = QString::number(r);
        const bool inFile = r < static_cast<int>(lines.size());
        if (inFile) {
            const std::vector<Field>& f = lines[r].fields;
            // Values beyond the twelfth stay in the last cell, commas and all, where the
            // teacher sees them and the save refuses them.
            QStringList last;
            for (size_t i = 0; i < f.size(); ++i)
                if (i + 1 < static_cast<size_t>(Columns))
                    cells[i + 1] = f[i].toText();
                else
                    last << f[i].toText();
            cells[LastColumn] = last.join(u',');
            for (int c = 1; c <= LastColumn; ++c)
                m_marked[r][c] = lines[r].refused[c - 1];
        }
        m_mustFill[r] = !inFile || !lines[r].problem.isEmpty();
        for (int c = 1; c <= 5 && m_mustFill[r]; ++c)
            if (trimBlanks(cells[c]).isEmpty()) m_marked[r][c] = true;
        m_cells.push_back(cells);
    }
    m_yellow.assign(m_cells.size(), {});
    m_row = std::clamp(m_row, std::min(1, lastRow()), lastRow());
    m_selectionEnd = m_row;
    m_editText = m_cells[m_row][m_column];
}

bool CriteriaGrid::hasMarks() const {
    for (const auto& row : m_marked)
        for (bool m : row)
            if (m) return true;
    return false;
}

QString CriteriaGrid::fileText() const {
    std::array<std::array<QString, CriteriaTable::Columns>, CriteriaTable::Rows> cells{};
    for (int r = 1; r <= lastRow(); ++r)
        std::copy(m_cells[r].begin() + 1, m_cells[r].end(), cells[r].begin());
    return criteriaFileText(cells, lastRow());
}

QString CriteriaGrid::SaveGrid(const QString& path, CriteriaTable& table,
                               const std::function<void()>& wait) {
    // Every computer loads this file at start: a cell the reader would refuse (a word in a
    // time column, a comma that adds a value) must not reach it.
    QString problem = cellProblem();
    CriteriaTable check = table;
    if (problem.isEmpty()) problem = check.read(fileText());
    if (!problem.isEmpty())
        return QStringLiteral("%1 に記録できません。\n%2").arg(QDir::toNativeSeparators(path), problem);
    const QString error = replaceSharedFile(path, encodeCp932(fileText()), wait);
    if (!error.isEmpty()) return QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), error);
    m_dataChanged = false;
    // What was saved is the file now: nothing is edited or wrong any more.
    m_yellow.assign(m_cells.size(), {});
    m_marked.assign(m_cells.size(), {});
    m_mustFill.assign(m_cells.size(), false);
    return LoadCriteriaFile(table, path);
}

// The first character of text that code page 932 cannot hold; empty when there is none.
static QString firstCharacterNotInCp932(const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        bool ok = true;
        encodeCp932(text.mid(i, n), &ok);
        if (!ok) return text.mid(i, n);
        i += n;
    }
    return {};
}

QString CriteriaGrid::cellProblem() const {
    for (int r = 1; r <= lastRow(); ++r)
        for (int c = 1; c <= LastColumn; ++c) {
            const QString& text = m_cells[r][c];
            const QString where = criteriaCellName(r, c);
            // The file separates values by commas and lines and quotes values with '"': such a
            // cell would shift the row.
            for (const QChar bad : {u',', u'"', u'\r', u'\n'})
                if (text.contains(bad))
                    return QStringLiteral("%1: 「%2」に「%3」は使えません。")
                        .arg(where, text,
                             bad == u'\r' || bad == u'\n' ? QStringLiteral("改行") : QString(bad));
            if (const QString ch = firstCharacterNotInCp932(text); !ch.isEmpty())
                return QStringLiteral("%1: 「%2」の「%3」は記録できない文字です。").arg(where, text, ch);
            if (c <= 5 && !numericCriteriaCell(text))
                return QStringLiteral("%1: 「%2」は数ではありません。").arg(where, text);
            if (c <= 5 && m_mustFill[r] && trimBlanks(text).isEmpty())
                return QStringLiteral("%1: 空です。数を入れてください（空のままでは 0 と読まれます）。")
                    .arg(where);
        }
    return {};
}

void CriteriaGrid::TextToGrid(const QString& typed) {
    m_editText = typed;
    if (m_row < 1) return; // the heading row is fixed
    // A number typed with the Japanese input method on is a number: the file holds it in the
    // half-width digits every computer reads.
    const QString text = m_column <= 5 ? halfWidthForms(typed) : typed;
    QString& cell = m_cells[m_row][m_column];
    if (text != cell) {
        m_yellow[m_row][m_column] = true;
        m_dataChanged = true;
    }
    cell = text;
}

void CriteriaGrid::GridToText() {
    m_editText = m_cells[m_row][m_column];
}

void CriteriaGrid::moveTo(int row, int column) {
    m_row = row;
    m_column = column;
    m_selectionEnd = row;
    m_editText = m_cells[m_row][m_column];
}

void CriteriaGrid::clickCell(int row, int column) {
    if (row >= 1 && row <= lastRow() && column >= 1 && column <= LastColumn) moveTo(row, column);
    GridToText();
}

bool CriteriaGrid::keyDown(Key key) {
    switch (key) {
    case Key::Space:
        GridToText();
        TextToGrid(QString());
        return true;
    case Key::Escape:
    case Key::Enter:
        break;
    case Key::Up:
        if (m_row > 1) moveTo(m_row - 1, m_column);
        break;
    case Key::Down:
        if (m_row < lastRow()) moveTo(m_row + 1, m_column);
        break;
    case Key::Left:
        if (m_column > 1) moveTo(m_row, m_column - 1);
        break;
    case Key::Right:
        if (m_column < LastColumn) moveTo(m_row, m_column + 1);
        break;
    case Key::ShiftDown:
        if (m_row < 1) break;
        if (m_selectionEnd < lastRow()) ++m_selectionEnd;
        // A fill copies without colouring, but what it changed is a change: leaving asks.
        for (int r = m_row; r <= m_selectionEnd; ++r) {
            QString& cell = m_cells[r][m_column];
            if (cell != m_editText) m_dataChanged = true;
            cell = m_editText;
        }
        break;
    case Key::Other:
        GridToText();
        return false;
    }
    GridToText();
    return true;
}

// ---- distribution

QString TimeDistribution::refresh(const QString& recordPath, Services& s, int retryWaitMs) {
    // Size and time are taken before the read: a run appended while it reads then makes the
    // next refresh read again instead of passing for one already counted.
    const FileStamp stamp = FileStamp::of(recordPath);
    if (stamp.sameAs(m_stamp)) return {};
    const RecordFile file(recordPath);
    QByteArray bytes;
    for (;;) {
        const RecordFile::Result r = file.readAllBytes(&bytes);
        if (r.ok()) break;
        if (r.status == RecordFile::Status::Locked) {
            s.events.waitWithEvents(retryWaitMs);
            continue;
        }
        build({});
        m_stamp = {};
        return recordFileMessage(QStringLiteral("成績ランダムファイル表示"), r, recordPath);
    }
    m_stamp = stamp;
    ++m_reads;
    build(bytes);
    return {};
}

void TimeDistribution::build(const QByteArray& records) {
    for (auto& h : m_all)
        h.fill(0);
    for (auto& h : m_best)
        h.fill(0);
    m_runs.fill(0);
    std::unordered_map<quint32, qint32> best; // (level, student) -> smallest time
    const qsizetype n = records.size() / SeisekiRecord::Size;
    for (qsizetype i = 0; i < n; ++i) {
        const auto rec =
            SeisekiRecord::decodeNumbers(records.constData() + i * SeisekiRecord::Size);
        if (rec.level < 1 || rec.level > MaxLevel) continue;
        // Int(time / 10); 1000 s and more, timed-out runs too, share the last class. A time
        // below 0 (never written by the program) goes to class 0 rather than off the table.
        const int c = static_cast<int>(std::clamp<qint64>(
            static_cast<qint64>(std::floor(rec.time / 10.0)), 0, AllClasses - 1));
        ++m_runs[rec.level];
        ++m_all[rec.level][c];
        const quint32 key =
            (static_cast<quint32>(rec.level) << 16) | static_cast<quint16>(rec.bangou);
        auto [it, fresh] = best.emplace(key, rec.time);
        if (!fresh && rec.time < it->second) it->second = rec.time;
    }
    for (const auto& [key, time] : best) {
        const int c = static_cast<int>(
            std::clamp<qint64>(static_cast<qint64>(std::floor(time / 10.0)), 0, BestLastClass));
        ++m_best[key >> 16][c];
    }
}

int TimeDistribution::runCount(int level) const {
    return level >= 1 && level <= MaxLevel ? m_runs[level] : 0;
}

int TimeDistribution::unitOf(const Histogram& h) {
    const int most = *std::max_element(h.begin(), h.end());
    return std::max(1, most / 10);
}

QStringList TimeDistribution::classLines(const Histogram& h, int unit) {
    QStringList out;
    for (int c = 0; c < AllClasses; ++c) {
        const int stars = static_cast<int>(std::floor(static_cast<double>(h[c]) / unit + 0.5));
        out << rightAligned(QString::number(c * 10), 4) + QStringLiteral("～") +
                   QString(stars, QChar(0x2605));
    }
    return out;
}

QStringList TimeDistribution::allResultLines(int level) const {
    static const Histogram none{};
    const Histogram& h = level >= 1 && level <= MaxLevel ? m_all[level] : none;
    const int unit = unitOf(h);
    return QStringList{QStringLiteral("レベル%1 今まで%2回  （★=%3）")
                           .arg(level)
                           .arg(runCount(level))
                           .arg(unit)} +
           classLines(h, unit);
}

QStringList TimeDistribution::bestTimeLines(int level) const {
    static const Histogram none{};
    const Histogram& h = level >= 1 && level <= MaxLevel ? m_best[level] : none;
    const int unit = unitOf(h);
    return QStringList{QStringLiteral("レベル%1 （★=%2）").arg(level).arg(unit)} +
           classLines(h, unit);
}

} // namespace kz
