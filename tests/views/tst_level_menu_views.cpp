// The level menu's result views offscreen: the lists the procedures fill, their colours, the
// state each view leaves the menu in, and how often a refresh opens and reads the record file.
#include "records/statistics_support.h"
#include "support/level_menu.h"
#include "support/record_read_counter.h"
#include "views/result_views.h"

#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

using namespace kz;
using namespace kz::test;

namespace {

struct Menu : LevelMenu {
    Menu() : LevelMenu(4, QStringLiteral("たろう")) {
        setFourLevelCriteria();
        writeThreePupils();
        school.writeRecords({makeRecord(today, 5, 1, 25), makeRecord(today, 6, 1, 40),
                             makeRecord(today, 7, 1, 99999),
                             makeRecord(today.addDays(-3), 5, 2, 33),
                             makeRecord(today.addDays(-60), 6, 1, 20)});
        open();
    }
    QStringList rows(int level) const {
        QStringList out;
        auto* list = child<QListWidget>(w(), arrayName(QStringLiteral("List5"), level));
        for (int i = 0; i < list->count(); ++i)
            out.append(list->item(i)->text());
        return out;
    }
    QColor listColour(int level) const {
        return child<QListWidget>(w(), arrayName(QStringLiteral("List5"), level))
            ->palette()
            .color(QPalette::Base);
    }
    // What every view must leave: the progress panel hidden, the way back open.
    void verifyUsable() const {
        QVERIFY(child<QFrame>(w(), QStringLiteral("Picture6"))->isHidden());
        QVERIFY(child<QPushButton>(w(), QStringLiteral("Command1"))->isEnabled());
        QVERIFY(child<QFrame>(w(), QStringLiteral("Picture1"))->isEnabled());
        QVERIFY(!child<QListWidget>(w(), QStringLiteral("List5(1)"))->isHidden());
    }
    QString label5() const { return child<QLabel>(w(), QStringLiteral("Label5"))->text(); }
};

} // namespace

class LevelMenuViewsTest : public QObject {
    Q_OBJECT
private slots:
    void activationReadsTheFileOnceAndRanksByPoints() {
        Menu m;
        RecordReadCounter counter;
        m.menu->Form_Activate();
        QCOMPARE(counter.take(), std::make_pair(1, 1));
        QCOMPARE(m.label5(), QStringLiteral("獲得ポイント（今まで順位）"));
        // Points so far on level 1: はなこ 6 + 4, たろう 5, じろう 0.
        QCOMPARE(m.rows(1), (QStringList{QStringLiteral(" 1③はなこ　　  4/   10"),
                                         QStringLiteral(" 2●たろう　　  5/    5"),
                                         QStringLiteral(" 3Ⅱじろう　　  0/    0")}));
        QCOMPARE(child<QLabel>(m.w(), QStringLiteral("Label9(1)"))->text(), QStringLiteral("今日"));
        QCOMPARE(child<QLabel>(m.w(), QStringLiteral("Label10(1)"))->text(),
                 QStringLiteral("今まで"));
        QCOMPARE(m.rows(3).size(), 3);
        const QStringList captions = {QStringLiteral("累計順"), QStringLiteral("本日順"),
                                      QStringLiteral("オール表示")};
        for (int k = 1; k <= 3; ++k)
            QCOMPARE(child<QRadioButton>(m.w(), QStringLiteral("Option1(%1)").arg(k))->text(),
                     captions[k - 1]);
        QVERIFY(child<QRadioButton>(m.w(), QStringLiteral("Option1(1)"))->isChecked());
        QVERIFY(child<QRadioButton>(m.w(), QStringLiteral("Option2(1)"))->isChecked());
        m.verifyUsable();
    }

    void timeDisplayViews() {
        Menu m;
        m.menu->Form_Activate();
        RecordReadCounter counter;
        // The time display with "BEST表示" (the procedures as the option buttons run them).
        m.menu->displayMode = 1;
        m.menu->Option1_Click(1);
        QCOMPARE(m.label5(), QStringLiteral("ベスト成績"));
        QCOMPARE(m.rows(1), (QStringList{QStringLiteral(" 1③はなこ　　    20 　"),
                                         QStringLiteral(" 2●たろう　　    25 ●"),
                                         QStringLiteral("--Ⅱじろう　　------ 　")}));
        QCOMPARE(counter.take(), std::make_pair(0, 0));
        m.verifyUsable();

        m.menu->Option1_Click(2); // 本日のみ
        QCOMPARE(counter.take(), std::make_pair(1, 1));
        QCOMPARE(m.label5(), QStringLiteral("本日の成績"));
        QCOMPARE(m.rows(1), (QStringList{QStringLiteral("  25秒 09:00●たろう　　●5"),
                                         QStringLiteral("  40秒 09:00③はなこ　　③4"),
                                         QStringLiteral("　　× 09:00Ⅱじろう　　Ⅱ")}));
        QCOMPARE(m.listColour(1), QColor(192, 255, 192));
        QCOMPARE(m.listColour(2), QColor(255, 255, 192)); // no rows: keeps its colour
        QCOMPARE(child<QListWidget>(m.w(), QStringLiteral("List5(1)"))->currentRow(), -1);
        m.verifyUsable();

        m.menu->Option1_Click(3); // オール表示, one month
        QCOMPARE(counter.take(), std::make_pair(1, 1));
        QCOMPARE(m.rows(2),
                 QStringList{QStringLiteral("  33秒 %1●たろう　　●4")
                                 .arg(m.today.addDays(-3).toString(QStringLiteral("MM/dd")))});
        QCOMPARE(m.rows(1).size(), 3);
        QVERIFY(!child<QComboBox>(m.w(), QStringLiteral("Combo2"))->isHidden());
        auto* combo2 = child<QComboBox>(m.w(), QStringLiteral("Combo2"));
        combo2->setCurrentIndex(4); // 今までの全成績
        m.menu->periodCode = 5;
        m.menu->Option1_Click(3);
        QCOMPARE(m.rows(1).size(), 4);
        QCOMPARE(m.menu->periodDays, 3650);
        m.verifyUsable();
    }

