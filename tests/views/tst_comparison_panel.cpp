// The level menu's comparison panel offscreen: the graph button, the hidden comparison lists,
// the one read per pupil, and printing without a printer into PDF files, one per pupil.
#include "records/statistics_support.h"
#include "support/files.h"
#include "support/level_menu.h"
#include "support/record_read_counter.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

using namespace kz;
using namespace kz::test;

namespace {

// The faces a PDF file embeds, without their subset prefixes.
QSet<QString> pdfFonts(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    static const QRegularExpression font(
        QStringLiteral("/BaseFont\\s*/(?:[A-Z]{6}\\+)?([^\\s/>]+)"));
    QSet<QString> out;
    for (const QRegularExpressionMatch& m : font.globalMatch(QString::fromLatin1(f.readAll())))
        out.insert(m.captured(1));
    return out;
}

QStringList pdfsIn(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.pdf")});
}

struct Menu : LevelMenu {
    Menu() : LevelMenu(4, QStringLiteral("★先生")) {
        setFourLevelCriteria();
        // A fourth pupil whose name no file system takes as it stands.
        writeThreePupils(QStringLiteral("8,%1,0,0,ひ/み:?,0,,\r\n").arg(today.year() - 9));
        std::vector<SeisekiRecord> records;
        for (int b : {5, 6, 7, 8})
            for (int l = 1; l <= 4; ++l)
                for (int t : {40, 35, 38, 30})
                    records.push_back(makeRecord(today.addDays(-(t % 7)), b, l, t + b));
        school.writeRecords(records);
        open();
        // No test prints for real: without a printer unless a test gives one.
        menu->panel()->printerAvailable = [] { return false; };
        menu->panel()->openPrinter = [this] {
            ++printersOpened;
            return std::unique_ptr<QPrinter>();
        };
        menu->Form_Activate();
        menu->Option2_Click(2); // 個人ﾀｲﾑ
    }
    int printersOpened = 0;
    // Chooses the pupil of roster number b in List2.
    void choosePupil(int b) {
        menu->panel()->Command25_Click();
        auto* list2 = child<QListWidget>(w(), QStringLiteral("List2"));
        for (int i = 0; i < list2->count(); ++i)
            list2->item(i)->setSelected(pupilNumberOfLine(list2->item(i)->text()) == b);
    }
};

} // namespace

class ComparisonPanelTest : public QObject {
    Q_OBJECT
private slots:
    void graphButtonShowsTheFirstThreeLevels() {
        Menu m;
        RecordReadCounter counter;
        QVERIFY(!child<QPushButton>(m.w(), QStringLiteral("Command17"))->isHidden());
        m.menu->Command17_Click();
        QCOMPARE(counter.take(), std::make_pair(1, 1)); // one read for all three blocks
        auto* panel = child<QFrame>(m.w(), QStringLiteral("Picture11"));
        QVERIFY(!panel->isHidden());
        // In front of every control of the menu it overlaps: the lists' caption and the
        // targets along its edges too.
        const QObjectList order = m.w()->children();
        QStringList overlapped;
        for (QObject* o : order) {
            auto* w = qobject_cast<QWidget*>(o);
            if (!w || w == panel || w->isHidden() || !panel->geometry().intersects(w->geometry()))
                continue;
            overlapped << w->objectName();
            QVERIFY2(order.indexOf(w) < order.indexOf(panel), qPrintable(w->objectName()));
        }
        QVERIFY(overlapped.contains(QStringLiteral("Label5")));
        QVERIFY(overlapped.contains(QStringLiteral("Label7(1)")));
        auto* list3 = child<QListWidget>(m.w(), QStringLiteral("List3"));
        QVERIFY(list3->item(0)->isSelected() && list3->item(2)->isSelected());
        QVERIFY(!list3->item(3)->isSelected());
        // The last block drawn was level 3; its rankings are in the hidden lists.
        QCOMPARE(m.menu->panel()->chartLevel, 3);
        auto* timeList = child<QListWidget>(m.w(), QStringLiteral("List4(1)"));
        QCOMPARE(timeList->count(), 4);
        QCOMPARE(timeList->item(0)->text(), QStringLiteral("  1●★先生　　    35 ●"));
        QCOMPARE(m.menu->panel()->levelTimeRank[3], QStringLiteral("  1"));
        QCOMPARE(child<QListWidget>(m.w(), QStringLiteral("List4(2)"))->count(), 4);
        QCOMPARE(m.menu->panel()->schoolPointsCount[3], 4);
        // Something red (a best) was drawn on the surface.
        const QImage& img = m.menu->panel()->chartImage();
        bool red = false;
        for (int y = 0; y < img.height() && !red; ++y)
            for (int x = 0; x < img.width() && !red; ++x)
                red = (img.pixel(x, y) & 0xFFFFFF) == 0xFF0000;
        QVERIFY(red);
    }

