// The name screen and the level menu offscreen: keys, named controls, geometry.
#include "selection/ui/namesel.h"
#include "selection/ui/seisekitime1.h"
#include "selection/ui/selection_context.h"
#include "shell/startup.h"
#include "support/level_menu.h"

#include <QComboBox>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

using namespace kz;
using namespace kz::test;

namespace {

struct Menu : LevelMenu {
    explicit Menu(int levels, const QString& name = QStringLiteral("たろう"))
        : LevelMenu(levels, name) {
        school.p->h.studentGrade = QStringLiteral("小３");
        for (int n = 1; n <= levels; ++n)
            school.p->criteria.passTime[n] = 30 + n;
        school.p->criteria.clearPoints[2] = 9999;
        open();
    }
    int leftOf(const QString& control, int n) const {
        return menu->designGeometry(child<QWidget>(w(), arrayName(control, n))).x();
    }
};

} // namespace

class SelectionScreensTest : public QObject {
    Q_OBJECT
private slots:
    void fourLevels();
    void levelKeys_data();
    void levelKeys();
    void sixLevelsScroll();
    void optionsLeaveTheMenuUsable_data();
    void optionsLeaveTheMenuUsable();
    void gradeFilterBelongsToTheNameScreen();
    void refreshTextsAndStart();
    void keyDuringRefreshDoesNothing();
    void overPracticeOverlay();
    void closedByTheCriteriaOverlay();
    void backKey();
    void teacherButton_data();
    void teacherButton();
    void passwordPanel();
    void nameScreen();
};

void SelectionScreensTest::fourLevels() {
    Menu m(4);
    m.menu->Form_Activate();
    auto* list1 = child<QWidget>(m.w(), QStringLiteral("List5(1)"));
    QCOMPARE(m.menu->designGeometry(list1).width(), 3648);
    QCOMPARE(m.leftOf(QStringLiteral("List5"), 1), 307);
    QCOMPARE(m.leftOf(QStringLiteral("List5"), 4), 307 + 3 * 3648);
    QCOMPARE(m.leftOf(QStringLiteral("Label3"), 2), 307 + 3648 + 730);
    QVERIFY(child<QScrollBar>(m.w(), QStringLiteral("HScroll1"))->isHidden());
    QVERIFY(!m.w()->findChild<QWidget*>(QStringLiteral("Command4(5)")));
}

void SelectionScreensTest::levelKeys_data() {
    QTest::addColumn<int>("levels");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("started"); // 0: nothing starts
    QTest::newRow("4 levels: 4") << 4 << "4" << 4;
    QTest::newRow("4 levels: 5") << 4 << "5" << 0;
    QTest::newRow("4 levels: 9") << 4 << "9" << 0;
    QTest::newRow("4 levels: a") << 4 << "a" << 0;
    QTest::newRow("4 levels: d") << 4 << "d" << 0;
    QTest::newRow("9 levels: 9") << 9 << "9" << 9;
    QTest::newRow("9 levels: a") << 9 << "a" << 0;
    QTest::newRow("13 levels: a") << 13 << "a" << 10;
    QTest::newRow("13 levels: d") << 13 << "d" << 13;
    QTest::newRow("13 levels: upper case D") << 13 << "D" << 0;
    QTest::newRow("13 levels: e") << 13 << "e" << 0;
}

void SelectionScreensTest::levelKeys() {
    QFETCH(int, levels);
    QFETCH(QString, key);
    QFETCH(int, started);
    Menu m(levels);
    m.menu->Form_Activate();
    m.school.p->h.LevelNo = 0;
    QTest::keyClicks(m.w(), key);
    if (started == 0) {
        QVERIFY(m.school.fake.screens.shown.isEmpty());
        QCOMPARE(m.school.p->h.LevelNo, 0);
    } else {
        QCOMPARE(m.school.fake.screens.shown, QStringList{screen::MainFrm});
        QCOMPARE(m.school.p->h.LevelNo, started);
    }
}

void SelectionScreensTest::sixLevelsScroll() {
    Menu m(6);
    m.menu->Form_Activate();
    auto* scroll = child<QScrollBar>(m.w(), QStringLiteral("HScroll1"));
    QVERIFY(!scroll->isHidden());
    QCOMPARE(scroll->maximum(), 3);
    QCOMPARE(m.menu->designGeometry(child<QWidget>(m.w(), QStringLiteral("Command4(6)"))).width(),
             3456);
    scroll->setValue(3);
    QCOMPARE(m.school.p->h.firstColumn, 3);
    for (int n : {1, 2})
        for (const char* control : {"List5", "Command4", "Label3", "Label15"})
            QVERIFY(m.leftOf(QString::fromLatin1(control), n) >= 15360);
    QCOMPARE(m.leftOf(QStringLiteral("List5"), 3), 307);
    QCOMPARE(m.leftOf(QStringLiteral("List5"), 6), 307 + 3 * 3456);
}

