// The level menu's comparison panel offscreen: the graph button, the hidden comparison lists,
// the one read per pupil, and printing without a printer into PDF files, one per pupil.
#include "records/statistics_support.h"
#include "selection/selection_support.h"
#include "selection/ui/seisekitime1.h"
#include "selection/ui/selection_context.h"
#include "shell/startup.h"
#include "support/file_access_counter.h"

#include <QDir>
#include <QFrame>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

using namespace kz;
using namespace kz::test;

namespace {

template <class T> T* child(QWidget* form, const QString& name) {
    T* w = form->findChild<T*>(name);
    if (!w) qFatal("no control %s", qPrintable(name));
    return w;
}

int pdfPageCount(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    return static_cast<int>(QString::fromLatin1(f.readAll()).count(page));
}

struct Menu {
    School school;
    Selection selection;
    std::unique_ptr<seisekitime1> menu;

    Menu() {
        Hensuu1& h = school.p->h;
        prepareLevels(h);
        h.levelCount = 4;
        h.Bangou = 5;
        h.studentName = QStringLiteral("★先生");
        const QDate today = school.fake.clock().date;
        for (int n = 1; n <= 4; ++n) {
            school.p->criteria.passTime[n] = 30;
            school.p->criteria.minimumTime[n] = 45;
            school.p->criteria.pointRate[n] = DecimalNumber::leading(u"1");
        }
        const int y = today.year();
        school.writeRoster(QStringLiteral("5,%1,0,0,★先生,0,,\r\n6,%2,0,0,はなこ,0,,\r\n"
                                          "7,%3,0,0,じろう,0,,\r\n")
                               .arg(y - 9)
                               .arg(y - 9)
                               .arg(y - 14));
        readRosterFile(school.p->rosterFilePath(), selection.tables, today, 4, 0);
        std::vector<SeisekiRecord> records;
        for (int b : {5, 6, 7})
            for (int l = 1; l <= 4; ++l)
                for (int t : {40, 35, 38, 30})
                    records.push_back(makeRecord(today.addDays(-(t % 7)), b, l, t + b));
        school.writeRecords(records);
        menu = std::make_unique<seisekitime1>(*school.p, selection);
        menu->Form_Activate();
        menu->Option2_Click(2); // 個人ﾀｲﾑ
    }
    QWidget* w() const { return menu.get(); }
};

} // namespace

class ComparisonPanelTest : public QObject {
    Q_OBJECT
private slots:
    void graphButtonShowsTheFirstThreeLevels() {
        Menu m;
        FileAccessCounter counter(m.school.p->recordFilePath());
        QVERIFY(!child<QPushButton>(m.w(), QStringLiteral("Command17"))->isHidden());
        m.menu->Command17_Click();
        if (FileAccessCounter::kAvailable)
            QCOMPARE(counter.take(), std::make_pair(1, 1)); // one read for all three blocks
        QVERIFY(!child<QFrame>(m.w(), QStringLiteral("Picture11"))->isHidden());
        auto* list3 = child<QListWidget>(m.w(), QStringLiteral("List3"));
        QVERIFY(list3->item(0)->isSelected() && list3->item(2)->isSelected());
        QVERIFY(!list3->item(3)->isSelected());
        // The last block drawn was level 3; its rankings are in the hidden lists.
        QCOMPARE(m.menu->chartLevel, 3);
        auto* timeList = child<QListWidget>(m.w(), QStringLiteral("List4(1)"));
        QCOMPARE(timeList->count(), 3);
        QCOMPARE(timeList->item(0)->text(), QStringLiteral("  1●★先生　　    35 ●"));
        QCOMPARE(m.menu->levelTimeRank[3], QStringLiteral("  1"));
        QCOMPARE(child<QListWidget>(m.w(), QStringLiteral("List4(2)"))->count(), 3);
        QCOMPARE(m.menu->schoolPointsCount[3], 3);
        // Something red (a best) was drawn on the surface.
        const QImage& img = m.menu->chartImage();
        bool red = false;
        for (int y = 0; y < img.height() && !red; ++y)
            for (int x = 0; x < img.width() && !red; ++x)
                red = (img.pixel(x, y) & 0xFFFFFF) == 0xFF0000;
        QVERIFY(red);
    }

    void printsEachChosenPupilAsAPdfWithoutAPrinter() {
        Menu m;
        QTemporaryDir out;
        m.menu->pdfFolder = out.path();
        m.menu->Command17_Click();
        QVERIFY(!child<QPushButton>(m.w(), QStringLiteral("Command24(1)"))->isHidden()); // teacher
        m.menu->Command25_Click();
        auto* list2 = child<QListWidget>(m.w(), QStringLiteral("List2"));
        QVERIFY(!list2->isHidden());
        QCOMPARE(list2->count(), 3);
        auto* list3 = child<QListWidget>(m.w(), QStringLiteral("List3"));
        list3->item(3)->setSelected(true); // four levels: two pages a pupil
        list2->item(0)->setSelected(true);
        list2->item(2)->setSelected(true);
        m.school.fake.dialogs.messages.clear();
        m.menu->Command24_Click(1);
        const QStringList files = QDir(out.path()).entryList({QStringLiteral("*.pdf")});
        QCOMPARE(files.size(), 2);
        for (const QString& f : files)
            QCOMPARE(pdfPageCount(QDir(out.path()).filePath(f)), 2);
        // One message for the whole order, naming both files.
        QCOMPARE(m.school.fake.dialogs.messages.size(), 1);
        const QString message = m.school.fake.dialogs.messages.first();
        QVERIFY(message.startsWith(QStringLiteral("プリンタがありません。")));
        for (const QString& f : files)
            QVERIFY(message.contains(f));
        // In the list's order: the first chosen line's pupil first.
        const int first = pupilNumberOfLine(list2->item(0)->text());
        QVERIFY(
            message.indexOf(QStringLiteral("比較グラフ_%1_").arg(first)) <
            message.indexOf(
                QStringLiteral("比較グラフ_%1_").arg(pupilNumberOfLine(list2->item(2)->text()))));
    }
};

QTEST_MAIN(ComparisonPanelTest)
#include "tst_comparison_panel.moc"
