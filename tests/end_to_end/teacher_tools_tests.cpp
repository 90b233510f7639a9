// The teacher "★先生" on the whole program, offscreen: the record browser behind the password
// erases a record, the criteria editor changes level 4's pass time, and the next run's status
// bar and result screen use the new value. Also the editor's and browser's wiring.
#include "app/application.h"
#include "records/program.h"
#include "records/ui/FrmTimeData.h"
#include "shell/ole_date.h"
#include "support/files.h"
#include "support/live_program.h"
#include "support/school.h"
#include "views/ui/FrmData.h"

#include <cmath>
#include <functional>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

using namespace kz;
using kz::test::bytesOf;
using test::LiveWorld;

namespace {
SeisekiRecord runOf(int student, int level, int time) {
    SeisekiRecord r;
    r.recordDate = oleDate(QDate(2026, 12, 8));
    r.recordTimeOfDay = oleTimeOfDay(10 * 3600);
    r.recordBangou = static_cast<qint16>(student);
    r.recordLevel = static_cast<qint16>(level);
    r.recordTime = time;
    r.recordSchoolCode = "12345";
    r.recordScore = "0    ";
    return r;
}

// The program started on a school, the teacher logged in and the level menu shown.
struct Session {
    test::TempSchool school{12, true, QDate(2026, 12, 9)};
    LiveWorld w;
    std::unique_ptr<Application> app;

    // prepare changes the school's files before the program starts.
    explicit Session(const std::function<void(test::TempSchool&)>& prepare = {}) {
        for (int i = 1; i <= 5; ++i)
            school.addRecord(runOf(i, 1 + i % 4, 20 + i));
        if (prepare) prepare(school);
        w.world.clock.date = QDate(2026, 12, 9);
        w.registry.setWindowed(true);
        app = std::make_unique<Application>(w.services, w.registry, school.programDir());
        app->program().retryWaitMs = 5;
        app->start();
        w.world.advance(100);
        w.settle();
        auto* names = w.find<QListWidget>(screen::namesel, QStringLiteral("List1"));
        for (int i = 1; i < names->count(); ++i)
            if (names->item(i)->text().contains(QStringLiteral("★先生"))) names->setCurrentRow(i);
        w.press(screen::namesel, Qt::Key_1);
        w.settle();
    }
    ~Session() {
        w.registry.unloadAll();
        w.settle();
    }
    void click(const QString& form, const QString& button) {
        auto* b = w.find<QPushButton>(form, button);
        QVERIFY2(b, qPrintable(button));
        QTest::mouseClick(b, Qt::LeftButton);
        w.settle();
    }
    // The password panel of the level menu, then the tool.
    void openTool(int index) {
        click(screen::seisekitime1, QStringLiteral("Command8"));
        w.find<QLineEdit>(screen::seisekitime1, QStringLiteral("Text3"))
            ->setText(QStringLiteral("1234"));
        click(screen::seisekitime1, arrayName(QStringLiteral("Command10"), index));
    }
    void key(const QString& form, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget()
                                                    : w.registry.form(form),
                        k, m);
        w.settle(2);
    }
};
} // namespace

