// The comparison chart: figures of a block, its pixels in an image, pages and print documents.
#include "records/statistics.h"
#include "records/statistics_support.h"
#include "school/roster.h"
#include "support/files.h"
#include "views/chart.h"
#include "views/pdf_file.h"

#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest>

using namespace kz;
using namespace kz::test;

namespace {

const QDate kToday(2026, 12, 9);

struct School {
    RosterTables roster;
    Statistics stats;
    RecordSnapshot records;
    std::vector<SeisekiRecord> list;
    ComparisonContext ctx;

    School() {
        roster.schoolYear = 2026;
        ctx.roster = &roster;
        ctx.stats = &stats;
        ctx.records = &records;
        ctx.Bangou = 1;
        ctx.levelCount = 5;
        ctx.gradeGroup = QStringLiteral("全学年");
        ctx.pointsRankKind = 1;
        ctx.levelRecorded = std::vector<int>(6, 1);
        ctx.levelCaptions = {QString(),
                             QStringLiteral("ﾚﾍﾞﾙ1"),
                             QStringLiteral("ﾚﾍﾞﾙ2"),
                             QStringLiteral("ﾚﾍﾞﾙ3"),
                             QStringLiteral("ﾚﾍﾞﾙ4"),
                             QStringLiteral("ﾚﾍﾞﾙ5")};
        ctx.programTitle = QStringLiteral("カズトビ１");
        ctx.today = kToday;
        ctx.secondsSinceMidnight = 15 * 3600;
    }
    void pupil(int number, const QString& name, int grade = 3) {
        roster.studentNames[number] = name;
        roster.birthYears[number] = static_cast<qint16>(2026 - 6 - grade);
        roster.rosterNumbers[++roster.rosterCount] = number;
    }
    void run(int bangou, int level, int time, int daysAgo = 1) {
        list.push_back(makeRecord(kToday.addDays(-daysAgo), bangou, level, time));
    }
    // The snapshot and the statistics from the same records, as one refresh makes them.
    void done() {
        QByteArray bytes;
        for (const SeisekiRecord& r : list)
            bytes += r.encode();
        records = RecordSnapshot(bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("r.dat"));
        writeRecords(path, list);
        FakeServices fake;
        CriteriaTable criteria;
        for (int l = 1; l <= 5; ++l) {
            criteria.passTime[l] = 30;
            criteria.minimumTime[l] = 45;
            criteria.pointRate[l] = DecimalNumber::leading(u"1");
        }
        stats.ComputeStatistics(path, criteria, fake.services, 0);
    }
};

QRgb rgbAt(const QImage& img, double x, double y) {
    return img.pixel(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))) & 0xFFFFFF;
}

// The block of pupil 1 on level 1 at the first block's place of a white image.
ChartBlock drawFirstBlock(QImage& img, const ComparisonContext& ctx) {
    img.fill(Qt::white);
    QPainter painter(&img);
    const ChartSurface s = ChartSurface::panel(img.width(), img.height());
    return drawChartBlock(painter, s, 0.05 * img.height(), ctx, 1, 1,
                          comparisonFigures(ctx, 1, 1));
}

} // namespace

class ChartTest : public QObject {
    Q_OBJECT
private slots:
    void bestsInRedJoinedInBlack() {
        School sc;
        sc.pupil(1, QStringLiteral("たろう"));
        for (int t : {40, 35, 38, 30})
            sc.run(1, 1, t);
        sc.done();
        QImage img(1000, 1500, QImage::Format_RGB32);
        const double B = 0.05 * img.height();
        const ChartBlock b = drawFirstBlock(img, sc.ctx);
        QCOMPARE(b.maxTime, 40);
        QCOMPARE(b.timeScale, 50);
        QCOMPARE(b.runs.size(), size_t(4));
        const double W2 = img.width() / 2.0, H3 = img.height() / 3.0;
        const double xs[] = {0.375, 0.55, 0.725, 0.9};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(b.runs[i].x, xs[i] * W2);
        QCOMPARE(b.bests.size(), size_t(3));
        QCOMPARE(b.bests[2].time, 30);
        QVERIFY(!b.runs[2].best);
        QVERIFY(b.lines[4].startsWith(QStringLiteral("　　最高　　　　   30秒 /")));
        // Red beside the centre of each best (the black line runs through the centre), blue at
        // the slower run, black halfway along a joining line.
        for (const ChartPoint& p : b.bests)
            QCOMPARE(rgbAt(img, p.x, B + p.y - 5), QRgb(0xFF0000));
        QCOMPARE(rgbAt(img, b.runs[2].x, B + b.runs[2].y), QRgb(0x0000FF));
        const ChartPoint& a = b.bests[0];
        const ChartPoint& c = b.bests[1];
        QCOMPARE(rgbAt(img, (a.x + c.x) / 2, B + (a.y + c.y) / 2), QRgb(0x000000));
        // Nothing was drawn where the block's chart area is empty.
        QCOMPARE(rgbAt(img, 0.5 * W2, B + 0.2 * H3), QRgb(0xFFFFFF));
        // The time axis in colour value 1.
        QCOMPARE(rgbAt(img, 0.5 * W2, B + 0.8 * H3), QRgb(0x010000)); // red 1
    }

