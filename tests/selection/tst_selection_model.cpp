// The roster, the name list and its figures, the level menu's texts and keys, the password.
#include "school/roster.h"
#include "selection/level_menu.h"
#include "selection/name_list.h"
#include "selection/teacher.h"
#include "support/program_school.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

using namespace kz;
using namespace kz::test;

namespace {
QString line(int number, int birthYear, const QString& name, int flag) {
    return QStringLiteral("%1,%2,0,0,%3,%4,,\r\n").arg(number).arg(birthYear).arg(name).arg(flag);
}
const QString fw = QStringLiteral("　"); // full-width space
} // namespace

class SelectionModelTest : public QObject {
    Q_OBJECT
private slots:
    void grades_data();
    void grades();
    void padding_data();
    void padding();
    void listFlags_data();
    void listFlags();
    void commonDataAsWritten_data();
    void commonDataAsWritten();
    void otherPupilsKeepTheListedNumbers();
    void badLinesAreSkipped();
    void malformedLinesAreReportedOnce();
    void namesKeepFullWidthSpaces();
    void pupilFiguresSaturate();
    void olderBirthYearsFirst();
    void starInNameKeepsNumber();
    void figureTexts_data();
    void figureTexts();
    void gradeFilter_data();
    void gradeFilter();
    void nameScreenChoiceAndConfirm();
    void nameScreenTodayFigures();
    void missingRosterEndsWithMessage();
    void programMenuExit();
    void columnGeometry_data();
    void columnGeometry();
    void keys_data();
    void keys();
    void columnTexts();
    void minutesSinceStart();
    void password_data();
    void password();
    void teacherToolOpensOnlyOnMatch();
};

void SelectionModelTest::grades_data() {
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("birthYear");
    QTest::addColumn<QString>("gradeText"); // "" = left unchanged
    QTest::addColumn<QString>("label");
    QTest::newRow("before the school year's month") << QDate(2011, 2, 10) << 2003 << "小１"
                                                    << "小1";
    QTest::newRow("in the new school year") << QDate(2011, 4, 10) << 2003 << "小２"
                                            << "小2";
    QTest::newRow("kindergarten 3") << QDate(2010, 5, 1) << 2004 << "幼３"
                                    << "幼3";
    QTest::newRow("kindergarten 1") << QDate(2010, 5, 1) << 2006 << ""
                                    << "幼1";
    QTest::newRow("younger") << QDate(2010, 5, 1) << 2007 << ""
                             << "幼-";
    QTest::newRow("lower secondary 3") << QDate(2010, 5, 1) << 1995 << "中３"
                                       << "中3";
    QTest::newRow("upper secondary 1") << QDate(2010, 5, 1) << 1994 << "高１"
                                       << "高1";
    QTest::newRow("upper secondary 3") << QDate(2010, 5, 1) << 1992 << ""
                                       << "高3";
    QTest::newRow("older") << QDate(2010, 5, 1) << 1991 << ""
                           << "大+";
}

void SelectionModelTest::grades() {
    QFETCH(QDate, today);
    QFETCH(int, birthYear);
    QFETCH(QString, gradeText);
    QFETCH(QString, label);
    RosterTables t;
    t.gradeTexts[7] = QStringLiteral("old");
    readRosterText(line(7, birthYear, QStringLiteral("たろう"), 0), t, today, 4, 0);
    QCOMPARE(t.gradeTexts[7], gradeText.isEmpty() ? QStringLiteral("old") : gradeText);
    QCOMPARE(displayGrade(gradeIndexOf(t.schoolYear, birthYear)), label);
}

void SelectionModelTest::padding_data() {
    QTest::addColumn<int>("gradeIndex");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("padding");
    // "幼3 たろう" is 6 characters.
    QTest::newRow("kindergarten, runs") << 0 << 0 << "たろう" << 5;
    QTest::newRow("kindergarten, points mode is always 9") << 0 << 1 << "たろう" << 3;
    QTest::newRow("primary") << 3 << 3 << "たろう" << 3;
    QTest::newRow("long name, none") << 3 << 1 << "たかはしはなこ" << 0;
}