class TeacherToolsTests : public QObject {
    Q_OBJECT

private slots:
    void theTeacherErasesChangesCriteriaAndTheNextRunUsesThem() {
        Session s;
        QCOMPARE(s.w.registry.activeScreen(), screen::seisekitime1);
        QCOMPARE(s.app->program().h.studentName.trimmed(), QStringLiteral("★先生"));

        // The browser: erase record 2.
        s.openTool(0);
        QCOMPARE(s.w.registry.activeScreen(), screen::FrmData);
        QVERIFY(!s.w.registry.isLoaded(screen::seisekitime1));
        auto* data = static_cast<FrmData*>(s.w.registry.form(screen::FrmData));
        auto* list = data->findChild<QListWidget*>(QStringLiteral("List1"));
        QCOMPARE(list->count(), 5);
        QCOMPARE(data->findChild<QLabel*>(QStringLiteral("Label3"))->text(),
                 QStringLiteral("総レコード数:5"));
        list->setCurrentRow(1);
        data->List1_DblClick();
        QVERIFY(data->findChild<QFrame*>(QStringLiteral("Picture3"))->isVisible());
        QCOMPARE(data->findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("2"));
        s.click(screen::FrmData, QStringLiteral("Command3"));
        QCOMPARE(s.w.dialogs.questions, QStringList{QStringLiteral("本当に消去しますか")});
        QCOMPARE(bytesOf(s.school.recordPath()).size(), 4 * 44);
        QCOMPARE(list->count(), 4);
        QCOMPARE(list->currentRow(), 1);
        QVERIFY(list->item(1)->text().contains(QStringLiteral("せいと3")));
        s.click(screen::FrmData, QStringLiteral("Command4"));
        QCOMPARE(s.w.registry.activeScreen(), screen::seisekitime1);
        QVERIFY(!s.w.registry.isLoaded(screen::FrmData));

        // The editor: level 4's pass time from 27 to 40.
        s.openTool(1);
        QCOMPARE(s.w.registry.activeScreen(), screen::FrmTimeData);
        auto* editor = static_cast<FrmTimeData*>(s.w.registry.form(screen::FrmTimeData));
        auto* box = editor->findChild<QLineEdit*>(QStringLiteral("Gridinputtext"));
        QCOMPARE(QApplication::focusWidget(), box);
        QCOMPARE(box->text(), QStringLiteral("55"));
        for (int i = 0; i < 3; ++i)
            s.key(screen::FrmTimeData, Qt::Key_Down);
        QCOMPARE(box->text(), QStringLiteral("27"));
        s.key(screen::FrmTimeData, Qt::Key_Space);
        QCOMPARE(box->text(), QString());
        QTest::keyClicks(box, QStringLiteral("40"));
        s.w.settle(2);
        auto* grid = editor->findChild<QTableWidget*>(QStringLiteral("MSFlexGrid1"));
        QCOMPARE(grid->item(4, 1)->text(), QStringLiteral("40"));
        QCOMPARE(grid->item(4, 1)->background().color(), QColor(255, 255, 0));
        QVERIFY(editor->findChild<QLabel*>(QStringLiteral("Label3"))
                    ->text()
                    .startsWith(QStringLiteral("合格基準タイム")));
        QVERIFY(editor->findChild<QListWidget*>(QStringLiteral("List3"))
                    ->item(0)
                    ->text()
                    .startsWith(QStringLiteral("レベル4 今まで")));
        s.click(screen::FrmTimeData, QStringLiteral("Command3"));
        QCOMPARE(s.app->program().criteria.passTime[4], 40);
        QCOMPARE(grid->item(4, 1)->background().color(), QColor(Qt::white)); // saved: not yellow
        QVERIFY(bytesOf(s.school.dataFolder() + QStringLiteral("タイム回数データ.txt"))
                    .contains("\r\n40,45,60,5,2,0,0,7,3,,,\r\n"));
        s.click(screen::FrmTimeData, QStringLiteral("Command4"));
        QCOMPARE(s.w.dialogs.questions.size(), 1); // saved: leaving asks nothing
        QCOMPARE(s.w.registry.activeScreen(), screen::seisekitime1);

        // A run on level 4 with the new pass time.
        s.w.press(screen::seisekitime1, Qt::Key_4);
        s.w.settle();
        QCOMPARE(s.w.registry.activeScreen(), screen::MainFrm);
        Form* drill = s.w.registry.form(screen::MainFrm);
        const int track =
            drill->designGeometry(drill->findChild<QWidget*>(QStringLiteral("sShape5"))).width();
        const int mark =
            drill->designGeometry(drill->findChild<QWidget*>(QStringLiteral("sShape3"))).width();
        QCOMPARE(mark, int(std::nearbyint(40.0 * track / (45 * 5))));
        for (int problem = 0; problem < 5; ++problem) {
            s.w.world.advance(1900);
            s.w.settle(2);
            auto* numbers = drill->findChild<QListWidget*>(QStringLiteral("List1"));
            int total = 0;
            for (int i = 0; i < 5; ++i)
                total += numbers->item(i)->text().mid(2).trimmed().toInt();
            QTest::keyClicks(drill, QString::number(total));
            QTest::keyClick(drill, Qt::Key_Space);
            s.w.settle(2);
        }
        s.w.settle(20);
        QCOMPARE(s.w.registry.activeScreen(), screen::FrmSyuuryou);
        const QByteArray b = bytesOf(s.school.recordPath());
        SeisekiRecord last;
        QVERIFY(SeisekiRecord::decode(b.constData() + b.size() - 44, 44, &last));
        const int t = last.recordTime;
        QVERIFY(t <= 40);
        const int points = int(std::floor(std::pow((40.0 - t) / 40.0, 3) * 50 + 5));
        QCOMPARE(s.w.find<QLabel>(screen::FrmSyuuryou, QStringLiteral("Label19"))->text(),
                 QStringLiteral("獲得ポイント：%1点×2→%2点").arg(points).arg(points * 2));
    }

