// The criteria editor's model: the grid round trip, its keys and colours, the distribution.
#include "records/criteria_editor.h"
#include "shell/ole_date.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/school.h"

#include <QFile>
#include <QtTest>

using namespace kz;
using kz::test::bytesOf;
using Key = CriteriaGrid::Key;

namespace {
SeisekiRecord run(int level, int student, int time) {
    SeisekiRecord r;
    r.recordDate = oleDate(QDate(2026, 12, 1));
    r.recordLevel = static_cast<qint16>(level);
    r.recordBangou = static_cast<qint16>(student);
    r.recordTime = time;
    return r;
}
} // namespace

class CriteriaEditorTests : public QObject {
    Q_OBJECT

    QString criteriaPath(const test::TempSchool& school) const {
        return school.dataFolder() + QStringLiteral("タイム回数データ.txt");
    }

private slots:
    void openAndSaveRewritesTheSameBytes() {
        test::TempSchool school;
        // A spare column with text, so the code page matters too.
        school.writeCriteria(test::TempSchool::defaultCriteria() +
                             QStringLiteral("20,30,60,9999,2.5,,,7,3,メモ,,\r\n"));
        const QByteArray before = bytesOf(criteriaPath(school));
        CriteriaGrid grid;
        QVERIFY(grid.LoadGrid(criteriaPath(school)).isEmpty());
        QCOMPARE(grid.lastRow(), 5);
        QCOMPARE(grid.cell(3, 5), QStringLiteral("1.5"));
        QCOMPARE(grid.cell(5, 10), QStringLiteral("メモ"));
        CriteriaTable table;
        QVERIFY(grid.SaveGrid(criteriaPath(school), table).isEmpty());
        QCOMPARE(bytesOf(criteriaPath(school)), before);
        QVERIFY(before.contains("\r\n20,30,60,9999,2.5,,,7,3,\x83\x81\x83\x82,,\r\n"));
        QCOMPARE(table.passTime[5], 20); // the running program uses the file at once
    }

    void typingColoursTheCellAndSavingUsesIt() {
        test::TempSchool school;
        CriteriaGrid grid;
        grid.LoadGrid(criteriaPath(school));
        QCOMPARE(grid.row(), 1);
        QCOMPARE(grid.column(), 1);
        QCOMPARE(grid.editText(), QStringLiteral("55"));
        grid.TextToGrid(QStringLiteral("55")); // the copy back changes nothing
        QVERIFY(!grid.isYellow(1, 1));
        QVERIFY(!grid.dataChanged());
        QVERIFY(!grid.keyDown(Key::Other)); // a typed key reaches the edit box
        grid.TextToGrid(QStringLiteral("550"));
        QVERIFY(grid.isYellow(1, 1));
        QVERIFY(grid.dataChanged());
        QCOMPARE(grid.cell(1, 1), QStringLiteral("550"));
        // Full-width digits in a number's column are saved as half-width ones; a text column
        // keeps what was typed.
        grid.TextToGrid(QStringLiteral("５０"));
        QCOMPARE(grid.cell(1, 1), QStringLiteral("50"));
        grid.clickCell(1, 10);
        grid.TextToGrid(QStringLiteral("５０"));
        QCOMPARE(grid.cell(1, 10), QStringLiteral("５０"));
        // Undo reloads the grid but keeps the flag, so leaving still asks.
        grid.LoadGrid(criteriaPath(school));
        QCOMPARE(grid.cell(1, 1), QStringLiteral("55"));
        QVERIFY(!grid.isYellow(1, 1));
        QVERIFY(grid.dataChanged());
    }

    void spaceEmptiesTheCell() {
        test::TempSchool school;
        CriteriaGrid grid;
        grid.LoadGrid(criteriaPath(school));
        grid.keyDown(Key::Right);
        QVERIFY(grid.keyDown(Key::Space));
        QCOMPARE(grid.cell(1, 2), QString());
        QCOMPARE(grid.editText(), QString());
        QVERIFY(grid.isYellow(1, 2));
        CriteriaTable table;
        QVERIFY(grid.SaveGrid(criteriaPath(school), table).isEmpty());
        QVERIFY(!grid.dataChanged());
        QVERIFY(!grid.isYellow(1, 2)); // saved: no longer a change
        QVERIFY(bytesOf(criteriaPath(school)).contains("\r\n55,,60,5,1,20,0,7,3,,,\r\n"));
    }

