// The whole program in-process, offscreen, on a temporary school: splash, name, level menu,
// five answers read off the drill's problem list, the result screen, and the record's bytes.
#include "app/application.h"
#include "shell/ui/form.h"
#include "support/live_program.h"
#include "support/school.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace kz;
using test::LiveWorld;


class EndToEndTests : public QObject {
    Q_OBJECT

private slots:
    void aPupilRunsLevelFourAndTheRecordLands() {
        test::TempSchool school(12, true, QDate(2026, 12, 9));
        LiveWorld w;
        w.world.clock.date = QDate(2026, 12, 9);
        w.registry.setWindowed(true);
        Application app(w.services, w.registry, school.programDir());
        app.start();
        QVERIFY(w.registry.isLoaded(screen::Firstfrm));
        w.world.advance(100);
        w.settle();
        QVERIFY(!w.registry.isLoaded(screen::Firstfrm));
        QCOMPARE(w.registry.activeScreen(), screen::namesel);
        QCOMPARE(w.dialogs.messages, QStringList());

        // Choose pupil 3 and confirm with the key "1".
        auto* names = w.find<QListWidget>(screen::namesel, QStringLiteral("List1"));
        QVERIFY(names);
        int row = -1;
        for (int i = 1; i < names->count(); ++i)
            if (names->item(i)->text().contains(QStringLiteral("せいと3 ")) ||
                names->item(i)->text().contains(QStringLiteral("せいと3　")))
                row = i;
        QVERIFY2(row > 0, "pupil 3 is listed");
        names->setCurrentRow(row);
        w.press(screen::namesel, Qt::Key_1);
        w.settle();
        QCOMPARE(app.program().h.Bangou, 3);
        QCOMPARE(w.registry.activeScreen(), screen::seisekitime1);
        QVERIFY(!w.registry.isLoaded(screen::namesel));

        // Level 4 from the menu by its number key.
        w.press(screen::seisekitime1, Qt::Key_4);
        w.settle();
        QCOMPARE(w.registry.activeScreen(), screen::MainFrm);
        QCOMPARE(app.program().h.LevelNo, 4);
        Form* drill = w.registry.form(screen::MainFrm);
        QVERIFY(drill);

        const qint64 runStart = w.world.clock.tick;
        for (int problem = 0; problem < 5; ++problem) {
            w.world.advance(1900); // the whole flash at level 4
            w.settle(2);
            QCOMPARE(drill->findChild<QLabel*>(QStringLiteral("qLabel1"))->text(), QStringLiteral("？"));
            auto* list = drill->findChild<QListWidget*>(QStringLiteral("List1"));
            QCOMPARE(list->count(), 5);
            int total = 0;
            for (int i = 0; i < 5; ++i)
                total += list->item(i)->text().mid(2).trimmed().toInt();
            QTest::keyClicks(drill, QString::number(total));
            QTest::keyClick(drill, Qt::Key_Space);
            w.settle(2);
        }
        const int expectedTime = int((w.world.clock.tick - runStart) / 1000);

        // The run end pauses one second, then the result screen takes over.
        w.settle(20);
        QVERIFY(!w.registry.isLoaded(screen::MainFrm));
        QCOMPARE(w.registry.activeScreen(), screen::FrmSyuuryou);
        auto* result = w.find<QLabel>(screen::FrmSyuuryou, QStringLiteral("Label18"));
        QVERIFY(result->text().startsWith(QStringLiteral("今の成績：")));
        w.world.advance(500);
        w.settle();
        QVERIFY(w.find<QPushButton>(screen::FrmSyuuryou, QStringLiteral("Command4"))->isVisible());

        // The record: 44 bytes, pupil 3, level 4, the run's whole seconds, the school code.
        QFile f(school.recordPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray b = f.readAll();
        QCOMPARE(b.size(), 44);
        QCOMPARE(b.mid(16, 4), QByteArray::fromHex("03000400"));
        SeisekiRecord rec;
        QVERIFY(SeisekiRecord::decode(b.constData(), b.size(), &rec));
        QVERIFY(qAbs(rec.recordTime - expectedTime) <= 1);
        QCOMPARE(b.mid(24, 5), QByteArray("12345"));
        QCOMPARE(b.mid(34, 5), QByteArray("0    "));
        QCOMPARE(result->text(), QStringLiteral("今の成績：%1秒").arg(rec.recordTime));

        // "メニューへ" leads back to a freshly built level menu that counts the run.
        QTest::mouseClick(w.find<QPushButton>(screen::FrmSyuuryou, QStringLiteral("Command4")), Qt::LeftButton);
        w.settle();
        QCOMPARE(w.registry.activeScreen(), screen::seisekitime1);
        auto* today = w.find<QLabel>(screen::seisekitime1, QStringLiteral("Label18"));
        QVERIFY(today);
        QCOMPARE(today->text(), QStringLiteral("本日総回数＝1回"));
        QCOMPARE(w.dialogs.messages, QStringList());
    }

    void aMissingCommonDataFileEndsTheStartWithItsName() {
        test::TempSchool school(3);
        QFile::remove(school.basePath() + QStringLiteral("共通データ.txt"));
        LiveWorld w;
        w.registry.setWindowed(true);
        Application app(w.services, w.registry, school.programDir());
        app.start();
        bool ended = false;
        try {
            w.world.advance(100);
        } catch (const test::ProgramEnded& e) {
            ended = e.status == 1;
        }
        QVERIFY(ended);
        QCOMPARE(w.dialogs.messages.size(), 1);
        QVERIFY(w.dialogs.messages[0].contains(
            QDir::toNativeSeparators(school.basePath() + QStringLiteral("共通データ.txt"))));
        QVERIFY(!w.registry.isLoaded(screen::namesel));
    }

    // A short criteria row is refused, not shifted into the next: the start names the line
    // once and goes on to the name screen, that level closed until the teacher mends it.
    void aShortCriteriaRowClosesItsLevelAndTheStartGoesOn() {
        test::TempSchool school(3);
        school.writeCriteria(QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"
                                            "55,80,60,5,1,20,0,7,3,,,\r\n"
                                            "45,65,60,5,1.2,20,0\r\n"
                                            "35,55,60,5,1.5,20,0,7,3,,,\r\n"
                                            "27,45,60,5,2,0,0,7,3,,,\r\n"));
        LiveWorld w;
        w.registry.setWindowed(true);
        Application app(w.services, w.registry, school.programDir());
        app.start();
        w.world.advance(100);
        QCOMPARE(w.dialogs.messages.size(), 1);
        const QString msg = w.dialogs.messages[0];
        QVERIFY2(msg.contains(QDir::toNativeSeparators(school.dataFolder() + QStringLiteral("タイム回数データ.txt"))),
                 qPrintable(msg));
        QVERIFY2(msg.contains(QStringLiteral("3 行目: 値が 7 個")), qPrintable(msg));
        QVERIFY2(msg.contains(QStringLiteral("レベル2 は直すまで始められません")), qPrintable(msg));
        QVERIFY(w.registry.isLoaded(screen::namesel));
        const CriteriaTable& c = app.program().criteria;
        QVERIFY(c.closesLevel(2) && !c.closesLevel(1) && !c.closesLevel(3));
        QCOMPARE(c.passTime[3], 35);
    }

    // Bad roster lines: the name screen loads with every good pupil, then one message names them.
    void badRosterLinesAreNamedAfterTheNameScreenLoads() {
        test::TempSchool school(3);
        school.writeRoster(QStringLiteral("1,2015,0,0,あい,0,,\r\n2,2015,0,0,いう\r\n3,2015,0,0,うえ,0,,\r\n"));
        LiveWorld w;
        w.registry.setWindowed(true);
        Application app(w.services, w.registry, school.programDir());
        app.start();
        w.world.advance(100);
        QVERIFY(w.registry.isLoaded(screen::namesel));
        QTRY_COMPARE(w.dialogs.messages.size(), 1);
        QVERIFY2(w.dialogs.messages[0].contains(QStringLiteral("新名簿.txt の次の行")), qPrintable(w.dialogs.messages[0]));
        QVERIFY(w.dialogs.messages[0].contains(QStringLiteral("2 行目: 項目が 5 個")));
        auto* list = w.find<QListWidget>(screen::namesel, QStringLiteral("List1"));
        QVERIFY(list);
        QCOMPARE(list->count(), 3); // "－－－－－－" and the two good pupils
    }
};

QTEST_MAIN(EndToEndTests)
#include "end_to_end_tests.moc"
