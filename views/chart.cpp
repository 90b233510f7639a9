#include "chart.h"

#include "periods.h"
#include "records/statistics.h"
#include "result_rows.h"
#include "school/roster.h"
#include "shell/numbers.h"
#include "shell/ole_date.h"

#include <cmath>
#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPageLayout>
#include <QPainter>

namespace kz {

namespace {

constexpr int kNotFinished = 90000;
constexpr int kNoRun = 99999; // a best time without a run

int gradeOf(const ComparisonContext& ctx, int bangou) {
    const bool known = bangou >= 0 && bangou < kStudentSlots;
    return gradeIndexOf(ctx.roster->schoolYear, known ? ctx.roster->birthYears[bangou] : 0);
}

int rowOf(const RankingRows& rows, int bangou) {
    for (size_t i = 0; i < rows.rowStudents.size() && i < size_t(rows.rows.size()); ++i)
        if (rows.rowStudents[i] == bangou) return static_cast<int>(i);
    return -1;
}

} // namespace

RankingRows comparisonRanking(const ComparisonContext& ctx, int level, int comparisonKind) {
    RankingInput in;
    in.roster = ctx.roster;
    in.stats = ctx.stats;
    in.level = level;
    in.timedLevel = level >= 0 && level < static_cast<int>(ctx.levelRecorded.size())
                        ? ctx.levelRecorded[level] == 1
                        : true;
    in.displayMode = comparisonKind == 2 ? 2 : 1;
    in.pointsRankKind = ctx.pointsRankKind == 2 ? 2 : 1;
    in.Bangou = ctx.Bangou;
    in.gradeGroup = ctx.gradeGroup;
    in.rankWidth = 3;
    return rankLevel(in);
}

QString timeRankOf(const RankingRows& timeRows, int chartBangou) {
    const int row = rowOf(timeRows, chartBangou);
    return row < 0 ? QStringLiteral("---") : timeRows.rows[row].left(3);
}

void readPointsFigures(const RankingRows& pointsRows, int chartBangou, qint32 ownPoints,
                       ComparisonFigures& f) {
    f.schoolPointsSum = 0;
    f.schoolPointsCount = 0;
    for (const QString& row : pointsRows.rows) {
        const double v = leadingNumber(QStringView(row).right(5));
        if (v > 0) {
            ++f.schoolPointsCount;
            f.schoolPointsSum += static_cast<qint64>(v);
        }
    }
    const int row = rowOf(pointsRows, chartBangou);
    if (row < 0) {
        f.pointsRank = QStringLiteral("---");
        f.points = ownPoints;
        return;
    }
    f.pointsRank = pointsRows.rows[row].left(3);
    f.points = static_cast<qint32>(leadingNumber(QStringView(pointsRows.rows[row]).right(5)));
}

ComparisonFigures comparisonFigures(const ComparisonContext& ctx, int chartBangou, int level) {
    ComparisonFigures f;
    readPointsFigures(comparisonRanking(ctx, level, 2), chartBangou,
                      ctx.stats ? ctx.stats->pointsAll(level, chartBangou) : 0, f);
    f.timeRank = timeRankOf(comparisonRanking(ctx, level, 1), chartBangou);
    return f;
}

ChartSurface ChartSurface::panel(double width, double height, const QString& family) {
    ChartSurface s;
    s.width = width;
    s.height = height;
    s.heightPoints = kPanelHeightPoints;
    s.fontFamily = family;
    return s;
}

ChartSurface ChartSurface::page(const QPagedPaintDevice& device, const QString& family) {
    ChartSurface s;
    s.width = device.width();
    s.height = device.height();
    s.heightPoints = device.heightMM() / 25.4 * 72.0;
    s.printMode = true;
    s.fontFamily = family;
    return s;
}

QString chartFontFamily(const QFont& face) {
    return QFontInfo(face).family();
}

int chartTimeScale(int maxTime) {
    return std::min(10 * (maxTime / 10 + 1), 1000);
}

QString chartField(const QString& value, int k) {
    bool number = false;
    const double v = value.trimmed().toDouble(&number);
    return rightAligned(number ? digitsText(v) : value, k);
}

QString chartField(double value, int k) {
    return rightAligned(digitsText(value), k);
}

ChartBlock computeChartBlock(const ComparisonContext& ctx, int chartBangou, int level,
                             const ComparisonFigures& figures, const ChartSurface& surface) {
    ChartBlock b;
    const double W2 = surface.width / 2, H3 = surface.height / 3;
    const RecordSnapshot empty;
    const RecordSnapshot& records = ctx.records ? *ctx.records : empty;
    const double now = oleDate(ctx.today) + oleTimeOfDay(ctx.secondsSinceMidnight);
    auto used = [&](const SeisekiRecord::Numbers& r) {
        return r.level == level && r.level <= ctx.levelCount && inPeriod(r.date, now, kTenYears);
    };
    const int first = records.firstOfLast(RecordSnapshot::MaxRecords);

    // First pass: the pupil's counted runs fix the scale and the x step.
    for (int i = first; i < records.size(); ++i) {
        const SeisekiRecord::Numbers r = records.at(i);
        if (r.bangou != chartBangou || !used(r) || r.time >= kChartCountedBelow) continue;
        ++b.runCount;
        b.timeSum += r.time;
        b.maxTime = std::max(b.maxTime, static_cast<int>(r.time));
    }
    b.timeScale = chartTimeScale(b.maxTime);

    // Second pass over the same records: the school's figures and the pupil's points.
    const bool plotted = ctx.roster && InGradeGroup(gradeOf(ctx, chartBangou), ctx.gradeGroup);
    int k = 0;
    int bestTime = 0;
    int pupilBest = -1; // also when a grade group hides the points
    for (int i = first; i < records.size(); ++i) {
        const SeisekiRecord::Numbers r = records.at(i);
        if (!used(r)) continue;
        const int t = r.time;
        b.lastDate = dateText(r.date);
        if (t < kChartCountedBelow) {
            b.schoolSum += t;
            ++b.schoolCount;
        }
        // Any finished run can be the school's best, as it can be the pupil's; a run that did
        // not finish has no time to compare.
        if (t < kNotFinished) b.schoolBest = std::min(b.schoolBest, t);
        if (r.bangou != chartBangou) continue;
        if (t < kChartCountedBelow) ++k;
        if (t < kNotFinished && (pupilBest < 0 || t < pupilBest)) pupilBest = t;
        if (!plotted) continue;
        ChartPoint p;
        // Without a counted run there is no step: such runs sit at the start of the axis.
        p.x = W2 * (0.2 + (b.runCount > 0 ? 0.7 * k / b.runCount : 0.0));
        p.y = H3 * (0.8 - 0.7 * t / b.timeScale);
        p.time = t;
        p.date = dateText(r.date);
        // A run that did not finish is never a best.
        p.best = t < kNotFinished && (b.bests.empty() || t < bestTime);
        if (p.best) {
            bestTime = t;
            b.bests.push_back(p);
        }
        b.runs.push_back(p);
    }

    const QString bestText = pupilBest >= 0 ? QString::number(pupilBest) + u'秒' : QString();
    b.lines[1] = QStringLiteral("回数　　　　　　　") + chartField(b.runCount, 3) + u'回';
    b.lines[2] = QStringLiteral("タイム  　　 　    本人 / 塾全体");
    b.lines[3] = QStringLiteral("　　順位　　　　") + chartField(figures.timeRank, 5) + u'位';
    // Without a finished run the school has no best: blank, as the pupil's own field.
    const QString schoolBestText =
        b.schoolBest != kNoRun ? chartField(b.schoolBest, 5) : rightAligned(QString(), 5);
    b.lines[4] = QStringLiteral("　　最高　　　　") + rightAligned(bestText, 6) +
                 QStringLiteral(" /") + schoolBestText + u'秒';
    if (b.runCount != 0)
        b.lines[5] = QStringLiteral("　　平均　　　　") +
                     chartField(std::floor(double(b.timeSum) / b.runCount), 5) + u'秒' +
                     QStringLiteral(" /") +
                     chartField(b.schoolCount ? double(b.schoolSum) / b.schoolCount : 0.0, 5) +
                     u'秒';
    b.lines[6] = QStringLiteral("ポイント  　　　");
    b.lines[7] = QStringLiteral("　　順位　　　　") + chartField(figures.pointsRank, 5) + u'位';
    b.lines[8] = QStringLiteral("　　獲得ポイント") + chartField(figures.points, 5) + u'点';
    if (figures.schoolPointsCount != 0)
        b.lines[9] = QStringLiteral("　　　　　　　　　　　　/") +
                     chartField(double(figures.schoolPointsSum) / figures.schoolPointsCount, 5) +
                     u'点';
    b.lines[10] = QStringLiteral("　　　　　　　　　　　　 (塾平均)");
    return b;
}

namespace {

// Sizes of a surface: points to device units, and the nominal pixels of line widths (a
// screen pixel is 15 twips; a printer dot is taken at 600 dots an inch).
struct Units {
    double perPoint;
    double perLineUnit;
};

Units unitsOf(const ChartSurface& s) {
    const double perPoint = s.heightPoints > 0 ? s.height / s.heightPoints : 1.0;
    return {perPoint, perPoint * (s.printMode ? 72.0 / 600.0 : 0.75)};
}

void setFontPoints(QPainter& p, const ChartSurface& s, double points) {
    QFont f = s.fontFamily.isEmpty() ? QFont() : QFont(s.fontFamily);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(points * unitsOf(s).perPoint))));
    p.setFont(f);
}