    // A change made by typing or by a Shift + Down copy alone is not left without asking;
    // "No" leaves the file as it was.
    void leavingTheEditorAsksAndNoLeavesTheFile_data() {
        QTest::addColumn<bool>("typed");
        QTest::newRow("typed, then copied") << true;
        QTest::newRow("copied only") << false;
    }
    void leavingTheEditorAsksAndNoLeavesTheFile() {
        QFETCH(bool, typed);
        Session s;
        const QString path = s.school.dataFolder() + QStringLiteral("タイム回数データ.txt");
        const QByteArray before = bytesOf(path);
        s.openTool(1);
        auto* box = s.w.find<QLineEdit>(screen::FrmTimeData, QStringLiteral("Gridinputtext"));
        if (typed) {
            QTest::keyClicks(box, QStringLiteral("9"));
            s.w.settle(2);
            QCOMPARE(box->text(), QStringLiteral("559"));
        }
        // Shift + Down fills without colouring.
        s.key(screen::FrmTimeData, Qt::Key_Down, Qt::ShiftModifier);
        auto* grid = s.w.find<QTableWidget>(screen::FrmTimeData, QStringLiteral("MSFlexGrid1"));
        QCOMPARE(grid->item(2, 1)->text(), typed ? QStringLiteral("559") : QStringLiteral("55"));
        QCOMPARE(grid->item(2, 1)->background().color() == QColor(255, 255, 0), false);
        s.w.dialogs.answers = {false};
        s.click(screen::FrmTimeData, QStringLiteral("Command4"));
        QCOMPARE(s.w.dialogs.questions,
                 QStringList{QStringLiteral("データが変更されています。記録しますか？")});
        QCOMPARE(s.w.dialogs.titles.last(), QStringLiteral("注意"));
        QCOMPARE(bytesOf(path), before);
        QCOMPARE(s.w.registry.activeScreen(), screen::seisekitime1);
        QCOMPARE(s.app->program().criteria.passTime[1], 55);
    }

    // A criteria file with a word in line 3: the program starts with one message, level 2
    // closed with the reason; the editor shows the cell marked, and its save opens the level.
    void aRefusedCriteriaCellIsMendedInTheEditor() {
        Session s([](test::TempSchool& school) {
            school.writeCriteria(test::TempSchool::defaultCriteria().replace(
                QStringLiteral("\r\n45,65,"), QStringLiteral("\r\nabc,65,")));
        });
        QCOMPARE(s.w.dialogs.messages.size(), 1);
        QVERIFY(s.w.dialogs.messages[0].contains(QStringLiteral("レベル2 は直すまで始められません")));
        auto* closed = s.w.find<QLineEdit>(screen::seisekitime1, QStringLiteral("Text1(2)"));
        QVERIFY(closed->isVisible());
        QCOMPARE(closed->text(), QStringLiteral("基準ファイルを直してください"));
        QVERIFY(!s.w.find<QPushButton>(screen::seisekitime1, QStringLiteral("Command4(2)"))->isEnabled());

        s.openTool(1);
        auto* grid = s.w.find<QTableWidget>(screen::FrmTimeData, QStringLiteral("MSFlexGrid1"));
        QCOMPARE(grid->rowCount(), 5);
        QCOMPARE(grid->item(2, 1)->text(), QStringLiteral("abc"));
        const QColor marked = grid->item(2, 1)->background().color();
        QVERIFY(marked != QColor(Qt::white) && marked != QColor(255, 255, 0));
        QCOMPARE(grid->item(2, 2)->background().color(), QColor(Qt::white));
        QVERIFY(!s.w.find<QLabel>(screen::FrmTimeData, QStringLiteral("Label4"))->text().isEmpty());
        s.key(screen::FrmTimeData, Qt::Key_Down);
        s.key(screen::FrmTimeData, Qt::Key_Space);
        QTest::keyClicks(s.w.find<QLineEdit>(screen::FrmTimeData, QStringLiteral("Gridinputtext")),
                         QStringLiteral("45"));
        s.w.settle(2);
        s.click(screen::FrmTimeData, QStringLiteral("Command3"));
        QCOMPARE(s.w.dialogs.messages.size(), 1); // saved without a word
        QCOMPARE(grid->item(2, 1)->background().color(), QColor(Qt::white));
        QCOMPARE(s.w.find<QLineEdit>(screen::FrmTimeData, QStringLiteral("Gridinputtext"))
                     ->palette()
                     .color(QPalette::Base),
                 QColor(Qt::white));
        QVERIFY(s.w.find<QLabel>(screen::FrmTimeData, QStringLiteral("Label4"))->text().isEmpty());
        QCOMPARE(s.app->program().criteria.passTime[2], 45);
        s.click(screen::FrmTimeData, QStringLiteral("Command4"));
        QCOMPARE(s.w.registry.activeScreen(), screen::seisekitime1);
        QVERIFY(s.w.find<QPushButton>(screen::seisekitime1, QStringLiteral("Command4(2)"))->isEnabled());
        QVERIFY(s.w.find<QLineEdit>(screen::seisekitime1, QStringLiteral("Text1(2)"))->isHidden());
    }