void SelectionModelTest::padding() {
    QFETCH(int, gradeIndex);
    QFETCH(int, mode);
    QFETCH(QString, name);
    QFETCH(int, padding);
    const QString key =
        nameKey(2004, gradeIndex, name + QStringLiteral("  "), QStringLiteral("F"), mode, 12);
    const QString expected = QStringLiteral("2004") + displayGrade(gradeIndex) + u' ' + name +
                             fw.repeated(padding) + QStringLiteral("F*12");
    QCOMPARE(key, expected);
}

void SelectionModelTest::listFlags_data() {
    QTest::addColumn<int>("flag");
    QTest::addColumn<int>("commonLine3");
    QTest::addColumn<bool>("others"); // the level menu's other-pupils reading
    QTest::addColumn<bool>("listed");
    QTest::newRow("0") << 0 << 0 << false << true;
    QTest::newRow("1 not listed") << 1 << 1 << false << false;
    QTest::newRow("2 without commonLine3") << 2 << 0 << false << false;
    QTest::newRow("2 with commonLine3") << 2 << 1 << false << true;
    QTest::newRow("2 never among the other pupils") << 2 << 1 << true << false;
}

void SelectionModelTest::listFlags() {
    QFETCH(int, flag);
    QFETCH(int, commonLine3);
    QFETCH(bool, others);
    QFETCH(bool, listed);
    RosterTables t;
    const RosterReading r = readRosterText(
        line(1, 2003, QStringLiteral("あい"), 0) + line(42, 2002, QStringLiteral("はなこ"), flag) +
            line(3, 2003, QStringLiteral("うえ"), 0),
        t, QDate(2011, 5, 1), 4, commonLine3,
        others ? Flag2::NeverListed : Flag2::ListedWhenCommonLine3);
    QCOMPARE(int(r.listed.size()), listed ? 3 : 2);
    QCOMPARE(t.rosterCount, listed ? 3 : 2);
    QCOMPARE(t.rosterNumbers[2], listed ? 42 : 3);
    // Stored whether listed or not.
    QCOMPARE(t.studentNames[42], QStringLiteral("はなこ").leftJustified(20));
    QCOMPARE(t.gradeTexts[42], QStringLiteral("小３"));
    QCOMPARE(otherPupilLine(t, 42), QStringLiteral("小３ /  はなこ/42"));
}

// The month and the flag-2 switch of the common data are read as the file writes them.
void SelectionModelTest::commonDataAsWritten_data() {
    QTest::addColumn<QString>("line1");
    QTest::addColumn<QString>("line3");
    QTest::addColumn<int>("schoolYear"); // today is 9 December 2026
    QTest::addColumn<bool>("flag2Listed");
    QTest::newRow("April, 1") << "4" << "1" << 2026 << true;
    QTest::newRow("1.0 is 1") << "4" << "1.0" << 2026 << true;
    QTest::newRow("1.5 is not 1") << "4" << "1.5" << 2026 << false;
    QTest::newRow("a text is not 1") << "4" << "1番" << 2026 << false;
    QTest::newRow("a month after December") << "12.5" << "0" << 2025 << false;
    QTest::newRow("a month beyond any whole number") << "1e300" << "0" << 2025 << false;
    QTest::newRow("no month") << "" << "0" << 2026 << false;
}

void SelectionModelTest::commonDataAsWritten() {
    QFETCH(QString, line1);
    QFETCH(QString, line3);
    QFETCH(int, schoolYear);
    QFETCH(bool, flag2Listed);
    School s;
    s.writeRoster(line(1, 2015, QStringLiteral("あい"), 0) + line(2, 2015, QStringLiteral("いう"), 2));
    s.p->h.commonLine1 = Field::unquoted(line1);
    s.p->h.commonLine3 = Field::unquoted(line3);
    RosterTables t;
    NameScreen m(*s.p, t);
    m.rebuild();
    QCOMPARE(t.schoolYear, schoolYear);
    QCOMPARE(t.rosterCount, flag2Listed ? 2 : 1);
}