    void aCellTheReaderRefusesIsNotSaved_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("named"); // the refusal names the cell
        QTest::newRow("word as pass time")
            << 1 << QStringLiteral("abc")
            << QStringLiteral("レベル2 の「目標Time」: 「abc」は数ではありません");
        QTest::newRow("comma adds a value")
            << 1 << QStringLiteral("5,5")
            << QStringLiteral("レベル2 の「目標Time」: 「5,5」に「,」は使えません");
        QTest::newRow("comma in a spare column")
            << 10 << QStringLiteral("a,b")
            << QStringLiteral("レベル2 の「10 列目」: 「a,b」に「,」");
        QTest::newRow("quote opens a value")
            << 7 << QStringLiteral("\"3")
            << QStringLiteral("レベル2 の「%1」: 「\"3」に「\"」は使えません").arg(CriteriaGrid::headings()[7]);
        QTest::newRow("exponent as rate")
            << 5 << QStringLiteral("1e3")
            << QStringLiteral("レベル2 の「ﾎﾟｲﾝﾄ倍率」: 「1e3」は数ではありません");
        QTest::newRow("character CP932 lacks")
            << 10 << QStringLiteral("メモ\U0001F600")
            << QStringLiteral("レベル2 の「10 列目」: 「メモ\U0001F600」の「\U0001F600」は記録できない文字です");
        QTest::newRow("line break in a day count")
            << 8 << QStringLiteral("7\n3")
            << QStringLiteral("レベル2 の「判期間」: 「7\n3」に「改行」");
    }
    void aCellTheReaderRefusesIsNotSaved() {
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(QString, named);
        test::TempSchool school;
        const QByteArray before = bytesOf(criteriaPath(school));
        CriteriaGrid grid;
        grid.LoadGrid(criteriaPath(school));
        grid.clickCell(2, column);
        grid.TextToGrid(text);
        CriteriaTable table;
        QVERIFY(table.read(QString::fromLatin1(before)).isEmpty());
        const int passTime = table.passTime[2];
        const QString refused = grid.SaveGrid(criteriaPath(school), table);
        QVERIFY2(refused.contains(named), qPrintable(refused));
        QCOMPARE(bytesOf(criteriaPath(school)), before);
        QVERIFY(grid.dataChanged()); // still asks on leaving
        QCOMPARE(table.passTime[2], passTime);
    }

    // A file with a cell the reader refuses or level rows missing opens as the program reads
    // it, with four level rows and the cells to mend marked; the save refuses them until they
    // hold numbers, then writes the fix.
    void aRefusedFileOpensMarkedAndASaveMendsIt_data() {
        QTest::addColumn<QString>("levelLines");
        QTest::addColumn<QList<QPoint>>("marked"); // (column, row)
        QTest::addColumn<QString>("refusal");
        const QString good = QStringLiteral("55,80,60,5,1,20,0,7,3,,,\r\n");
        QTest::newRow("word in line 3")
            << good + QStringLiteral("abc,65,60,5,1.2,20,0,7,3,,,\r\n") + good + good
            << QList<QPoint>{{1, 2}} << QStringLiteral("レベル2 の「目標Time」: 「abc」は数ではありません");
        QTest::newRow("two level rows") << good + good
                                        << QList<QPoint>{{1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3},
                                                         {1, 4}, {2, 4}, {3, 4}, {4, 4}, {5, 4}}
                                        << QStringLiteral("レベル3 の「目標Time」: 空です");
    }
    void aRefusedFileOpensMarkedAndASaveMendsIt() {
        QFETCH(QString, levelLines);
        QFETCH(QList<QPoint>, marked);
        QFETCH(QString, refusal);
        test::TempSchool school;
        school.writeCriteria(QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n") +
                             levelLines);
        const QByteArray before = bytesOf(criteriaPath(school));
        CriteriaGrid grid;
        QVERIFY(grid.LoadGrid(criteriaPath(school), 4).isEmpty());
        QCOMPARE(grid.lastRow(), 4);
        for (int r = 1; r <= 4; ++r)
            for (int c = 1; c <= CriteriaGrid::LastColumn; ++c)
                QCOMPARE(grid.isMarked(r, c), marked.contains(QPoint(c, r)));
        CriteriaTable table;
        QVERIFY(LoadCriteriaFile(table, criteriaPath(school)).isEmpty());
        QString error = grid.SaveGrid(criteriaPath(school), table);
        QVERIFY2(error.contains(refusal), qPrintable(error));
        QCOMPARE(bytesOf(criteriaPath(school)), before);

        // Every marked cell filled: the save writes four good rows and opens every level.
        for (const QPoint& cell : marked) {
            grid.clickCell(cell.y(), cell.x());
            grid.TextToGrid(QStringLiteral("7"));
        }
        error = grid.SaveGrid(criteriaPath(school), table);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(!grid.hasMarks());
        QVERIFY(criteriaProblems(table, 4).empty());
        for (int level = 1; level <= 4; ++level)
            QVERIFY(!table.closesLevel(level));
        QCOMPARE(table.passTime[marked.front().y()], 7);
    }

    void shiftDownFillsTheColumnWithoutColour() {
        test::TempSchool school;
        CriteriaGrid grid;
        grid.LoadGrid(criteriaPath(school));
        grid.keyDown(Key::Down);
        grid.TextToGrid(QStringLiteral("44"));
        QVERIFY(grid.isYellow(2, 1));
        for (int i = 0; i < 3; ++i) // the third press finds the last row already selected
            grid.keyDown(Key::ShiftDown);
        QCOMPARE(grid.selectionEnd(), 4);
        QCOMPARE(grid.row(), 2);
        for (int r = 2; r <= 4; ++r)
            QCOMPARE(grid.cell(r, 1), QStringLiteral("44"));
        QCOMPARE(grid.cell(1, 1), QStringLiteral("55"));
        QVERIFY(!grid.isYellow(3, 1));
        QVERIFY(!grid.isYellow(4, 1));
        // A move ends the selection.
        grid.keyDown(Key::Right);
        QCOMPARE(grid.selectionEnd(), 2);
    }

    // Copies that change a cell are changes: leaving asks, though they stay uncoloured.
    void shiftDownCopiesCountAsChanges_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("changed");
        QTest::newRow("pass times differ") << 1 << true;
        QTest::newRow("day counts already equal") << 9 << false;
    }
    void shiftDownCopiesCountAsChanges() {
        QFETCH(int, column);
        QFETCH(bool, changed);
        test::TempSchool school;
        CriteriaGrid grid;
        grid.LoadGrid(criteriaPath(school));
        grid.clickCell(1, column);
        grid.keyDown(Key::ShiftDown);
        grid.keyDown(Key::ShiftDown);
        QCOMPARE(grid.cell(3, column), grid.cell(1, column));
        QCOMPARE(grid.dataChanged(), changed);
        QVERIFY(!grid.isYellow(2, column) && !grid.isYellow(3, column));
        // A reload keeps the flag, as after typed changes.
        grid.LoadGrid(criteriaPath(school));
        QCOMPARE(grid.dataChanged(), changed);
    }

    void movesStopAtTheEdges_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("toRow");
        QTest::addColumn<int>("toColumn");
        QTest::newRow("up from row 1") << 1 << 3 << int(Key::Up) << 1 << 3;
        QTest::newRow("left from column 1") << 2 << 1 << int(Key::Left) << 2 << 1;
        QTest::newRow("right from column 12") << 2 << 12 << int(Key::Right) << 2 << 12;
        QTest::newRow("down from the last row") << 4 << 5 << int(Key::Down) << 4 << 5;
        QTest::newRow("down inside") << 3 << 5 << int(Key::Down) << 4 << 5;
        QTest::newRow("right inside") << 3 << 11 << int(Key::Right) << 3 << 12;
        QTest::newRow("enter stays") << 3 << 4 << int(Key::Enter) << 3 << 4;
    }
    void movesStopAtTheEdges() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, key);
        QFETCH(int, toRow);
        QFETCH(int, toColumn);
        test::TempSchool school;
        CriteriaGrid grid;
        grid.LoadGrid(criteriaPath(school));
        grid.clickCell(row, column);
        QVERIFY(grid.keyDown(static_cast<Key>(key)));
        QCOMPARE(grid.row(), toRow);
        QCOMPARE(grid.column(), toColumn);
        QCOMPARE(grid.editText(), grid.cell(toRow, toColumn));
        QVERIFY(!grid.dataChanged());
    }

    void columnExplanations() {
        QCOMPARE(CriteriaGrid::columnExplanation(2),
                 QStringLiteral("合格最低ラインタイム\r\n  この５倍が時間切れになります"));
        QCOMPARE(CriteriaGrid::columnExplanation(7).split(QStringLiteral("\r\n")).size(), 3);
        QCOMPARE(CriteriaGrid::columnExplanation(10), QString());
        QCOMPARE(CriteriaGrid::headings()[5], QStringLiteral("ﾎﾟｲﾝﾄ倍率"));
    }

    void distributionOfALevelWithoutRecords() {
        TimeDistribution d;
        d.build({});
        const QStringList all = d.allResultLines(2);
        QCOMPARE(all.size(), 102);
        QCOMPARE(all[0], QStringLiteral("レベル2 今まで0回  （★=1）"));
        QCOMPARE(all[1], QStringLiteral("   0～"));
        QCOMPARE(all[101], QStringLiteral("1000～"));
        for (const QString& line : all.mid(1))
            QVERIFY(!line.contains(QChar(0x2605)));
        QCOMPARE(d.bestTimeLines(2)[0], QStringLiteral("レベル2 （★=1）"));
    }

    void distributionClasses() {
        QByteArray file;
        file += run(1, 5, 99999).encode(); // timed out: class 100
        file += run(1, 6, 320).encode();   // 320 s: class 32, best class 30
        file += run(1, 6, 400).encode();   // not the best of student 6
        file += run(1, 7, -4).encode();    // never written by the program; class 0, no crash
        file += run(0, 7, 15).encode();    // level 0 and 51 are outside
        file += run(51, 7, 15).encode();
        for (int i = 0; i < 25; ++i)
            file += run(2, 1, 35).encode();
        file += run(2, 1, 12).encode();
        TimeDistribution d;
        d.build(file);
        QStringList all = d.allResultLines(1);
        QCOMPARE(all[0], QStringLiteral("レベル1 今まで4回  （★=1）"));
        QCOMPARE(all[101], QStringLiteral("1000～★"));
        QCOMPARE(all[33], QStringLiteral(" 320～★"));
        QCOMPARE(all[1], QStringLiteral("   0～★"));
        const QStringList best = d.bestTimeLines(1);
        QCOMPARE(best[31], QStringLiteral(" 300～★★")); // 320 and 99999, held to class 30
        QCOMPARE(best[33], QStringLiteral(" 320～"));
        // 25 runs in one class: one star stands for 2 runs, 25 / 2 rounds to 13 stars.
        all = d.allResultLines(2);
        QCOMPARE(all[0], QStringLiteral("レベル2 今まで26回  （★=2）"));
        QCOMPARE(all[4], QStringLiteral("  30～") + QString(13, QChar(0x2605)));
        QCOMPARE(all[2], QStringLiteral("  10～★")); // 1 / 2 + 0.5 rounds down to 1
        QCOMPARE(d.bestTimeLines(2)[2], QStringLiteral("  10～★"));
    }

    void distributionRereadsOnlyAChangedFile() {
        test::TempSchool school;
        test::FakeServices f;
        school.addRecord(run(1, 1, 30));
        TimeDistribution d;
        QVERIFY(d.refresh(school.recordPath(), f.services).isEmpty());
        QVERIFY(d.refresh(school.recordPath(), f.services).isEmpty());
        QCOMPARE(d.reads(), 1);
        QCOMPARE(d.runCount(1), 1);
        school.addRecord(run(1, 2, 40));
        QVERIFY(d.refresh(school.recordPath(), f.services).isEmpty());
        QCOMPARE(d.reads(), 2);
        QCOMPARE(d.runCount(1), 2);
    }
};

QTEST_GUILESS_MAIN(CriteriaEditorTests)
#include "criteria_editor_tests.moc"