void setPenWidth(QPainter& p, const ChartSurface& s, double lineUnits, const QColor& colour) {
    QPen pen(colour);
    pen.setWidthF(std::max(1.0, lineUnits * unitsOf(s).perLineUnit));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
}

// Text with its top left corner at (x, y), as a print position places it.
void printAt(QPainter& p, double x, double y, const QString& text) {
    p.drawText(QPointF(x, y + QFontMetricsF(p.font()).ascent()), text);
}

// The texts of one block in the order they are printed: a text whose line would overlap one
// printed before it moves down just clear of it, so no two labels are drawn over each other;
// where that would take it past the block's bottom (into the next block's heading), it moves
// beside that text on its line instead.
class LabelPlacer {
public:
    LabelPlacer(QPainter& painter, double bottom) : m_painter(painter), m_bottom(bottom) {}

    void print(double x, double y, const QString& text) {
        const QFontMetricsF fm(m_painter.font());
        qsizetype lead = 0; // leading blanks take room but print nothing
        while (lead < text.size() && text[lead].isSpace())
            ++lead;
        const double left = x + fm.horizontalAdvance(text.left(lead));
        const QRectF at(left, y, fm.horizontalAdvance(text.mid(lead)), fm.height());
        if (at.isEmpty()) return;
        // The same text at the same place (the newest run is the only best) is one label.
        for (const Placed& q : m_placed)
            if (q.text == text && q.planned == at) return;
        QRectF box = at;
        const double gap = fm.horizontalAdvance(u' ');
        for (bool moved = true; moved;) {
            moved = false;
            for (const Placed& q : m_placed)
                if (box.intersects(q.box)) {
                    if (q.box.bottom() + box.height() <= m_bottom)
                        box.moveTop(q.box.bottom());
                    else
                        box.moveLeft(q.box.right() + gap);
                    moved = true;
                }
        }
        m_painter.drawText(QPointF(x + box.left() - at.left(), box.top() + fm.ascent()), text);
        m_placed.push_back({at, box, text});
    }
    // Where each text went, in print order.
    std::vector<QRectF> boxes() const {
        std::vector<QRectF> out;
        for (const Placed& q : m_placed)
            out.push_back(q.box);
        return out;
    }

private:
    struct Placed {
        QRectF planned;
        QRectF box;
        QString text;
    };
    QPainter& m_painter;
    double m_bottom;
    std::vector<Placed> m_placed;
};