void SelectionModelTest::otherPupilsKeepTheListedNumbers() {
    School s;
    s.writeRoster(line(1, 2003, QStringLiteral("あい"), 0) +
                  line(42, 2002, QStringLiteral("はなこ"), 2) +
                  line(3, 2003, QStringLiteral("うえ"), 0));
    RosterTables t;
    // The name screen's reading lists the flag-2 pupil (commonLine3 = 1).
    QVERIFY(readRosterFile(s.p->rosterFilePath(), t, QDate(2011, 5, 1), 4, 1).ok());
    QCOMPARE(t.rosterCount, 3);
    const std::vector<int> listedNumbers = t.rosterNumbers;
    // A pupil renamed and moved up a year since: the tables by number follow the file.
    s.writeRoster(line(1, 2003, QStringLiteral("あい"), 0) +
                  line(42, 2001, QStringLiteral("はな"), 2) +
                  line(3, 2003, QStringLiteral("うえ"), 0));
    const RosterReading r = readOtherPupils(s.p->rosterFilePath(), t, QDate(2011, 5, 1), 4);
    QVERIFY(r.ok());
    QCOMPARE(int(r.listed.size()), 2); // flag 2 is never among the other pupils
    QCOMPARE(t.rosterCount, 3);
    QVERIFY(t.rosterNumbers == listedNumbers);
    QCOMPARE(t.studentNames[42].trimmed(), QStringLiteral("はな"));
    QCOMPARE(t.birthYears[42], qint16(2001));
    QCOMPARE(t.gradeTexts[42], QStringLiteral("小４"));
}

void SelectionModelTest::badLinesAreSkipped() {
    QString text = line(5001, 2003, QStringLiteral("そと"), 0) +
                   line(-1, 2003, QStringLiteral("まいなす"), 0) + QStringLiteral("8,2003,0,0,") +
                   QStringLiteral("あ").repeated(25) + QStringLiteral(",0,,\r\n");
    for (int i = 0; i < 5001; ++i)
        text += line(i % 5001, 2003, QStringLiteral("n"), 0);
    RosterTables t;
    const RosterReading r = readRosterText(text, t, QDate(2011, 5, 1), 4, 0);
    QCOMPARE(r.outOfRange, 2);
    QCOMPARE(int(r.listed.size()), 5000);
    QCOMPARE(r.overflow, 2);
    QCOMPARE(t.rosterCount, 5000);
    QCOMPARE(t.studentNames[8].length(), 20); // cut to 20 characters
    QCOMPARE(t.studentNames[5000].trimmed(),
             QStringLiteral("n")); // a line beyond the cap is still stored
}

// Lines of the wrong shape are skipped without shifting the pupils after them, and all of them
// are named in one message after the screen has loaded, once.
void SelectionModelTest::malformedLinesAreReportedOnce() {
    School s;
    s.fake.clock().date = QDate(2011, 5, 1);
    QString text = line(1, 2003, QStringLiteral("あい"), 0) +
                   QStringLiteral("2,2003,0,0,いう\r\n") +                 // 5 fields
                   line(3, 2003, QStringLiteral("うえ"), 0) +
                   QStringLiteral("4,2003,0,0,えお,0,,,x\r\n") +            // 9 fields
                   QStringLiteral("abc,2003,0,0,おか,0,,\r\n") +            // number "abc"
                   line(6, 2003, QStringLiteral("かき"), 0);
    for (int i = 0; i < 6000; ++i) // lines 7..6006; listed pupils 4..6003
        text += line(7 + i % 4990, 2003, QStringLiteral("n"), 0);
    s.writeRoster(text);
    RosterTables t;
    NameScreen m(*s.p, t);
    m.rebuild();
    QCOMPARE(s.fake.dialogs.messages.size(), 0); // not before the screen has loaded
    QCOMPARE(t.rosterCount, 5000);
    QCOMPARE(t.rosterNumbers[1], 1);
    QCOMPARE(t.rosterNumbers[2], 3); // the 5-field line shifted nothing
    QCOMPARE(t.rosterNumbers[3], 6);
    QCOMPARE(t.studentNames[2], QString());
    QCOMPARE(t.studentNames[4], QString());
    QCOMPARE(m.lastReading().overflow, 1003);

    m.reportRosterProblems();
    QCOMPARE(s.fake.dialogs.messages.size(), 1);
    const QString msg = s.fake.dialogs.messages[0];
    QVERIFY2(msg.startsWith(s.p->rosterFilePath()), qPrintable(msg));
    for (const QString& part :
         {QStringLiteral("2 行目: 項目が 5 個"), QStringLiteral("4 行目: 項目が 9 個"),
          QStringLiteral("5 行目: 番号「abc」が数ではありません"),
          QStringLiteral("5004～6006 行目: 5000 人を超えた")})
        QVERIFY2(msg.contains(part), qPrintable(msg));
    QCOMPARE(msg.count(u'\n'), 4); // a heading and four entries

    m.rebuild(); // statistics mode or filter changed, or the screen came back
    m.reportRosterProblems();
    QCOMPARE(s.fake.dialogs.messages.size(), 1);
}

