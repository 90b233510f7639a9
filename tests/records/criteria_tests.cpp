// The criteria file: reading, the editor's writing, and their round trip.
#include "records/criteria_editor.h"
#include "records/criteria_table.h"
#include "shell/text_codec.h"
#include "support/fakes.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kz;

class CriteriaTests : public QObject {
    Q_OBJECT

    static QString demoFile() {
        return QStringLiteral(
            "目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"
            "25,40,100,5,1.5,30,500,7,3,,,\r\n"
            "20,35,9999,9999,1,,,,,,,\r\n"
            "15,30,80,4,2,10,abc,14,3,x,0.25,\r\n");
    }

    // Rows read from a text that must be good.
    static int readGood(CriteriaTable& t, const QString& text) {
        int rows = -1;
        const QString error = t.read(text, &rows);
        if (!error.isEmpty()) qWarning("%s", qPrintable(error));
        return error.isEmpty() ? rows : -1;
    }

private slots:
    void readsRowsByLinePosition() {
        CriteriaTable t;
        QCOMPARE(readGood(t, demoFile()), 4);
        // The heading row: numeric columns read 0, headings stay text, spares empty.
        for (int v : {t.passTime[0], t.minimumTime[0], t.clearPoints[0], int(t.clearCount[0])})
            QCOMPARE(v, 0);
        QCOMPARE(t.pointRate[0].text(), QStringLiteral("0"));
        QCOMPARE(t.overCount[0].toText(), QStringLiteral("禁回"));
        QCOMPARE(t.overDays[0].toText(), QStringLiteral("禁期間"));
        QVERIFY(t.spare10[0].isEmpty() && t.spare12[0].isEmpty());

        QCOMPARE(t.passTime[1], 25);
        QCOMPARE(t.minimumTime[1], 40);
        QCOMPARE(t.pointRate[1].text(), QStringLiteral("1.5"));
        QVERIFY(t.judgeDays[1].isNumber());
        QCOMPARE(t.judgeDays[1].toNumber(), 7.0);
        // Empty variant columns: no limits, and an empty judgement window.
        QVERIFY(t.overCount[2].isEmpty() && t.judgeDays[2].isEmpty());
        QVERIFY(!t.overPracticeReached(2, 1000, 100000));
        QVERIFY(t.overPoints[3].isText());
        QCOMPARE(t.spare11[3].toNumber(), 0.25);
    }

    void overPracticeLimits() {
        CriteriaTable t;
        QCOMPARE(readGood(t, demoFile()), 4);
        QVERIFY(!t.overPracticeReached(1, 29, 499));
        QVERIFY(t.overPracticeReached(1, 30, 0));
        QVERIFY(t.overPracticeReached(1, 0, 500));
        // A text limit never triggers; the count limit still does.
        QVERIFY(!t.overPracticeReached(3, 9, 1000000));
        QVERIFY(t.overPracticeReached(3, 10, 0));
    }

    void rowsTheFileDoesNotReachKeepTheirValues() {
        CriteriaTable t;
        QCOMPARE(readGood(t, demoFile()), 4);
        QCOMPARE(readGood(t, QStringLiteral("h,h,h,h,h,h,h,h,h,,,\r\n99,98,1,1,1,,,,,,,\r\n")), 2);
        QCOMPARE(t.passTime[1], 99);
        QCOMPARE(t.passTime[2], 20);
    }

    void aThirtySeventhLineIsIgnored() {
        QString text;
        for (int line = 0; line < 37; ++line)
            text += QStringLiteral("%1,2,3,4,5,,,,,,,\r\n").arg(line + 100);
        CriteriaTable t;
        QCOMPARE(readGood(t, text), 36);
        QCOMPARE(t.passTime[35], 135);
    }

