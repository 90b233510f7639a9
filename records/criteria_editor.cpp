#include "criteria_editor.h"

#include "platform/locked_file.h"
#include "record_file.h"
#include "shell/numbers.h"
#include "shell/text_codec.h"

#include <algorithm>
#include <cmath>
#include <QFileInfo>
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
}

QString CriteriaGrid::LoadGrid(const QString& path) {
    const TextFile f = readCp932File(path);
    if (!f.ok()) return f.error;
    m_cells.assign(1, headings());
    // One row a line, twelve values as the editor writes them; the heading line is row 0.
    const QStringList lines = QString(f.text)
                                  .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                  .replace(u'\r', u'\n')
                                  .split(u'\n');
    int fileRow = -1;
    for (const QString& line : lines) {
        FieldReader r(line);
        if (r.atEnd()) continue; // a blank line holds no row
        if (++fileRow == 0) continue;
        if (fileRow >= CriteriaTable::Rows) break;
        std::array<QString, Columns> cells;
        cells[0] = QString::number(fileRow);
        for (int c = 1; c <= LastColumn; ++c)
            cells[c] = r.atEnd() ? QString() : r.next().toText();
        m_cells.push_back(cells);
    }
    m_yellow.assign(m_cells.size(), {});
    m_row = std::clamp(m_row, std::min(1, lastRow()), lastRow());
    m_selectionEnd = m_row;
    m_editText = m_cells[m_row][m_column];
    return {};
}

QString CriteriaGrid::fileText() const {
    std::array<std::array<QString, CriteriaTable::Columns>, CriteriaTable::Rows> cells{};
    for (int r = 1; r <= lastRow(); ++r)
        std::copy(m_cells[r].begin() + 1, m_cells[r].end(), cells[r].begin());
    return criteriaFileText(cells, lastRow());
}

QString CriteriaGrid::SaveGrid(const QString& path, CriteriaTable& table,
                               const std::function<void()>& wait) {
    bool encoded = true;
    const QByteArray bytes = encodeCp932(fileText(), &encoded);
    if (!encoded) return QStringLiteral("%1\n記録できない文字があります。").arg(path);
    // Every computer loads this file at start: a cell the reader would refuse (a word in a
    // time column, a comma that adds a value) must not reach it.
    QString problem = cellProblem();
    CriteriaTable check = table;
    if (problem.isEmpty()) problem = check.read(fileText());
    if (!problem.isEmpty())
        return QStringLiteral("%1 に記録できません。\n%2").arg(path, problem);
    const QString error = replaceSharedFile(path, bytes, wait);
    if (!error.isEmpty()) return QStringLiteral("%1\n%2").arg(path, error);
    m_dataChanged = false;
    return LoadCriteriaFile(table, path);
}

QString CriteriaGrid::cellProblem() const {
    for (int r = 1; r <= lastRow(); ++r)
        for (int c = 1; c <= LastColumn; ++c) {
            const QString& text = m_cells[r][c];
            const QString where =
                QStringLiteral("レベル%1 の「%2」")
                    .arg(r)
                    .arg(c <= 9 ? headings()[c] : QStringLiteral("%1 列目").arg(c));
            // The file separates values by commas and lines and quotes values with '"': such a
            // cell would shift the row.
            for (const QChar bad : {u',', u'"', u'\r', u'\n'})
                if (text.contains(bad))
                    return QStringLiteral("%1: 「%2」に「%3」は使えません。")
                        .arg(where, text,
                             bad == u'\r' || bad == u'\n' ? QStringLiteral("改行") : QString(bad));
            if (c <= 5 && !numericCriteriaCell(text))
                return QStringLiteral("%1: 「%2」は数ではありません。").arg(where, text);
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
    const QFileInfo info(recordPath);
    const qint64 size = info.exists() ? info.size() : -1;
    const QDateTime modified = info.lastModified();
    if (m_size >= 0 && size == m_size && modified == m_modified) return {};
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
        m_size = -1;
        return recordFileMessage(QStringLiteral("成績ランダムファイル表示"), r, recordPath);
    }
    m_size = size;
    m_modified = modified;
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