const QColor kColourValue1(1, 0, 0);

} // namespace

ChartBlock drawChartBlock(QPainter& painter, const ChartSurface& s, double B,
                          const ComparisonContext& ctx, int chartBangou, int level,
                          const ComparisonFigures& figures) {
    const double W = s.width, H = s.height, W2 = W / 2, H3 = H / 3;
    ChartBlock b = computeChartBlock(ctx, chartBangou, level, figures, s);
    const double lineWidth = s.printMode ? 30 : 5;
    const double fontSize = s.printMode ? 6 : s.fontSize;
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Qt::black);

    if (B < 0.08 * H) {
        const bool named = ctx.roster && chartBangou >= 0 && chartBangou < kStudentSlots;
        setFontPoints(painter, s, 3 * s.fontSize);
        printAt(painter, 0.01 * W2, 0.02 * H3,
                named ? withoutBlanks(ctx.roster->studentNames[chartBangou]) : QString());
    }

    setPenWidth(painter, s, 2, kColourValue1);
    painter.drawLine(QPointF(0, B), QPointF(W, B));
    painter.drawLine(QPointF(0, B + 0.09 * H3), QPointF(W, B + 0.09 * H3));

    setFontPoints(painter, s, (s.printMode ? 3 : 2) * s.fontSize);
    painter.setPen(Qt::black);
    const QString caption =
        level >= 0 && level < ctx.levelCaptions.size() ? ctx.levelCaptions[level] : QString();
    printAt(painter, 0.7 * W2, B + 0.01 * H3, ctx.programTitle + u' ' + caption);

    setPenWidth(painter, s, lineWidth, kColourValue1);
    painter.drawLine(QPointF(0.2 * W2, B + 0.8 * H3), QPointF(0.9 * W2, B + 0.8 * H3));
    setPenWidth(painter, s, lineWidth, Qt::black);
    painter.drawLine(QPointF(0.2 * W2, B + 0.8 * H3), QPointF(0.2 * W2, B + 0.1 * H3));

    // Runs far above the scale, their joining lines and labels stay inside their own block
    // instead of marking the one above.
    const QRectF blockArea(0, B, W, H3);
    painter.save();
    painter.setClipRect(blockArea);
    QPen dot(Qt::red);
    dot.setWidthF(std::max(1.0, lineWidth * unitsOf(s).perLineUnit));
    dot.setCapStyle(Qt::RoundCap);
    for (const ChartPoint& p : b.runs) {
        dot.setColor(p.best ? QColor(255, 0, 0) : QColor(0, 0, 255));
        painter.setPen(dot);
        painter.drawPoint(QPointF(p.x, B + p.y));
    }
    painter.restore();

    LabelPlacer labels(painter, B + 0.3 * H); // the next block's top
    setFontPoints(painter, s, 1.5 * fontSize);
    painter.setPen(Qt::black);
    const double step = (s.printMode ? 0.06 : 0.08) * H3;
    const double line1 = B + 0.05 * H3 + step;
    for (int i = 1; i <= 10; ++i) {
        if (b.lines[i].isEmpty()) continue;
        const double y = line1 + (i == 10 ? 8.5 : i - 1) * step;
        labels.print(1.05 * W2, y, b.lines[i]);
    }
    setFontPoints(painter, s, fontSize);

    const int m = static_cast<int>(b.bests.size());
    if (m > 0) {
        painter.save();
        painter.setClipRect(blockArea);
        labels.print(b.runs.back().x - 0.025 * W2, B + 0.815 * H3, b.lastDate);
        setPenWidth(painter, s, 3, Qt::black);
        for (int j = 1; j < m; ++j)
            painter.drawLine(QPointF(b.bests[j - 1].x, B + b.bests[j - 1].y),
                             QPointF(b.bests[j].x, B + b.bests[j].y));
        painter.setPen(Qt::black);
        labels.print(0.12 * W2, B + 0.79 * H3, QStringLiteral("0秒"));
        labels.print(0.12 * W2, B + 0.1 * H3, QString::number(b.timeScale) + u'秒');
        // Within one year a date label needs only its month and day.
        auto dateLabel = [&](int j) { // j from 0
            const QString& date = b.bests[j].date;
            return j > 0 && date.left(5) == b.bests[j - 1].date.left(5) ? date.right(5) : date;
        };
        const ChartPoint& e1 = b.bests[0];
        labels.print(0.12 * W2, B + e1.y - 0.01 * H3, QString::number(e1.time) + u'秒');
        labels.print(e1.x - 0.025 * W2, B + 0.815 * H3, e1.date);
        if (m > 5)
            for (int j = 3; j <= m - 2; j += 3) {
                const ChartPoint& e = b.bests[j - 1];
                labels.print(e.x - 0.025 * W2, B + e.y + 0.01 * H3,
                             QString::number(e.time) + u'秒');
                labels.print(e.x - 0.025 * W2, B + e.y + 0.03 * H3, dateLabel(j - 1));
            }
        const ChartPoint& em = b.bests[m - 1];
        labels.print(em.x - 0.025 * W2, B + em.y + 0.04 * H3, QString::number(em.time) + u'秒');
        labels.print(em.x - 0.025 * W2, B + em.y + 0.07 * H3, dateLabel(m - 1));
        painter.restore();
    }
    painter.restore();
    b.textBoxes = labels.boxes();
    return b;
}