    void swappingLinesSwapsLevels() {
        CriteriaTable t;
        QCOMPARE(readGood(t, QStringLiteral("h,,,,,,,,,,,\r\n30,1,1,1,1,,,,,,,\r\n10,1,1,1,1,,,,,,,\r\n")), 3);
        QCOMPARE(t.passTime[1], 30);
        QCOMPARE(t.passTime[2], 10);
    }

    void editorWrittenFileReadsBackIdentically() {
        CriteriaTable t;
        QCOMPARE(readGood(t, demoFile()), 4);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("タイム回数データ.txt"));
        CriteriaGrid grid;
        grid.loadText(demoFile());
        CriteriaTable saved;
        QCOMPARE(grid.SaveGrid(path, saved), QString());

        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QString text;
        QVERIFY(decodeCp932(bytes, &text));
        const QStringList lines = text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 5); // four lines and the empty tail after the last CR LF
        for (int i = 0; i < 4; ++i)
            QCOMPARE(lines[i].count(u','), 11);
        QVERIFY(!text.contains(u'"'));
        QCOMPARE(lines[0], QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,"));
        QCOMPARE(lines[1], QStringLiteral("25,40,100,5,1.5,30,500,7,3,,,"));

        CriteriaTable back;
        QCOMPARE(LoadCriteriaFile(back, path), QString());
        for (int row = 0; row <= 3; ++row)
            QCOMPARE(back.rowTexts(row), t.rowTexts(row));
        QCOMPARE(back.pointRate[1], t.pointRate[1]);
        QVERIFY(back.overPoints[3].isText());
        QVERIFY(back.spare12[2].isEmpty());
    }

    // Whole-number columns round half to even and hold the column's range; the rate stays as written.
    void numericColumnsRoundAndClamp() {
        CriteriaTable t;
        QCOMPARE(readGood(t, QStringLiteral("h,,,,,,,,,,,\r\n"
                                            "30.6,30.5,31.5,40000,0.7,,,,,,,\r\n"
                                            "-1,9999999999,2.5,-40000,1.50,,,,,,,\r\n")),
                 3);
        QCOMPARE(t.passTime[1], 31);
        QCOMPARE(t.minimumTime[1], 30);
        QCOMPARE(t.clearPoints[1], 32);
        QCOMPARE(t.clearCount[1], short(32767));
        QCOMPARE(t.pointRate[1].floorTimes(10), 7LL);
        QCOMPARE(t.passTime[2], -1);
        QCOMPARE(t.minimumTime[2], 2147483647);
        QCOMPARE(t.clearPoints[2], 2);
        QCOMPARE(t.clearCount[2], short(-32768));
        QCOMPARE(t.rowTexts(2)[4], QStringLiteral("1.5"));
    }

    // Quotes around a number or around nothing change nothing: empty is 0, as unquoted.
    void quotedNumericCells() {
        CriteriaTable t;
        QCOMPARE(readGood(t, QStringLiteral("h,,,,,,,,,,,\r\n"
                                            "\"25\",\" 40 \",\"\",\"5\",\"1.5\",,,,,,,\r\n")),
                 2);
        QCOMPARE(t.passTime[1], 25);
        QCOMPARE(t.minimumTime[1], 40);
        QCOMPARE(t.clearPoints[1], 0);
        QCOMPARE(t.clearCount[1], short(5));
        QCOMPARE(t.pointRate[1].floorTimes(10), 15LL);
    }

    // A bad line or a missing level line closes that level and no other: the table keeps what
    // the row held, the rest is read, and the problem names the line and column and the cells
    // to mend in the editor.
    void badLinesCloseTheirLevel_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("advice");
        const QString head = QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n");
        const QString good = QStringLiteral("25,40,100,5,1.5,30,500,7,3,,,\r\n");
        QTest::newRow("short row") << head + good + QStringLiteral("20,35,1500,7,3,,,\r\n") + good + good << 2
                                   << QStringLiteral("3 行目: 値が 8 個あります（1 行に 12 個のはずです）。9 列目（禁期間） から後がありません")
                                   << QStringLiteral("レベル2 の「禁期間」「10 列目」「11 列目」「12 列目」のセルを直して");
        QTest::newRow("long row") << head + QStringLiteral("25,40,100,5,1.5,30,500,7,3,,,,\r\n") + good + good + good << 1
                                  << QStringLiteral("2 行目: 値が 13 個あります（1 行に 12 個のはずです）。13 列目 から後は余分です")
                                  << QStringLiteral("レベル1 の「12 列目」のセル");
        QTest::newRow("short heading") << QStringLiteral("目標Time,最低Time\r\n") + good + good + good + good << 0
                                       << QStringLiteral("1 行目: 値が 2 個")
                                       << QStringLiteral("見出しの行を書き直して");
        QTest::newRow("text in a numeric column") << head + good + QStringLiteral("25,40秒,100,abc,1.5,,,,,,,\r\n") + good + good << 2
                                                  << QStringLiteral("3 行目 2 列目（最低Time）: 「40秒」は数ではありません")
                                                  << QStringLiteral("レベル2 の「最低Time」「ｸﾘｱ回数」のセルを直して");
        QTest::newRow("exponent in the rate") << head + QStringLiteral("25,40,100,5,1e3,,,,,,,\r\n") + good + good + good << 1
                                              << QStringLiteral("2 行目 5 列目（ﾎﾟｲﾝﾄ倍率）")
                                              << QStringLiteral("レベル1 の「ﾎﾟｲﾝﾄ倍率」");
        QTest::newRow("blank line inside") << head + QStringLiteral("\r\n") + good + good + good << 1
                                           << QStringLiteral("2 行目: 値が 0 個")
                                           << QStringLiteral("レベル1 の「目標Time」「最低Time」");
        QTest::newRow("two level lines only") << head + good + good << 3
                                              << QStringLiteral("4 行目（レベル3 の行）がありません")
                                              << QStringLiteral("レベル3 の行のセル（「目標Time」から「ﾎﾟｲﾝﾄ倍率」まで）を入れて");
    }
    void badLinesCloseTheirLevel() {
        QFETCH(QString, text);
        QFETCH(int, row);
        QFETCH(QString, where);
        QFETCH(QString, advice);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("タイム回数データ.txt"));
        test::writeCp932(path, text);
        CriteriaTable t;
        QCOMPARE(readGood(t, demoFile()), 4);
        QCOMPARE(LoadCriteriaFile(t, path), QString());
        for (int level = 1; level <= 4; ++level) {
            QCOMPARE(t.closesLevel(level), level == row || (row == 3 && level == 4));
            QCOMPARE(t.closedReason(level).isEmpty(), !t.closesLevel(level));
        }
        // A closed row keeps what it held (the demo file's pass times); the others are read.
        const int held[] = {0, 25, 20, 15, 0};
        for (int level = 1; level <= 4; ++level)
            QCOMPARE(t.passTime[level], t.closesLevel(level) ? held[level] : 25);
        const std::vector<CriteriaProblem> problems = criteriaProblems(t, 4);
        QVERIFY(!problems.empty());
        QCOMPARE(problems.front().row, row);
        QVERIFY2(problems.front().detail.contains(where), qPrintable(problems.front().detail));
        QVERIFY2(problems.front().advice.contains(advice), qPrintable(problems.front().advice));
        const QString message = criteriaProblemMessage(t, 4, path);
        QVERIFY(message.contains(QDir::toNativeSeparators(path)));
        QVERIFY(message.contains(where));
    }

    void missingFileNamesIt() {
        CriteriaTable t;
        const QString error = LoadCriteriaFile(t, QStringLiteral("/nowhere/タイム回数データ.txt"));
        QVERIFY(error.contains(QDir::toNativeSeparators(QStringLiteral("/nowhere/タイム回数データ.txt"))));
    }
};

QTEST_GUILESS_MAIN(CriteriaTests)
#include "criteria_tests.moc"