void SelectionModelTest::namesKeepFullWidthSpaces() {
    RosterTables t;
    const RosterReading r = readRosterText(
        QStringLiteral("7, 2003 ,0,0, 山田　,0,\t007 , 01\r\n"), t, QDate(2011, 5, 1), 4, 0);
    QCOMPARE(int(r.listed.size()), 1);
    QCOMPARE(t.studentNames[7], QStringLiteral("山田　").leftJustified(20));
    QCOMPARE(r.listed[0].spareText1, QStringLiteral("007").leftJustified(20));
    QCOMPARE(r.listed[0].spareText2, QStringLiteral("01").leftJustified(20));
    QCOMPARE(otherPupilLine(t, 7), QStringLiteral("小２ /  山田　/7"));
    FakeServices fake;
    Program p(fake.services);
    const auto rows = nameRows(r.listed, t.schoolYear, p.stats, PointsTodayTotal, kAllGrades);
    QCOMPARE(nameLabelFor(rows[0]), QStringLiteral("小2 山田　"));
    QVERIFY(rows[0].display.startsWith(QStringLiteral("小2 山田　") + fw));
}

// A pupil's points over all levels stop at the 32-bit bound like the tables they add up.
void SelectionModelTest::pupilFiguresSaturate() {
    School s;
    s.p->criteria.passTime[1] = s.p->criteria.passTime[2] = 30;
    s.p->criteria.pointRate[1] = DecimalNumber::leading(u"100000000");
    s.p->criteria.pointRate[2] = DecimalNumber::leading(u"100000000");
    std::vector<SeisekiRecord> recs;
    for (int i = 0; i < 3; ++i) {
        recs.push_back(makeRecord(s.fake.clock().date, 5, 1, 0));
        recs.push_back(makeRecord(s.fake.clock().date, 5, 2, 0));
    }
    s.writeRecords(recs);
    s.p->computeStatistics();
    const PupilFigures f = pupilFigures(s.p->stats, 5);
    QCOMPARE(f.totalPoints, qint32(2147483647));
    QCOMPARE(f.todayPoints, qint32(2147483647));
}

void SelectionModelTest::olderBirthYearsFirst() {
    FakeServices fake;
    Program p(fake.services);
    Statistics& st = p.stats;
    RosterTables t;
    const RosterReading r = readRosterText(line(1, 2004, QStringLiteral("あ"), 0) +
                                               line(2, 2001, QStringLiteral("ん"), 0) +
                                               line(3, 2001, QStringLiteral("い"), 0),
                                           t, QDate(2011, 5, 1), 4, 0);
    const auto rows = nameRows(r.listed, t.schoolYear, st, PointsTodayTotal, kAllGrades);
    QCOMPARE(int(rows.size()), 3);
    QCOMPARE(rows[0].number, 3);
    QCOMPARE(rows[1].number, 2);
    QCOMPARE(rows[2].number, 1);
    QCOMPARE(nameLabelFor(rows[0]), QStringLiteral("小4 い"));
}

void SelectionModelTest::starInNameKeepsNumber() {
    FakeServices fake;
    Program p(fake.services);
    RosterTables t;
    const RosterReading r =
        readRosterText(line(77, 2003, QStringLiteral("ほし*12"), 0), t, QDate(2011, 5, 1), 4, 0);
    const auto rows = nameRows(r.listed, t.schoolYear, p.stats, PointsTodayTotal, kAllGrades);
    QCOMPARE(rows[0].number, 77);
    QVERIFY(rows[0].display.startsWith(QStringLiteral("小2 ほし*12")));
}

void SelectionModelTest::figureTexts_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("totalPoints");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0 runs") << 0 << 2500 << "  3回/   40回";
    QTest::newRow("1 points") << 1 << 2500 << " 120/   2500";
    QTest::newRow("2 today") << 2 << 2500 << " 120/  3回";
    QTest::newRow("3 so far") << 3 << 2500 << "   2500/   40回";
    QTest::newRow("eight digits, mode 1") << 1 << 12345678 << " 120/2345678";
    QTest::newRow("eight digits, mode 3") << 3 << 12345678 << "2345678/   40回";
}