    void recordFilesBeyond32767Records() {
        Menu m;
        std::vector<SeisekiRecord> records(40000, makeRecord(m.today.addDays(-1), 6, 1, 50));
        records.back() = makeRecord(m.today, 5, 1, 23);
        m.school.writeRecords(records);
        m.menu->Form_Activate();
        m.menu->displayMode = 1;
        m.menu->Option1_Click(2);
        QCOMPARE(m.rows(1), QStringList{QStringLiteral("  23秒 09:00●たろう　　●5")});
        m.menu->periodCode = 5;
        m.menu->Option1_Click(3);
        QCOMPARE(m.rows(1).size(), 20000);
    }

    void personalTimeView() {
        Menu m;
        m.menu->Form_Activate();
        m.menu->Option2_Click(2);
        QCOMPARE(m.label5(), QStringLiteral("個人別ﾀｲﾑ"));
        auto* list3 = child<QListWidget>(m.w(), QStringLiteral("List3"));
        QCOMPARE(list3->count(), 4);
        QCOMPARE(list3->item(3)->text(), QStringLiteral("4"));
        QCOMPARE(m.rows(1), QStringList{m.today.toString(QStringLiteral("yyyy/MM/dd")) +
                                        QStringLiteral(" 9:00:00  25秒")});
        QCOMPARE(m.rows(2).size(), 1);
        QCOMPARE(m.menu->panel()->chartBangou, 5);
        QCOMPARE(m.menu->panel()->chartLevel, 1);
        QVERIFY(child<QFrame>(m.w(), QStringLiteral("Picture6"))->isHidden());
        QVERIFY(child<QPushButton>(m.w(), QStringLiteral("Command1"))->isEnabled());
        // A new grade group rebuilds the personal display, not the points ranking.
        child<QRadioButton>(m.w(), QStringLiteral("Option2(2)"))->setChecked(true);
        m.menu->Combo1_Click();
        QCOMPARE(m.label5(), QStringLiteral("個人別ﾀｲﾑ"));
        QCOMPARE(m.rows(2).size(), 1);
    }

    // A rebuilt list starts at its top row; only a ranking scrolls to the row before "●".
    void rebuiltListStartsAtTheTop() {
        Menu m;
        QString roster;
        std::vector<SeisekiRecord> records;
        const int born = m.today.year() - 9;
        for (int b = 10; b < 70; ++b) {
            roster += QStringLiteral("%1,%2,0,0,子%1,0,,\r\n").arg(b).arg(born);
            records.push_back(makeRecord(m.today, b, 1, b));
        }
        roster += QStringLiteral("5,%1,0,0,たろう,0,,\r\n").arg(born);
        records.push_back(makeRecord(m.today, 5, 1, 80)); // the slowest: last in the ranking
        m.school.writeRoster(roster);
        readRosterFile(m.school.p->rosterFilePath(), m.selection.tables, m.today, 4, 0);
        m.school.writeRecords(records);
        m.menu->show();
        m.menu->Form_Activate();
        auto* list = child<QListWidget>(m.w(), QStringLiteral("List5(1)"));
        QScrollBar* bar = list->verticalScrollBar();

        m.menu->displayMode = 1;
        m.menu->Option1_Click(1); // BEST表示: the pupil's neighbour is selected and in view
        QCOMPARE(list->count(), 61);
        QCOMPARE(list->currentRow(), -1); // the best view leaves no row selected …
        QVERIFY(bar->value() > 0);        // … but the ranking scrolled down to the pupil
        QVERIFY(list->viewport()->rect().intersects(list->visualItemRect(list->item(60))));

        m.menu->Option1_Click(2); // 本日のみ: from the fastest run
        QCOMPARE(list->item(0)->text().left(5), QStringLiteral("  10秒"));
        QCOMPARE(bar->value(), 0);
        bar->setValue(bar->maximum()); // the pupil scrolls down
        m.menu->Option1_Click(3);      // オール表示
        QCOMPARE(bar->value(), 0);
    }

    // "最近N日" comes from each activation's statistics and criteria.
    void recentLineFromEachActivation() {
        Menu m;
        for (int n = 1; n <= 4; ++n)
            m.school.p->criteria.judgeDays[n] = Field::number(7);
        m.menu->Form_Activate();
        auto* label8 = child<QLabel>(m.w(), QStringLiteral("Label8(1)"));
        // たろう: 25 s today on level 1 against a pass time of 30 s.
        QCOMPARE(label8->text(), QStringLiteral("最近7日=1回 / 5点"));
        // A teacher sets the pass time to 40 s and the pupil runs once more.
        m.school.p->criteria.passTime[1] = 40;
        m.school.writeRecords({makeRecord(m.today, 5, 1, 25), makeRecord(m.today, 5, 1, 20)});
        m.menu->Form_Activate();
        QCOMPARE(label8->text(), QStringLiteral("最近7日=2回 / 18点")); // 7 + 11
    }
};

QTEST_MAIN(LevelMenuViewsTest)
#include "tst_level_menu_views.moc"