    // Only the teacher may print the pages; a pupil only looks at them.
    void printButtonIsTheTeachers_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("shown");
        QTest::newRow("teacher") << QStringLiteral("★先生") << true;
        QTest::newRow("pupil") << QStringLiteral("たろう") << false;
    }
    void printButtonIsTheTeachers() {
        QFETCH(QString, name);
        QFETCH(bool, shown);
        LevelMenu m(4, name);
        m.setFourLevelCriteria();
        m.writeThreePupils();
        m.school.writeRecords({makeRecord(m.today, 5, 1, 40)});
        m.open();
        m.menu->Form_Activate();
        m.menu->Option2_Click(2); // 個人ﾀｲﾑ
        m.menu->Command17_Click();
        QVERIFY(!child<QFrame>(m.w(), QStringLiteral("Picture11"))->isHidden());
        QCOMPARE(!child<QPushButton>(m.w(), QStringLiteral("Command24(1)"))->isHidden(), shown);
    }

    void printsEachChosenPupilAsAPdfWithoutAPrinter() {
        Menu m;
        QTemporaryDir out;
        m.menu->panel()->pdfFolder = out.path();
        m.menu->Command17_Click();
        QVERIFY(!child<QPushButton>(m.w(), QStringLiteral("Command24(1)"))->isHidden()); // teacher
        m.menu->panel()->Command25_Click();
        auto* list2 = child<QListWidget>(m.w(), QStringLiteral("List2"));
        QVERIFY(!list2->isHidden());
        QCOMPARE(list2->count(), 4);
        auto* list3 = child<QListWidget>(m.w(), QStringLiteral("List3"));
        list3->item(3)->setSelected(true); // four levels: two pages a pupil
        list2->item(0)->setSelected(true);
        list2->item(2)->setSelected(true);
        m.school.fake.dialogs.messages.clear();
        m.menu->panel()->Command24_Click(1);
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

    // Whether a printer is there is asked, never assumed, and the "printer" writes to a file:
    // a printer takes the document; a missing or failing one leaves a PDF file and says why;
    // with no level chosen nothing is printed or saved.
    void printing_data() {
        QTest::addColumn<bool>("available");
        QTest::addColumn<QString>("printerFile"); // empty: no printer is opened
        QTest::addColumn<bool>("levels");
        QTest::addColumn<QString>("message"); // its first line; empty: no message
        QTest::newRow("printer") << true << QStringLiteral("p.pdf") << true << QString();
        QTest::newRow("no printer")
            << false << QString() << true << QStringLiteral("プリンタがありません。");
        QTest::newRow("printer fails") << true << QStringLiteral("no/dir/p.pdf") << true
                                       << QStringLiteral("プリンタでエラーが起きました。");
        QTest::newRow("no level") << true << QString() << false
                                  << QStringLiteral(
                                         "レベルが選ばれていません。何も印刷しませんでした。");
    }
    void printing() {
        QFETCH(bool, available);
        QFETCH(QString, printerFile);
        QFETCH(bool, levels);
        QFETCH(QString, message);
        Menu m;
        QTemporaryDir out, spool;
        m.menu->panel()->pdfFolder = out.path();
        m.menu->panel()->printerAvailable = [available] { return available; };
        m.menu->panel()->openPrinter = [&] {
            ++m.printersOpened;
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(spool.filePath(printerFile));
            return printer;
        };
        m.menu->Command17_Click();
        if (!levels) child<QListWidget>(m.w(), QStringLiteral("List3"))->clearSelection();
        m.school.fake.dialogs.messages.clear();
        m.menu->panel()->Command24_Click(1);
        QCOMPARE(m.printersOpened, printerFile.isEmpty() ? 0 : 1);
        const bool pdf = levels && !message.isEmpty();
        QCOMPARE(pdfsIn(out.path()).size(), pdf ? 1 : 0);
        QCOMPARE(pdfPageCount(spool.filePath(printerFile)), message.isEmpty() ? 1 : -1);
        QCOMPARE(m.school.fake.dialogs.messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QCOMPARE(m.school.fake.dialogs.messages.first().section(u'\n', 0, 0), message);
    }

    // A name with "/" and the characters Windows refuses is saved under a safe name, and the
    // message names every file as it is on disk; a folder that cannot take the file is
    // reported as failed, not saved.
    void pdfNamedSafelyAndReportedTruly_data() {
        QTest::addColumn<bool>("folderWritable");
        QTest::newRow("saved") << true;
        QTest::newRow("cannot save") << false;
    }
    void pdfNamedSafelyAndReportedTruly() {
        QFETCH(bool, folderWritable);
        Menu m;
        QTemporaryDir out;
        QString folder = out.path();
        if (!folderWritable) {
            QFile blocker(out.filePath(QStringLiteral("file")));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            folder = blocker.fileName(); // a file where the folder should be
        }
        m.menu->panel()->pdfFolder = folder;
        m.menu->Command17_Click();
        m.choosePupil(8);
        m.school.fake.dialogs.messages.clear();
        m.menu->panel()->Command24_Click(1);
        QCOMPARE(m.school.fake.dialogs.messages.size(), 1);
        const QStringList lines = m.school.fake.dialogs.messages.first().split(u'\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[1], folderWritable
                               ? QStringLiteral("印刷するかわりにPDFファイルに保存しました。")
                               : QStringLiteral("次のPDFファイルは保存できませんでした。"));
        QVERIFY(
            lines[2].startsWith(QDir::toNativeSeparators(
                QDir(folder).filePath(QStringLiteral("比較グラフ_8_ひ_み___")))));
        QCOMPARE(QFileInfo::exists(lines[2]), folderWritable);
        if (!folderWritable) return;
        QCOMPARE(pdfsIn(folder).size(), 1);
        // One face for every character, the one the panel resolves (no proportional fallback).
        QCOMPARE(pdfFonts(lines[2]), QSet<QString>{QStringLiteral("IPAGothic")});
    }

    // Events run while the rankings are made, never while a page is painted; a click on the
    // lists or "表示" meanwhile starts no second drawing.
    void noEventsWhilePainting() {
        Menu m;
        int whilePainting = 0, clicks = 0;
        m.school.fake.events.onProcess = [&] {
            if (m.menu->panel()->chartImage().paintingActive()) ++whilePainting;
            if (clicks++ < 3) {
                m.menu->panel()->List2_Click();
                m.menu->panel()->List3_Click();
                m.menu->panel()->Command24_Click(0);
                // Another pupil and another grade group asked for meanwhile change nothing
                // of the pages being made.
                m.menu->panel()->choosePupil(6);
                m.menu->Command17_Click();
                auto* combo1 = child<QComboBox>(m.w(), QStringLiteral("Combo1"));
                combo1->setCurrentIndex(combo1->count() - 1);
                m.menu->Combo1_Click();
            }
        };
        RecordReadCounter counter;
        m.menu->Command17_Click();
        m.school.fake.events.onProcess = nullptr;
        QVERIFY(clicks > 3);
        QCOMPARE(whilePainting, 0);
        QCOMPARE(counter.take(), std::make_pair(1, 1)); // the clicks drew nothing more
        QCOMPARE(m.menu->panel()->chartLevel, 3);
        QCOMPARE(m.menu->panel()->chartBangou, 5);
        Menu undisturbed;
        undisturbed.menu->Command17_Click();
        for (int level = 1; level <= 3; ++level) {
            QCOMPARE(m.menu->panel()->levelTimeRank[level],
                     undisturbed.menu->panel()->levelTimeRank[level]);
            QCOMPARE(m.menu->panel()->schoolPointsCount[level],
                     undisturbed.menu->panel()->schoolPointsCount[level]);
        }
    }
};

QTEST_MAIN(ComparisonPanelTest)
#include "tst_comparison_panel.moc"