void SelectionModelTest::figureTexts() {
    QFETCH(int, mode);
    QFETCH(int, totalPoints);
    QFETCH(QString, expected);
    PupilFigures f;
    f.todayRuns = 3;
    f.todayPoints = 120;
    f.totalRuns = 40;
    f.totalPoints = totalPoints;
    QCOMPARE(figuresField(f, mode), expected);
    const PupilFigures none;
    QCOMPARE(figuresField(none, 1), QStringLiteral("  ") + fw + u'/' + QStringLiteral("       "));
    QCOMPARE(figuresField(none, 0), QStringLiteral("     /     ") + fw);
}

void SelectionModelTest::gradeFilter_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("grade");
    QTest::addColumn<bool>("keeps");
    QTest::newRow("all, kindergarten") << "全学年" << 0 << true;
    QTest::newRow("primary 1") << "小学生全体" << 1 << true;
    QTest::newRow("primary 6") << "小学生全体" << 6 << true;
    QTest::newRow("primary excludes 7") << "小学生全体" << 7 << false;
    QTest::newRow("secondary 7") << "中学生全体" << 7 << true;
    QTest::newRow("secondary 9") << "中学生全体" << 9 << true;
    QTest::newRow("secondary excludes 10") << "中学生全体" << 10 << false;
    QTest::newRow("小３ exactly") << "小３" << 3 << true;
    QTest::newRow("小３ not 4") << "小３" << 4 << false;
    QTest::newRow("中２ is 8") << "中２" << 8 << true;
    QTest::newRow("unknown text") << "幼３" << 0 << false;
}

void SelectionModelTest::gradeFilter() {
    QFETCH(QString, filter);
    QFETCH(int, grade);
    QFETCH(bool, keeps);
    QCOMPARE(gradeFilterKeeps(filter, grade), keeps);
}

void SelectionModelTest::nameScreenChoiceAndConfirm() {
    School s;
    s.fake.clock().date = QDate(2011, 5, 1);
    s.writeRoster(line(12, 2002, QStringLiteral("やまだ はなこ"), 0) +
                  line(3, 2005, QStringLiteral("すず"), 0));
    RosterTables t;
    NameScreen m(*s.p, t);
    m.rebuild();
    QCOMPARE(m.listItems().size(), 3);
    QCOMPARE(m.listItems()[0], kNoName);

    // O.K. with no name: the wrong sound, nothing handed over.
    QVERIFY(!m.confirm());
    QCOMPARE(s.fake.sound.played.size(), 1);
    QVERIFY(s.fake.sound.played[0].endsWith(QStringLiteral("wrong.wav")));
    QCOMPARE(s.p->h.Bangou, 0);

    m.choose(1);
    QCOMPARE(m.nameLabel(), QStringLiteral("小3 やまだ はなこ"));
    QCOMPARE(m.numberLabel(), QStringLiteral("12"));
    s.fake.clock().tick = 1500;
    QVERIFY(m.confirm());
    QCOMPARE(s.p->h.Bangou, 12);
    QCOMPARE(s.p->h.studentName.trimmed(), QStringLiteral("やまだ はなこ"));
    QCOMPARE(s.p->h.studentGrade, QStringLiteral("小３"));
    QCOMPARE(s.p->h.usageStartTime, 36002); // 10:00:01.5 rounds half to even
    QCOMPARE(s.p->h.usageStartTick, 1500);

    s.p->h.gradeFilter = QStringLiteral("中学生全体");
    m.rebuild();
    QCOMPARE(m.listItems(), QStringList{kNoName});
    QCOMPARE(m.nameLabel(), kChooseName);
}

void SelectionModelTest::nameScreenTodayFigures() {
    School s;
    const QDate today = s.fake.clock().date;
    s.writeRoster(line(5, today.year() - 9, QStringLiteral("たろう"), 0));
    s.p->criteria.passTime[1] = 30;
    s.p->criteria.judgeDays[1] = Field::number(7);
    s.writeRecords({makeRecord(today, 5, 1, 0), makeRecord(today, 5, 1, 0),
                    makeRecord(today.addDays(-2), 5, 1, 15)});
    RosterTables t;
    NameScreen m(*s.p, t);
    m.statsMode = RunsTodayTotal;
    m.rebuild();
    QVERIFY2(m.listItems()[1].endsWith(QStringLiteral("  2回/    3回")),
             qPrintable(m.listItems()[1]));
}