std::vector<PagePlace> pagePlaces(const std::vector<int>& levels, int levelCount, double H) {
    std::vector<PagePlace> out;
    int slot = 0;
    for (int level : levels) {
        if (level < 1 || level > levelCount) break;
        out.push_back({slot / 3, level, (0.05 + 0.3 * (slot % 3)) * H});
        ++slot;
    }
    return out;
}

int drawComparisonPages(QPainter& painter, const ChartSurface& surface,
                        const ComparisonContext& ctx, int chartBangou,
                        const std::vector<int>& levels, const PageHooks& hooks) {
    int pages = 0;
    for (const PagePlace& place : pagePlaces(levels, ctx.levelCount, surface.height)) {
        if (place.page + 1 > pages) {
            if (pages > 0 && hooks.newPage && !hooks.newPage()) return pages;
            pages = place.page + 1;
        }
        const ComparisonFigures f = hooks.figures
                                        ? hooks.figures(place.level)
                                        : comparisonFigures(ctx, chartBangou, place.level);
        drawChartBlock(painter, surface, place.top, ctx, chartBangou, place.level, f);
    }
    return pages;
}

bool printComparisonDocument(QPagedPaintDevice& device, const ComparisonContext& ctx,
                             int chartBangou, const std::vector<int>& levels,
                             const QString& fontFamily,
                             const std::function<ComparisonFigures(int)>& figures) {
    // A4 portrait within the device's own margins: nothing is drawn on a printer's unprintable
    // edge, and the surface is the printable area.
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageOrientation(QPageLayout::Portrait);
    QPainter painter;
    if (!painter.begin(&device)) return false;
    const ChartSurface surface = ChartSurface::page(device, fontFamily);
    PageHooks hooks;
    hooks.newPage = [&] { return device.newPage(); };
    hooks.figures = figures;
    drawComparisonPages(painter, surface, ctx, chartBangou, levels, hooks);
    return painter.end();
}

int pupilNumberOfLine(const QString& line) {
    const qsizetype slash = line.lastIndexOf(u'/');
    if (slash < 0) return 0;
    return static_cast<int>(leadingNumber(QStringView(line).mid(slash + 1)));
}

} // namespace kz