void SelectionScreensTest::optionsLeaveTheMenuUsable_data() {
    QTest::addColumn<QString>("before"); // an option clicked first, or none
    QTest::addColumn<QString>("option");
    const QString none;
    const QString time = QStringLiteral("Option2(0)");
    for (const char* option :
         {"Option2(0)", "Option2(1)", "Option2(2)", "Option1(1)", "Option1(2)", "Option1(3)"})
        QTest::newRow(option) << none << QString::fromLatin1(option);
    for (const char* option : {"Option1(1)", "Option1(2)", "Option1(3)"})
        QTest::addRow("time display, %s", option) << time << QString::fromLatin1(option);
    QTest::newRow("personal time, then time display")
        << QStringLiteral("Option2(2)") << time;
}

void SelectionScreensTest::optionsLeaveTheMenuUsable() {
    QFETCH(QString, before);
    QFETCH(QString, option);
    Menu m(4);
    m.school.writeRoster(QStringLiteral("5,2003,0,0,たろう,0,,\r\n"));
    // Level 1 is refused by the over-practice rule, so "allowed" is not simply "all".
    CriteriaTable& c = m.school.p->criteria;
    c.overCount[1] = Field::number(1);
    c.overDays[1] = Field::number(3);
    c.judgeDays[4] = Field::number(7);
    c.clearPoints[4] = 100;
    m.school.writeRecords({makeRecord(m.school.fake.clock().date, 5, 1, 20)});
    m.menu->Form_Activate();
    QVERIFY(!child<QPushButton>(m.w(), QStringLiteral("Command4(1)"))->isEnabled());
    auto option1 = [&](int k) { return child<QRadioButton>(m.w(), arrayName(QStringLiteral("Option1"), k)); };
    auto option2 = [&](int k) { return child<QRadioButton>(m.w(), arrayName(QStringLiteral("Option2"), k)); };
    // Activation selects the points display and the first view, one in each group.
    QVERIFY(option1(1)->isChecked());
    QVERIFY(option2(1)->isChecked());

    if (!before.isEmpty()) child<QRadioButton>(m.w(), before)->click();
    auto* clicked = child<QRadioButton>(m.w(), option);
    const bool displayOption = option.startsWith(QStringLiteral("Option2"));
    // The option of the other group that is selected now must stay selected.
    QRadioButton* other = nullptr;
    for (int k = 0; k <= 3; ++k) {
        if (displayOption && k >= 1 && option1(k)->isChecked()) other = option1(k);
        if (!displayOption && k <= 2 && option2(k)->isChecked()) other = option2(k);
    }
    QVERIFY(other);
    QVERIFY(clicked->isEnabled());
    clicked->click();
    QVERIFY(clicked->isChecked());
    QVERIFY2(other->isChecked(), qPrintable(other->objectName()));

    QVERIFY(child<QWidget>(m.w(), QStringLiteral("Picture6"))->isHidden());
    QVERIFY(child<QPushButton>(m.w(), QStringLiteral("Command1"))->isEnabled());
    QVERIFY(child<QWidget>(m.w(), QStringLiteral("Picture1"))->isEnabled());
    QVERIFY(!child<QPushButton>(m.w(), QStringLiteral("Command4(1)"))->isEnabled());
    for (int n = 2; n <= 4; ++n) {
        QVERIFY(child<QPushButton>(m.w(), arrayName(QStringLiteral("Command4"), n))->isEnabled());
        QVERIFY(!child<QWidget>(m.w(), arrayName(QStringLiteral("List5"), n))->isHidden());
    }
    // The keys work again: "2" starts level 2.
    QTest::keyClicks(m.w(), QStringLiteral("2"));
    QCOMPARE(m.school.fake.screens.shown, QStringList{screen::MainFrm});
    QCOMPARE(m.school.p->h.LevelNo, 2);
}

void SelectionScreensTest::gradeFilterBelongsToTheNameScreen() {
    School school;
    Hensuu1& h = school.p->h;
    prepareLevels(h);
    h.Bangou = 5;
    h.gradeFilter = QStringLiteral("小３");
    Selection selection;
    seisekitime1 menu(*school.p, selection);
    auto* combo = child<QComboBox>(&menu, QStringLiteral("Combo1"));
    QCOMPARE(combo->currentText(), QStringLiteral("小３")); // read on load
    menu.Form_Activate();
    combo->setCurrentIndex(combo->findText(QStringLiteral("中学生全体")));
    menu.Combo1_Click();
    QCOMPARE(combo->currentText(), QStringLiteral("中学生全体"));
    QCOMPARE(h.gradeFilter, QStringLiteral("小３"));
    QVERIFY(child<QWidget>(&menu, QStringLiteral("Picture6"))->isHidden());
    QVERIFY(child<QPushButton>(&menu, QStringLiteral("Command1"))->isEnabled());
}