void SelectionModelTest::missingRosterEndsWithMessage() {
    School s;
    RosterTables t;
    NameScreen m(*s.p, t);
    QVERIFY_THROWS_EXCEPTION(ProgramEnded, m.rebuild());
    QCOMPARE(s.fake.dialogs.messages.size(), 1);
    QVERIFY(s.fake.dialogs.messages[0].contains(QStringLiteral("新名簿.txt")));
}

void SelectionModelTest::programMenuExit() {
    School s;
    QDir().mkpath(s.p->h.programPath);
    // No launcher: a box says which one is missing (a windowed program's error output is seen by
    // nobody), and the program still ends, normally.
    try {
        ProgramMenuExit(*s.p);
        QFAIL("did not end");
    } catch (const ProgramEnded& e) {
        QCOMPARE(e.status, 0);
    }
    QCOMPARE(s.fake.dialogs.messages.size(), 1);
    QVERIFY(s.fake.dialogs.messages[0].contains(
        QDir::toNativeSeparators(launcherPath(s.p->h.programPath))));
    // A launcher beside the program folder, in a folder with a Japanese name, gets "001" as its
    // one argument; a real program, so that this runs alike wherever the program runs.
    const QString launcher = launcherPath(s.p->h.programPath);
    const QString seen = QFileInfo(launcher).absolutePath() + QStringLiteral("/seen.txt");
    QVERIFY(QDir().mkpath(QFileInfo(launcher).absolutePath()));
    QVERIFY(QFile::copy(QStringLiteral(LAUNCHER_STUB), launcher));
    QVERIFY_THROWS_EXCEPTION(ProgramEnded, ProgramMenuExit(*s.p));
    QCOMPARE(s.fake.dialogs.messages.size(), 1); // none when it starts
    QTRY_VERIFY(QFileInfo(seen).size() > 0);
    QFile f(seen);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("001|"));
}

void SelectionModelTest::columnGeometry_data() {
    QTest::addColumn<int>("levels");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("scroll");
    QTest::addColumn<int>("max");
    QTest::newRow("1") << 1 << 14592 << false << 0;
    QTest::newRow("4") << 4 << 3648 << false << 0;
    QTest::newRow("5") << 5 << 3456 << true << 2;
    QTest::newRow("6") << 6 << 3456 << true << 3;
    QTest::newRow("none") << 0 << 0 << false << 0;
}

void SelectionModelTest::columnGeometry() {
    QFETCH(int, levels);
    QFETCH(int, width);
    QFETCH(bool, scroll);
    QFETCH(int, max);
    const ColumnGeometry g = kz::columnGeometry(levels);
    QCOMPARE(g.width, width);
    QCOMPARE(g.scrollBar, scroll);
    QCOMPARE(g.scrollMax, max);
}

void SelectionModelTest::keys_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("levels");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("level");
    QTest::newRow("1") << "1" << 4 << int(MenuKey::Start) << 1;
    QTest::newRow("4") << "4" << 4 << int(MenuKey::Start) << 4;
    QTest::newRow("5 beyond 4 levels") << "5" << 4 << int(MenuKey::None) << 0;
    QTest::newRow("9 beyond 4 levels") << "9" << 4 << int(MenuKey::None) << 0;
    QTest::newRow("a beyond 4 levels") << "a" << 4 << int(MenuKey::None) << 0;
    QTest::newRow("d beyond 4 levels") << "d" << 4 << int(MenuKey::None) << 0;
    QTest::newRow("a is 10") << "a" << 13 << int(MenuKey::Start) << 10;
    QTest::newRow("d is 13") << "d" << 13 << int(MenuKey::Start) << 13;
    QTest::newRow("upper case A") << "A" << 13 << int(MenuKey::None) << 0;
    QTest::newRow("0 back") << "0" << 4 << int(MenuKey::Back) << 0;
}