    void timeScale_data() {
        QTest::addColumn<int>("maxTime");
        QTest::addColumn<int>("scale");
        QTest::newRow("no run") << 0 << 10;
        QTest::newRow("40") << 40 << 50;
        QTest::newRow("exact multiple goes up") << 50 << 60;
        QTest::newRow("capped") << 1500 << 1000;
    }
    void timeScale() {
        QFETCH(int, maxTime);
        QFETCH(int, scale);
        QCOMPARE(chartTimeScale(maxTime), scale);
    }

    void fields_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("field");
        QTest::newRow("rank text") << QStringLiteral("  7") << 0.0 << QStringLiteral("    7");
        QTest::newRow("no rank") << QStringLiteral("---") << 0.0 << QStringLiteral("  ---");
        QTest::newRow("zero is blank") << QString() << 0.0 << QStringLiteral("     ");
        QTest::newRow("half away from zero") << QString() << 20.5 << QStringLiteral("   21");
        QTest::newRow("half below") << QString() << 22.5 << QStringLiteral("   23");
        QTest::newRow("long keeps last") << QString() << 1234567.0 << QStringLiteral("34567");
    }
    void fields() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(QString, field);
        QCOMPARE(text.isNull() ? chartField(value, 5) : chartField(text, 5), field);
    }

    void slowRunsAndTheSchoolAverage() {
        School sc;
        sc.pupil(1, QStringLiteral("たろう"));
        sc.pupil(2, QStringLiteral("じろう"));
        sc.run(1, 1, 30);
        sc.run(1, 1, 1800); // counts nowhere, keeps the x of the run before, sits above
        sc.run(1, 1, 51);
        sc.run(2, 1, 20);
        sc.run(2, 1, 26);
        sc.done();
        const ChartBlock b = computeChartBlock(sc.ctx, 1, 1, comparisonFigures(sc.ctx, 1, 1),
                                               ChartSurface::panel(600, 900));
        QCOMPARE(b.runCount, 2);
        QCOMPARE(b.timeScale, 60);
        QCOMPARE(b.runs[1].x, b.runs[0].x);
        QVERIFY(b.runs[1].y < 0);
        // Personal 81 / 2 = 40.5 truncated; school (30 + 51 + 20 + 26) / 4 = 31.75 rounded.
        QCOMPARE(b.lines[5], QStringLiteral("　　平均　　　　   40秒 /   32秒"));
        QCOMPARE(b.lines[4], QStringLiteral("　　最高　　　　   30秒 /   20秒"));
        QCOMPARE(b.lines[3], QStringLiteral("　　順位　　　　    2位"));
        QCOMPARE(b.lines[1], QStringLiteral("回数　　　　　　　  2回"));
    }

    void noCountedRun() {
        School sc;
        sc.pupil(1, QStringLiteral("たろう"));
        sc.pupil(2, QStringLiteral("じろう"));
        sc.run(1, 1, 2000);
        sc.run(2, 1, 25);
        sc.done();
        const ComparisonFigures f = comparisonFigures(sc.ctx, 1, 1);
        const ChartBlock b = computeChartBlock(sc.ctx, 1, 1, f, ChartSurface::panel(600, 900));
        QCOMPARE(b.lines[1], QStringLiteral("回数　　　　　　　   回"));
        QVERIFY(b.lines[5].isEmpty());
        // Without a counted run the slow one sits at the start of the time axis.
        QCOMPARE(b.runs.size(), size_t(1));
        QCOMPARE(b.runs[0].x, 0.2 * 300);
        // A pupil without a time in the ranking shows "---" as it stands.
        sc.list.clear();
        sc.run(2, 1, 25);
        sc.done();
        const ComparisonFigures g = comparisonFigures(sc.ctx, 1, 1);
        QCOMPARE(g.timeRank, QStringLiteral("---"));
        QCOMPARE(computeChartBlock(sc.ctx, 1, 1, g, ChartSurface::panel(600, 900)).lines[3],
                 QStringLiteral("　　順位　　　　  ---位"));
    }

    void schoolBest_data() {
        QTest::addColumn<QList<int>>("pupilRuns");
        QTest::addColumn<QList<int>>("otherRuns");
        QTest::addColumn<QString>("line4");
        QTest::newRow("only slow runs") << QList<int>{2000} << QList<int>{}
                                        << QStringLiteral("　　最高　　　　 2000秒 / 2000秒");
        // Only failed runs: taking any run below 99999 would make 90000 the school's best.
        QTest::newRow("a failed run is no best")
            << QList<int>{95000} << QList<int>{90000}
            << QStringLiteral("　　最高　　　　       /     秒");
        QTest::newRow("a slow run of another pupil")
            << QList<int>{30} << QList<int>{1900}
            << QStringLiteral("　　最高　　　　   30秒 /   30秒");
        QTest::newRow("a counted run beats it")
            << QList<int>{2000} << QList<int>{25}
            << QStringLiteral("　　最高　　　　 2000秒 /   25秒");
    }
    // The school's best can never be slower than the pupil's own best.
    void schoolBest() {
        QFETCH(QList<int>, pupilRuns);
        QFETCH(QList<int>, otherRuns);
        QFETCH(QString, line4);
        School sc;
        sc.pupil(1, QStringLiteral("たろう"));
        sc.pupil(2, QStringLiteral("じろう"));
        for (int t : pupilRuns)
            sc.run(1, 1, t);
        for (int t : otherRuns)
            sc.run(2, 1, t);
        sc.done();
        const ChartBlock b = computeChartBlock(sc.ctx, 1, 1, comparisonFigures(sc.ctx, 1, 1),
                                               ChartSurface::panel(600, 900));
        QCOMPARE(b.lines[4], line4);
    }

    // A best far above the scale: its joining line must not mark the block above.
    void joiningLineStaysInItsBlock() {
        School sc;
        sc.pupil(1, QStringLiteral("たろう"));
        sc.run(1, 1, 1500);
        sc.run(1, 1, 40);
        sc.done();
        QImage img(1000, 1500, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter painter(&img);
        const ChartSurface s = ChartSurface::panel(img.width(), img.height());
        const double B = 0.35 * img.height();
        const ChartBlock b =
            drawChartBlock(painter, s, B, sc.ctx, 1, 1, comparisonFigures(sc.ctx, 1, 1));
        painter.end();
        QCOMPARE(b.bests.size(), size_t(2));
        const ChartPoint& a = b.bests[0];
        const ChartPoint& c = b.bests[1];
        QVERIFY(a.y < 0);
        // Where the line would cross the band just above the block, and just inside it.
        auto xAt = [&](double y) { return a.x + (c.x - a.x) * (y - a.y) / (c.y - a.y); };
        const double H3 = img.height() / 3.0;
        for (double y : {-0.2 * H3, -0.05 * H3})
            QCOMPARE(rgbAt(img, xAt(y), B + y), QRgb(0xFFFFFF));
        QCOMPARE(rgbAt(img, xAt(0.15 * H3), B + 0.15 * H3), QRgb(0x000000));
    }

    void figuresFoundByStudentNumber() {
        // The chart pupil's name is part of a better pupil's longer name, and a pupil of
        // another grade with the same name ranks first; neither lends its figures.
        School sc;
        sc.pupil(3, QStringLiteral("ゆうきち"));
        sc.pupil(4, QStringLiteral("ゆうき"), 7);
        sc.pupil(2, QStringLiteral("ゆうき"));
        for (int i = 0; i < 3; ++i)
            sc.run(3, 1, 20);
        sc.run(4, 1, 22);
        sc.run(2, 1, 40);
        sc.done();
        const ComparisonFigures f = comparisonFigures(sc.ctx, 2, 1);
        QCOMPARE(f.timeRank, QStringLiteral("  3"));
        QCOMPARE(f.pointsRank, QStringLiteral("  3"));
        QCOMPARE(f.points, sc.stats.pointsAll(1, 2));
        // A grade group without the pupil: no row, so no rank, but the pupil's own points.
        sc.ctx.gradeGroup = QStringLiteral("中１");
        const ComparisonFigures g = comparisonFigures(sc.ctx, 2, 1);
        QCOMPARE(g.timeRank, QStringLiteral("---"));
        QCOMPARE(g.points, sc.stats.pointsAll(1, 2));
        QCOMPARE(g.schoolPointsCount, 1);
        // Nothing plotted, but the pupil's own count, best and average stay in the table.
        const ChartBlock hidden = computeChartBlock(sc.ctx, 2, 1, g, ChartSurface::panel(600, 900));
        QVERIFY(hidden.runs.empty());
        QCOMPARE(hidden.lines[4], QStringLiteral("　　最高　　　　   40秒 /   20秒"));
        QCOMPARE(hidden.lines[5], QStringLiteral("　　平均　　　　   40秒 /   24秒"));
    }

    void pointsRankingOfToday() {
        School sc;
        sc.pupil(1, QStringLiteral("いち"));
        sc.pupil(2, QStringLiteral("に"));
        sc.pupil(3, QStringLiteral("さん"));
        sc.run(1, 1, 30, 0); // today
        sc.run(1, 1, 30, 3);
        sc.run(2, 1, 30, 3); // points so far only
        sc.run(2, 1, 30, 3);
        sc.run(3, 1, 31, 0);
        sc.done();
        sc.ctx.pointsRankKind = 2;
        const RankingRows rows = comparisonRanking(sc.ctx, 1, 2);
        QCOMPARE(rows.rows.size(), 2);
        QCOMPARE(rows.rowStudents, (std::vector<int>{1, 3}));
        QVERIFY(rows.rows[0].startsWith(QStringLiteral("  1●いち")));
        const ComparisonFigures f = comparisonFigures(sc.ctx, 1, 1);
        QCOMPARE(f.schoolPointsCount, 2);
        const qint64 expected = sc.stats.pointsAll(1, 1) + sc.stats.pointsAll(1, 3);
        QCOMPARE(f.schoolPointsSum, expected);
        // Pupil 2 has points so far but none today: out of the ranking and the average.
        QVERIFY(sc.stats.pointsAll(1, 2) > 0);
    }

    void pagesOfFiveLevels() {
        const std::vector<PagePlace> places = pagePlaces({1, 2, 3, 4, 5}, 5, 1000);
        QCOMPARE(places.size(), size_t(5));
        const int pages[] = {0, 0, 0, 1, 1};
        const double tops[] = {50, 350, 650, 50, 350};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(places[i].page, pages[i]);
            QCOMPARE(places[i].top, tops[i]);
            QCOMPARE(places[i].level, i + 1);
        }
        // A chosen level beyond the menu's levels ends the pages.
        QCOMPARE(pagePlaces({2, 7, 3}, 5, 1000).size(), size_t(1));
    }

    void onePrintDocumentPerPupil() {
        School sc;
        for (int p = 1; p <= 3; ++p) {
            sc.pupil(p, QStringLiteral("子%1").arg(p));
            for (int l = 1; l <= 5; ++l)
                sc.run(p, l, 20 + p + l);
        }
        sc.done();
        QTemporaryDir dir;
        const int pupils[] = {3, 1, 2};
        for (int i = 0; i < 3; ++i) {
            const QString path = dir.filePath(QStringLiteral("%1.pdf").arg(i));
            QPdfWriter pdf(path);
            QVERIFY(printComparisonDocument(pdf, sc.ctx, pupils[i], {1, 2, 3, 4, 5}));
        }
        for (int i = 0; i < 3; ++i)
            QCOMPARE(pdfPageCount(dir.filePath(QStringLiteral("%1.pdf").arg(i))), 2);
        const QString three = dir.filePath(QStringLiteral("three.pdf"));
        {
            QPdfWriter pdf(three);
            QVERIFY(printComparisonDocument(pdf, sc.ctx, 1, {1, 2, 3}));
        }
        QCOMPARE(pdfPageCount(three), 1);
    }

    // A run dated after today (a computer whose clock runs ahead) is plotted and counted, as
    // the points line counts it.
    void futureRunCounted() {
        School sc;
        sc.pupil(1, QStringLiteral("たろう"));
        sc.run(1, 1, 40);
        sc.run(1, 1, 30, -1); // tomorrow
        sc.done();
        const ChartBlock b = computeChartBlock(sc.ctx, 1, 1, comparisonFigures(sc.ctx, 1, 1),
                                               ChartSurface::panel(600, 900));
        QCOMPARE(b.runCount, 2);
        QCOMPARE(b.runs.size(), size_t(2));
        QCOMPARE(b.bests.back().time, 30);
        QCOMPARE(b.lastDate, QStringLiteral("2026/12/10"));
    }

    // Every character of the table from one fixed-pitch face, even when the first family asked
    // for is missing: lines of the same number of cells end at the same x.
    void tableInOneFixedPitchFace() {
        QFont face;
        face.setFamilies({QStringLiteral("No Such Face kz"), QStringLiteral("IPAGothic")});
        face.setStyleHint(QFont::Monospace);
        const QString family = chartFontFamily(face);
        QCOMPARE(family, QStringLiteral("IPAGothic"));
        School sc;
        sc.pupil(1, QStringLiteral("たろう"));
        sc.pupil(2, QStringLiteral("じろう"));
        for (int t : {41, 35, 33})
            sc.run(1, 1, t);
        sc.run(2, 1, 20);
        sc.done();
        QImage img(800, 1200, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter painter(&img);
        const ChartSurface s = ChartSurface::panel(img.width(), img.height(), family);
        const ChartBlock b = drawChartBlock(painter, s, 0.05 * img.height(), sc.ctx, 1, 1,
                                            comparisonFigures(sc.ctx, 1, 1));
        painter.end();
        // Table lines 1..10 come first; line 5 is there (runs were counted).
        const QRectF rank = b.textBoxes[2], points = b.textBoxes[7];
        QCOMPARE(b.lines[3], QStringLiteral("　　順位　　　　    2位")); // digits and blanks
        QVERIFY(b.lines[8].endsWith(QStringLiteral("   12点")));
        QCOMPARE(rank.right(), points.right());
        QCOMPARE(rank.height(), points.height());
    }

    // Labels that would overlap one printed before them move down just clear of it, and never
    // out of their block into the next one's heading: on the panel's surface as a 1024 x 768
    // screen and a 1920 x 1080 one show it.
    void labelsKeepClear_data() {
        QTest::addColumn<QList<int>>("runs");
        QTest::addColumn<QList<int>>("others");
        // The school average of points (line 9) is there: line 10 lies under it.
        QTest::newRow("line 10 under line 9") << QList<int>{30} << QList<int>{25};
        // A first best of 49 s under a scale of 50 s: both labels at the top of the axis.
        QTest::newRow("first best beside the scale") << QList<int>{49, 40, 45} << QList<int>{};
        // Many bests a step apart: their time and date labels crowd each other.
        QTest::newRow("many close bests")
            << QList<int>{60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49} << QList<int>{70};
        // One run: the newest run's date and the first best's date are the same label.
        QTest::newRow("one run") << QList<int>{33} << QList<int>{};
    }
    void labelsKeepClear() {
        QFETCH(QList<int>, runs);
        QFETCH(QList<int>, others);
        School sc;
        sc.pupil(1, QStringLiteral("たろう"));
        sc.pupil(2, QStringLiteral("じろう"));
        for (int i = 0; i < runs.size(); ++i)
            sc.run(1, 1, runs[i], runs.size() - i);
        for (int t : others)
            sc.run(2, 1, t);
        sc.done();
        // The surface at 15 twips a pixel, and as the form scales it on a 1920 x 1080 screen.
        for (const QSize size : {QSize(557, 581), QSize(783, 817)}) {
            QImage img(size, QImage::Format_RGB32);
            const double B = 0.05 * img.height();
            const ChartBlock b = drawFirstBlock(img, sc.ctx);
            QVERIFY(b.textBoxes.size() > 10);
            for (size_t i = 0; i < b.textBoxes.size(); ++i) {
                QVERIFY2(b.textBoxes[i].bottom() <= B + 0.3 * img.height(),
                         qPrintable(QStringLiteral("text %1 reaches the next block").arg(i)));
                for (size_t j = 0; j < i; ++j)
                    QVERIFY2(!b.textBoxes[i].intersects(b.textBoxes[j]),
                             qPrintable(QStringLiteral("text %1 overlaps text %2").arg(i).arg(j)));
            }
            if (!b.lines[9].isEmpty()) {
                // Line 10 follows line 9 at once, under it or, without room, beside it.
                const QRectF& line9 = b.textBoxes[8];
                const QRectF& line10 = b.textBoxes[9];
                QVERIFY(line10.top() == line9.bottom() ||
                        (line10.left() > line9.right() && line10.top() < line9.bottom()));
                QVERIFY(line10.right() <= img.width());
            }
        }
    }

    // A PDF file counts as saved only when it is on disk whole; the painter's end() says
    // nothing of the file (it ends well on a full disk).
    void pdfFileSavedOnlyWhole_data() {
        QTest::addColumn<QString>("file"); // in a temporary folder, or a path of its own
        QTest::addColumn<int>("drawing");  // 0 draws the pages, 1 fails, 2 draws nothing
        QTest::addColumn<QString>("problem");
        QTest::newRow("saved") << QStringLiteral("a.pdf") << 0 << QString();
        QTest::newRow("no folder") << QStringLiteral("none/a.pdf") << 0
                                   << QStringLiteral("ファイルを作れません（");
        QTest::newRow("drawing failed") << QStringLiteral("a.pdf") << 1
                                        << QStringLiteral("ページを描けませんでした");
        QTest::newRow("nothing written") << QStringLiteral("a.pdf") << 2
                                         << QStringLiteral("空のファイルになりました");
#ifdef Q_OS_LINUX
        // Every write fails as on a full disk.
        QTest::newRow("disk full") << QStringLiteral("/dev/full") << 0
                                   << QStringLiteral("書き込めませんでした（");
#endif
    }
    void pdfFileSavedOnlyWhole() {
        QFETCH(QString, file);
        QFETCH(int, drawing);
        QFETCH(QString, problem);
        School sc;
        sc.pupil(1, QStringLiteral("たろう"));
        sc.run(1, 1, 30);
        sc.done();
        QTemporaryDir dir;
        const QString path = file.startsWith(u'/') ? file : dir.filePath(file);
        bool painterEnded = false;
        const QString said = writePdfFile(path, [&](QPdfWriter& pdf) {
            if (drawing == 2) return true;
            painterEnded = printComparisonDocument(pdf, sc.ctx, 1, {1});
            return drawing == 0 && painterEnded;
        });
        QVERIFY2(problem.isEmpty() ? said.isEmpty() : said.startsWith(problem), qPrintable(said));
        if (file == QStringLiteral("/dev/full")) QVERIFY(painterEnded);
        if (problem.isEmpty()) QCOMPARE(pdfPageCount(path), 1);
    }

    // The printer's margins stay: the blocks fill the printable area, not the paper.
    void pagesKeepTheMargins() {
        School sc;
        sc.pupil(1, QStringLiteral("たろう"));
        sc.run(1, 1, 30);
        sc.done();
        QTemporaryDir dir;
        QPdfWriter pdf(dir.filePath(QStringLiteral("m.pdf")));
        pdf.setResolution(300);
        pdf.setPageSize(QPageSize(QPageSize::A3));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setPageMargins(QMarginsF(12, 15, 12, 15), QPageLayout::Millimeter);
        QVERIFY(printComparisonDocument(pdf, sc.ctx, 1, {1}));
        const QPageLayout layout = pdf.pageLayout();
        QCOMPARE(layout.pageSize().id(), QPageSize::A4);
        QCOMPARE(layout.orientation(), QPageLayout::Portrait);
        QCOMPARE(layout.margins(QPageLayout::Millimeter), QMarginsF(12, 15, 12, 15));
        const ChartSurface s = ChartSurface::page(pdf);
        QCOMPARE(s.height, double(layout.paintRectPixels(300).height()));
        QVERIFY(s.width < layout.fullRectPixels(300).width());
    }

    void pupilNumberAfterTheLastSlash() {
        QCOMPARE(pupilNumberOfLine(QStringLiteral("小３ /  a/b/57")), 57);
        QCOMPARE(pupilNumberOfLine(QStringLiteral("no number")), 0);
    }
};

QTEST_MAIN(ChartTest)
#include "tst_chart.moc"