void SelectionScreensTest::refreshTextsAndStart() {
    Menu m(4);
    m.school.fake.clock().tick = 150000;
    m.menu->Form_Activate();
    QCOMPARE(child<QLabel>(m.w(), QStringLiteral("Label17"))->text(), QStringLiteral("起動後2分"));
    QCOMPARE(child<QLabel>(m.w(), QStringLiteral("Label14(1)"))->text(), QStringLiteral("-----"));
    QCOMPARE(child<QLabel>(m.w(), QStringLiteral("Label15(1)"))->text(), QStringLiteral("------"));
    QCOMPARE(child<QLabel>(m.w(), QStringLiteral("Label7(2)"))->text(),
             QStringLiteral("目標=32秒 --------"));
    QCOMPARE(child<QLabel>(m.w(), QStringLiteral("Label12"))->text(),
             QStringLiteral("小３ たろう"));
    QCOMPARE(child<QLabel>(m.w(), QStringLiteral("Label13"))->text(),
             QStringLiteral("みどり小学校:5"));
    QCOMPARE(child<QLabel>(m.w(), QStringLiteral("Label18"))->text(),
             QStringLiteral("本日総回数＝0回"));
    QCOMPARE(child<QPushButton>(m.w(), QStringLiteral("Command4(3)"))->text(),
             QStringLiteral("ｽﾀｰﾄ(&3)"));
    QVERIFY(m.school.fake.screens.unloaded.contains(screen::namesel));
    QCOMPARE(m.menu->menuKeysEnabled, 1);
    QTest::keyClicks(m.w(), QStringLiteral("3"));
    QCOMPARE(m.school.fake.screens.shown, QStringList{screen::MainFrm});
    QCOMPARE(m.school.p->h.LevelNo, 3);
    QCOMPARE(m.menu->menuKeysEnabled, 0);
}

void SelectionScreensTest::keyDuringRefreshDoesNothing() {
    Menu m(4);
    bool pressed = false;
    m.school.fake.events.onProcess = [&] {
        if (!pressed) {
            pressed = true;
            QTest::keyClicks(m.w(), QStringLiteral("1"));
        }
    };
    m.menu->Form_Activate();
    QVERIFY(pressed);
    QVERIFY(m.school.fake.screens.shown.isEmpty());
}

void SelectionScreensTest::overPracticeOverlay() {
    Menu m(4);
    CriteriaTable& c = m.school.p->criteria;
    c.overCount[1] = Field::number(1);
    c.overDays[1] = Field::number(3);
    c.judgeDays[4] = Field::number(7);
    c.clearPoints[4] = 100;
    m.school.writeRecords({makeRecord(m.school.fake.clock().date, 5, 1, 20)});
    m.menu->Form_Activate();
    auto* text1 = child<QLineEdit>(m.w(), QStringLiteral("Text1(1)"));
    QVERIFY(!text1->isHidden());
    QCOMPARE(text1->text(), QStringLiteral("やりすぎ禁止"));
    QVERIFY(!child<QPushButton>(m.w(), QStringLiteral("Command4(1)"))->isEnabled());
    QVERIFY(child<QPushButton>(m.w(), QStringLiteral("Command4(2)"))->isEnabled());
    QVERIFY(child<QLineEdit>(m.w(), QStringLiteral("Text1(2)"))->isHidden());
    QCOMPARE(m.school.p->targetLevelCleared, 0);
    QTest::keyClicks(m.w(), QStringLiteral("1"));
    QVERIFY(m.school.fake.screens.shown.isEmpty());
}

// A level whose criteria row is refused is closed with the reason, in letters that fit.
void SelectionScreensTest::closedByTheCriteriaOverlay() {
    Menu m(4);
    m.school.p->criteria.read(QStringLiteral("h,,,,,,,,,,,\r\n"
                                             "30,60,0,0,1,,,7,3,,,\r\n"
                                             "abc,60,0,0,1,,,7,3,,,\r\n"
                                             "30,60,0,0,1,,,7,3,,,\r\n"
                                             "30,60,0,0,1,,,7,3,,,\r\n"));
    m.menu->Form_Activate();
    auto* text1 = child<QLineEdit>(m.w(), QStringLiteral("Text1(2)"));
    QVERIFY(!text1->isHidden());
    QCOMPARE(text1->text(), QStringLiteral("基準ファイルを直してください"));
    QVERIFY(QFontMetricsF(text1->font()).horizontalAdvance(text1->text()) <= text1->width());
    QVERIFY(!child<QPushButton>(m.w(), QStringLiteral("Command4(2)"))->isEnabled());
    QVERIFY(child<QPushButton>(m.w(), QStringLiteral("Command4(3)"))->isEnabled());
    QVERIFY(child<QLineEdit>(m.w(), QStringLiteral("Text1(1)"))->isHidden());
    QTest::keyClicks(m.w(), QStringLiteral("2"));
    QVERIFY(m.school.fake.screens.shown.isEmpty());
}