void SelectionModelTest::keys() {
    QFETCH(QString, key);
    QFETCH(int, levels);
    QFETCH(int, kind);
    QFETCH(int, level);
    const MenuKey k = menuKeyAction(key.at(0), levels, true);
    QCOMPARE(int(k.kind), kind);
    QCOMPARE(k.level, level);
    QCOMPARE(int(menuKeyAction(u'0', 4, false).kind), int(MenuKey::None));
}

void SelectionModelTest::columnTexts() {
    FakeServices fake;
    Program p(fake.services);
    p.h.levelRecorded[1] = 1;
    p.h.levelRecorded[2] = 1;
    CriteriaTable& c = p.criteria;
    c.passTime[1] = 30;
    c.clearPoints[1] = 9999;
    c.passTime[2] = 25;
    c.clearCount[2] = 10;
    c.clearPoints[2] = 300;
    c.pointRate[2] = DecimalNumber::leading(u"1.5");
    c.judgeDays[2] = Field::number(7);
    QCOMPARE(targetText(c, p.h, 1), QStringLiteral("目標=30秒 --------"));
    QCOMPARE(targetText(c, p.h, 2), QStringLiteral("目標=25秒 10回/300点(×1.5)"));
    p.h.levelRecorded[3] = 0;
    c.passTime[3] = 80;
    QCOMPARE(targetText(c, p.h, 3), QStringLiteral("◎=80点以上"));
    QCOMPARE(todayText(p.stats, 2, 9), QStringLiteral("-----"));
    QCOMPARE(totalText(p.stats, 2, 9), QStringLiteral("------"));
    QCOMPARE(recentText(c, p.stats, 2, 9), QStringLiteral("最近7日=0回 / 0点"));
    QCOMPARE(startCaption(3), QStringLiteral("ｽﾀｰﾄ(&3)"));
    QCOMPARE(titlePoints(QStringLiteral("カズトビ１")), 24.0);
    QCOMPARE(titlePoints(QStringLiteral("とてもながいだいめいです")), 20.0);
}

void SelectionModelTest::minutesSinceStart() {
    QCOMPARE(minutesSinceStartText(1000, 1000 + 59999), QStringLiteral("起動後0分"));
    QCOMPARE(minutesSinceStartText(1000, 1000 + 150000), QStringLiteral("起動後2分"));
}

void SelectionModelTest::password_data() {
    QTest::addColumn<QString>("commonData"); // the sixth value as written in the file
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("matches");
    QTest::newRow("unquoted loses its zero") << "0123"
                                             << "123" << true;
    QTest::newRow("unquoted, typed with zero") << "0123"
                                               << "0123" << false;
    QTest::newRow("quoted keeps its zero") << "\"0123\""
                                           << "0123" << true;
    QTest::newRow("quoted, typed without") << "\"0123\""
                                           << "123" << false;
    QTest::newRow("empty accepts empty") << ""
                                         << "" << true;
    QTest::newRow("case matters") << "abc"
                                  << "ABC" << false;
    QTest::newRow("width matters") << "abc"
                                   << "ａｂｃ" << false;
}

void SelectionModelTest::password() {
    QFETCH(QString, commonData);
    QFETCH(QString, typed);
    QFETCH(bool, matches);
    FieldReader r(QStringLiteral("1,2,3,4,5,") + commonData + QStringLiteral("\r\n"));
    Field sixth;
    for (int i = 0; i < 6; ++i)
        sixth = r.next();
    QCOMPARE(passwordMatches(typed, sixth), matches);
}

void SelectionModelTest::teacherToolOpensOnlyOnMatch() {
    FakeServices fake;
    Program p(fake.services);
    p.h.commonLine6 = Field::number(123);
    QVERIFY(!openTeacherTool(p, 0, QStringLiteral("0123")));
    QCOMPARE(fake.dialogs.messages, QStringList{QStringLiteral("パスワードを入力して下さい")});
    QVERIFY(fake.screens.shown.isEmpty());
    QVERIFY(fake.screens.unloaded.isEmpty());
    QVERIFY(openTeacherTool(p, 1, QStringLiteral("123")));
    QCOMPARE(fake.screens.shown, QStringList{screen::FrmTimeData});
    QCOMPARE(fake.screens.unloaded, QStringList{screen::seisekitime1});
}

QTEST_GUILESS_MAIN(SelectionModelTest)
#include "tst_selection_model.moc"
