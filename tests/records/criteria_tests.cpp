// The criteria file: reading, the editor's writing, and their round trip.
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

private slots:
    void readsRowsByLinePosition() {
        CriteriaTable t;
        QCOMPARE(t.read(demoFile()), 4);
        // The heading row: numeric columns read 0, headings stay text, spares empty.
        for (int v : {t.passTime[0], t.minimumTime[0], t.clearPoints[0], int(t.clearCount[0])})
            QCOMPARE(v, 0);
        QCOMPARE(t.pointRate[0], 0.0f);
        QCOMPARE(t.overCount[0].toText(), QStringLiteral("禁回"));
        QCOMPARE(t.overDays[0].toText(), QStringLiteral("禁期間"));
        QVERIFY(t.spare10[0].isEmpty() && t.spare12[0].isEmpty());

        QCOMPARE(t.passTime[1], 25);
        QCOMPARE(t.minimumTime[1], 40);
        QCOMPARE(t.pointRate[1], 1.5f);
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
        t.read(demoFile());
        QVERIFY(!t.overPracticeReached(1, 29, 499));
        QVERIFY(t.overPracticeReached(1, 30, 0));
        QVERIFY(t.overPracticeReached(1, 0, 500));
        // A text limit never triggers; the count limit still does.
        QVERIFY(!t.overPracticeReached(3, 9, 1000000));
        QVERIFY(t.overPracticeReached(3, 10, 0));
    }

    void rowsTheFileDoesNotReachKeepTheirValues() {
        CriteriaTable t;
        t.read(demoFile());
        t.read(QStringLiteral("h,h,h,h,h,h,h,h,h,,,\r\n99,98,1,1,1,,,,,,,\r\n"));
        QCOMPARE(t.passTime[1], 99);
        QCOMPARE(t.passTime[2], 20);
    }

    void aThirtySeventhLineIsIgnored() {
        QString text;
        for (int line = 0; line < 37; ++line)
            text += QStringLiteral("%1,2,3,4,5,,,,,,,\r\n").arg(line + 100);
        CriteriaTable t;
        QCOMPARE(t.read(text), 36);
        QCOMPARE(t.passTime[35], 135);
    }

    void swappingLinesSwapsLevels() {
        CriteriaTable t;
        t.read(QStringLiteral("h,,,,,,,,,,,\r\n30,1,1,1,1,,,,,,,\r\n10,1,1,1,1,,,,,,,\r\n"));
        QCOMPARE(t.passTime[1], 30);
        QCOMPARE(t.passTime[2], 10);
    }

    void editorWrittenFileReadsBackIdentically() {
        CriteriaTable t;
        t.read(demoFile());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("タイム回数データ.txt"));
        QCOMPARE(SaveCriteriaFile(t, 3, path), QString());

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
        QCOMPARE(back.pointRate[1], 1.5f);
        QVERIFY(back.overPoints[3].isText());
        QVERIFY(back.spare12[2].isEmpty());
    }

    void missingFileNamesIt() {
        CriteriaTable t;
        const QString error = LoadCriteriaFile(t, QStringLiteral("/nowhere/タイム回数データ.txt"));
        QVERIFY(error.contains(QStringLiteral("/nowhere/タイム回数データ.txt")));
    }
};

QTEST_GUILESS_MAIN(CriteriaTests)
#include "criteria_tests.moc"