void SelectionScreensTest::backKey() {
    Menu m(4);
    m.menu->Form_Activate();
    QTest::keyClicks(m.w(), QStringLiteral("0"));
    QCOMPARE(m.school.fake.screens.shown, QStringList{screen::namesel});
}

void SelectionScreensTest::teacherButton_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("shown");
    QTest::newRow("先生") << "山田先生" << true;
    QTest::newRow("★") << "★やまだ" << true;
    QTest::newRow("pupil") << "やまだ" << false;
}

void SelectionScreensTest::teacherButton() {
    QFETCH(QString, name);
    QFETCH(bool, shown);
    Menu m(4, name);
    m.menu->Form_Activate();
    QCOMPARE(!child<QPushButton>(m.w(), QStringLiteral("Command8"))->isHidden(), shown);
}

void SelectionScreensTest::passwordPanel() {
    Menu m(4, QStringLiteral("★先生"));
    m.school.p->h.commonLine6 = Field::text(QStringLiteral("0123"));
    m.menu->Form_Activate();
    m.menu->Command8_Click();
    auto* panel = child<QWidget>(m.w(), QStringLiteral("Picture7"));
    QVERIFY(!panel->isHidden());
    // Start buttons are ignored while the panel is open.
    m.menu->Command4_Click(1);
    QVERIFY(m.school.fake.screens.shown.isEmpty());
    auto* text3 = child<QLineEdit>(m.w(), QStringLiteral("Text3"));
    QCOMPARE(text3->echoMode(), QLineEdit::Password);
    // Digits typed into the box stay there; "0" does not go back, "1" does not start.
    QTest::keyClicks(text3, QStringLiteral("0123"));
    QCOMPARE(text3->text(), QStringLiteral("0123"));
    QVERIFY(m.school.fake.screens.shown.isEmpty());
    text3->setText(QStringLiteral("123"));
    m.menu->Command10_Click(0);
    QCOMPARE(m.school.fake.dialogs.messages,
             QStringList{QStringLiteral("パスワードを入力して下さい")});
    QVERIFY(!panel->isHidden());
    text3->setText(QStringLiteral("0123"));
    m.menu->Command10_Click(0);
    QCOMPARE(m.school.fake.screens.shown, QStringList{screen::FrmData});
    QVERIFY(m.school.fake.screens.unloaded.contains(screen::seisekitime1));
}

void SelectionScreensTest::nameScreen() {
    School s;
    s.fake.clock().date = QDate(2011, 5, 1);
    s.writeRoster(QStringLiteral("12,2002,0,0,やまだ,0,,\r\n3,2004,0,0,すず,0,,\r\n"));
    Selection sel;
    namesel screen(*s.p, sel);
    screen.Form_Activate();
    auto* list = child<QListWidget>(&screen, QStringLiteral("List1"));
    QCOMPARE(list->count(), 3);
    // Fixed pitch in the Japanese sense: a full-width character is exactly two half-width ones.
    const QFontMetricsF fm(list->font());
    QVERIFY2(fm.horizontalAdvance(QStringLiteral("　")) ==
                     2 * fm.horizontalAdvance(QStringLiteral("1")) &&
                 fm.horizontalAdvance(QStringLiteral("あ")) ==
                     fm.horizontalAdvance(QStringLiteral("　")) &&
                 fm.horizontalAdvance(QStringLiteral("i")) ==
                     fm.horizontalAdvance(QStringLiteral("W")),
             qPrintable(QFontInfo(list->font()).family()));
    QVERIFY(s.fake.screens.unloaded.contains(screen::seisekitime1));
    auto* combo = child<QComboBox>(&screen, QStringLiteral("Combo1"));
    QCOMPARE(combo->count(), 12);

    // "1" with nothing chosen: the wrong sound, the screen stays.
    QTest::keyClicks(list, QStringLiteral("1"));
    QCOMPARE(s.fake.sound.played.size(), 1);
    QVERIFY(s.fake.screens.shown.isEmpty());

    combo->setCurrentIndex(1); // 中学生全体
    screen.Combo1_Click();
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QStringLiteral("－－－－－－"));

    combo->setCurrentIndex(0);
    screen.Combo1_Click();
    list->setCurrentRow(1);
    QCOMPARE(child<QLabel>(&screen, QStringLiteral("Label1"))->text(),
             QStringLiteral("小3 やまだ"));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(s.p->h.Bangou, 12);
    QCOMPARE(s.fake.screens.shown, QStringList{screen::seisekitime1});
}

QTEST_MAIN(SelectionScreensTest)
#include "tst_selection_screens.moc"