    // Twelve pupils' best times in one class make the longest bar of the best-time list: the
    // list scrolls far enough to show all of it.
    void theLongestBestTimeBarCanBeSeen() {
        Session s([](test::TempSchool& school) {
            for (int i = 1; i <= 12; ++i)
                school.addRecord(runOf(i, 1, 25));
        });
        s.openTool(1);
        auto* list = s.w.find<QListWidget>(screen::FrmTimeData, QStringLiteral("List4"));
        int widest = 0;
        for (int i = 0; i < list->count(); ++i)
            widest = std::max(widest, QFontMetrics(list->font()).horizontalAdvance(list->item(i)->text()));
        QVERIFY(list->item(3)->text().endsWith(QString(12, QChar(0x2605))));
        QVERIFY2(widest <= list->viewport()->width() + list->horizontalScrollBar()->maximum(),
                 qPrintable(QString::number(widest)));
    }

    // The heading row keeps one font through key presses, and every heading fits its column.
    void theEditorsHeadingsKeepTheirFont() {
        Session s;
        s.openTool(1);
        auto* grid = s.w.find<QTableWidget>(screen::FrmTimeData, QStringLiteral("MSFlexGrid1"));
        auto headings = [grid] {
            QList<QFont> fonts;
            for (int c = 0; c < grid->columnCount(); ++c)
                fonts << grid->item(0, c)->font();
            return fonts;
        };
        const QList<QFont> opened = headings();
        QVERIFY(opened[1].pointSizeF() < grid->font().pointSizeF());
        auto* box = s.w.find<QLineEdit>(screen::FrmTimeData, QStringLiteral("Gridinputtext"));
        QTest::keyClicks(box, QStringLiteral("9"));
        s.w.settle(2);
        s.key(screen::FrmTimeData, Qt::Key_Right);
        s.key(screen::FrmTimeData, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(headings(), opened);
        for (int c = 0; c < grid->columnCount(); ++c)
            QVERIFY2(QFontMetrics(grid->item(0, c)->font())
                             .horizontalAdvance(grid->item(0, c)->text()) <= grid->columnWidth(c),
                     qPrintable(grid->item(0, c)->text()));
    }

    // Another teacher erased a record after the list was read: the double-click opens
    // nothing, says so and lists the file again.
    void aStaleRowInTheBrowserOpensNothing() {
        Session s;
        s.openTool(0);
        auto* data = static_cast<FrmData*>(s.w.registry.form(screen::FrmData));
        auto* list = data->findChild<QListWidget*>(QStringLiteral("List1"));
        QCOMPARE(list->count(), 5);
        QVERIFY(RecordFile(s.school.recordPath()).erase(1, {}, {}, {}).ok());
        const QByteArray before = bytesOf(s.school.recordPath());
        list->setCurrentRow(1);
        data->List1_DblClick();
        QVERIFY(!data->findChild<QFrame*>(QStringLiteral("Picture3"))->isVisible());
        QVERIFY(!data->findChild<QPushButton*>(QStringLiteral("Command3"))->isEnabled());
        QCOMPARE(list->count(), 4);
        QCOMPARE(s.w.dialogs.messages.size(), 1);
        QCOMPARE(bytesOf(s.school.recordPath()), before);
    }

    void browserCancelAndTheScrollBar() {
        Session s;
        s.openTool(0);
        auto* data = static_cast<FrmData*>(s.w.registry.form(screen::FrmData));
        auto* list = data->findChild<QListWidget*>(QStringLiteral("List1"));
        list->setCurrentRow(4);
        data->List1_DblClick();
        auto* time = data->findChild<QLineEdit*>(QStringLiteral("Text1(1)"));
        QCOMPARE(time->text(), QStringLiteral("25"));
        auto* scroll = data->findChild<QScrollBar*>(QStringLiteral("VScroll1"));
        QCOMPARE(scroll->value(), 25);
        scroll->setValue(31);
        QCOMPARE(time->text(), QStringLiteral("31"));
        s.w.dialogs.answers = {false};
        const QByteArray before = bytesOf(s.school.recordPath());
        s.click(screen::FrmData, QStringLiteral("Command3"));
        QCOMPARE(bytesOf(s.school.recordPath()), before);
        QVERIFY(data->findChild<QFrame*>(QStringLiteral("Picture3"))->isVisible());
        s.click(screen::FrmData, QStringLiteral("Command2"));
        QCOMPARE(bytesOf(s.school.recordPath()).mid(4 * 44 + 20, 4),
                 QByteArray::fromHex("1F000000"));
        QCOMPARE(list->currentRow(), 4);
    }
};

QTEST_MAIN(TeacherToolsTests)
#include "teacher_tools_tests.moc"
