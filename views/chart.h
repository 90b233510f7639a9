#pragma once
// The comparison chart: one pupil against the whole school on one level, and the pages of
// such blocks. One drawing routine paints on any QPainter, so the panel, the printer, a PDF
// file and an image all get the same picture.
#include "ranking.h"
#include "record_snapshot.h"

#include <array>
#include <functional>
#include <QDate>
#include <QRectF>
#include <QStringList>
#include <vector>

class QFont;
class QPainter;
class QPagedPaintDevice;

namespace kz {

struct RosterTables;
class Statistics;

// The chart pupil's figures read off the two comparison rankings of one level.
struct ComparisonFigures {
    QString timeRank = QStringLiteral("---");   // the row's three-character rank field
    QString pointsRank = QStringLiteral("---"); // likewise in the points ranking
    qint32 points = 0;                          // the pupil's points so far
    qint64 schoolPointsSum = 0;                 // positive points so far of the listed rows
    int schoolPointsCount = 0;
};

// What the comparison reads of the program's state.
struct ComparisonContext {
    const RosterTables* roster = nullptr;
    const Statistics* stats = nullptr;
    const RecordSnapshot* records = nullptr; // one read serves every block of a pupil's pages
    int Bangou = 0;                          // the logged-in pupil, marked "●"
    int levelCount = 0;
    QString gradeGroup;
    int pointsRankKind = 1;
    std::vector<int> levelRecorded; // by level; 1 a timed level
    QStringList levelCaptions;      // by level: the level name labels
    QString programTitle;
    QDate today;
    double secondsSinceMidnight = 0;
};

// The comparison ranking of a level: kind 1 (or 0) by time, 2 by points; three-character rank
// fields, rows only for the grade group's pupils.
RankingRows comparisonRanking(const ComparisonContext& ctx, int level, int comparisonKind);
// The pupil's time rank from the time ranking, found by student number ("---" without a row).
QString timeRankOf(const RankingRows& timeRows, int chartBangou);
// The school's points sum and count (positive points so far of every row) and the pupil's
// points rank and points from the points ranking. A pupil without a row keeps "---" and
// ownPoints, the pupil's points so far.
void readPointsFigures(const RankingRows& pointsRows, int chartBangou, qint32 ownPoints,
                       ComparisonFigures& f);
// Both rankings of a level and the figures the block shows.
ComparisonFigures comparisonFigures(const ComparisonContext& ctx, int chartBangou, int level);

// A drawing target: its size in device units and what its height is in points, so that fonts
// and lines keep their proportion on a panel of any size, a page or an image.
struct ChartSurface {
    double width = 0;
    double height = 0;
    double heightPoints = 0;
    bool printMode = false; // printer sizes of fonts and lines, table step 0.06
    double fontSize = 6;    // the blocks' base font size in points
    QString fontFamily;     // one face for every character: see chartFontFamily

    // The panel's surface is 8355 x 8715 twips; twenty twips make a point.
    static constexpr double kPanelHeightPoints = 8715.0 / 20.0;
    static ChartSurface panel(double width, double height, const QString& family = {});
    // The whole printable page of a paged device (a printer or a PDF writer).
    static ChartSurface page(const QPagedPaintDevice& device, const QString& family = {});
};

// The family a font with fallbacks resolves to. The blocks draw with this one face only: a
// family missing from the system would otherwise take its digits and blanks from a proportional
// face and its kana from another, and the table's columns would not line up.
QString chartFontFamily(const QFont& face);

// Point of the chart, in the block's coordinates (y relative to the block top).
struct ChartPoint {
    double x = 0;
    double y = 0;
    int time = 0;
    bool best = false; // red, a new personal best; blue otherwise
    QString date;      // "2024/05/17"
};

// One block's figures and geometry, computed before anything is drawn.
struct ChartBlock {
    int runCount = 0; // the pupil's runs below 1800 s
    qint64 timeSum = 0;
    int maxTime = 0;
    int timeScale = 10; // seconds at the top of the value axis
    int schoolBest = 99999;
    qint64 schoolSum = 0;
    int schoolCount = 0;
    std::vector<ChartPoint> runs;  // every plotted run in file order
    std::vector<ChartPoint> bests; // the successive personal bests (red)
    QString lastDate;              // newest run of the level in the period
    std::array<QString, 11> lines; // table lines 1..10; an omitted line is empty
    std::vector<QRectF> textBoxes; // where the table lines and chart labels went, as drawn
};

// Time below which a run counts in the chart's count and averages.
constexpr int kChartCountedBelow = 1800;
// Seconds at the top of the value axis: the next multiple of ten above the slowest run, at
// most 1000.
int chartTimeScale(int maxTime);
// A table value in the digit-placeholder format, right-aligned in k characters; a text that
// is not a number ("---") stays as it is.
QString chartField(const QString& value, int k);
QString chartField(double value, int k);

// Both passes of a block over the one snapshot of records (the last 20000).
ChartBlock computeChartBlock(const ComparisonContext& ctx, int chartBangou, int level,
                             const ComparisonFigures& figures, const ChartSurface& surface);
// Draws one block with its top at blockTop: header band, caption, axes, points, table, labels;
// the pupil's name above the first block of a page. Returns what was drawn.
ChartBlock drawChartBlock(QPainter& painter, const ChartSurface& surface, double blockTop,
                          const ComparisonContext& ctx, int chartBangou, int level,
                          const ComparisonFigures& figures);

// Where the blocks of the chosen levels go: three a page at 0.05, 0.35 and 0.65 of the height.
struct PagePlace {
    int page = 0; // from 0
    int level = 0;
    double top = 0;
};
std::vector<PagePlace> pagePlaces(const std::vector<int>& levels, int levelCount, double height);

struct PageHooks {
    // Before each page after the first: clear the surface or start the device's next page;
    // false stops the drawing (the device failed).
    std::function<bool()> newPage;
    // The level's rankings and figures; comparisonFigures when not given.
    std::function<ComparisonFigures(int level)> figures;
};

// The pages of one pupil: returns the number of pages drawn (0 when nothing was chosen).
int drawComparisonPages(QPainter& painter, const ChartSurface& surface,
                        const ComparisonContext& ctx, int chartBangou,
                        const std::vector<int>& levels, const PageHooks& hooks);

// One print document of one pupil on a paged device, A4 portrait within the device's margins:
// false when the device could not be painted on or failed while printing. figures must not run
// events: the painter is open on the device.
bool printComparisonDocument(QPagedPaintDevice& device, const ComparisonContext& ctx,
                             int chartBangou, const std::vector<int>& levels,
                             const QString& fontFamily = {},
                             const std::function<ComparisonFigures(int)>& figures = {});

// The number after the last "/" of a pupil line of the other-pupils list.
int pupilNumberOfLine(const QString& line);

} // namespace kz
