#include "records/program.h"
#include "records/ui/FrmSyuuryou.h"
#include "records/ui/records_screens.h"
#include "shell/startup.h"
#include "shell/ui/screen_registry.h"
#include "statistics_support.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace kz;
using namespace kz::test;

// The result screen on a real registry: the drill's hand-over shows it by name, its
// activation fills the labels, Timer1 brings the buttons.
class TestResultScreen : public QObject {
    Q_OBJECT

private slots:
    void showsTheRunAfterTheHandOver() {
        QTemporaryDir dir;
        FakeWorld world;
        FakeEvents events{world};
        RecordingDialogs dialogs;
        ScriptedRandom random;
        RecordingSound sound;
        ScreenRegistry registry;
        registry.setWindowed(true);
        ThrowingProgram program;
        Services services{world.clock, world, events, dialogs, random, sound, registry, program};
        Program p(services);
        registerRecordsScreens(registry, p);

        p.h.dataFolder = dir.path() + u'/';
        p.h.programTitle = QStringLiteral("カズトビ１");
        p.h.studentName = QStringLiteral("山田 花子");
        p.h.Bangou = 5;
        prepareLevels(p.h);
        p.criteria = makeCriteria(QStringLiteral("30,60,0,0,1.5,0,0,7,3,,,\r\n").repeated(4));
        writeRecords(p.recordFilePath(), {makeRecord(world.clock.date, 5, 1, 40)});
        p.computeStatistics();
        events.onProcess = [&] { world.advance(10); };

        p.h.LevelNo = 1;
        p.h.elapsedSeconds = 15;
        QVERIFY(p.EndRun);
        p.EndRun();
        auto* form = qobject_cast<FrmSyuuryou*>(registry.form(screen::FrmSyuuryou));
        QVERIFY(form);
        QCoreApplication::processEvents(); // the activation runs after the showing event
        auto text = [form](const char* name) {
            return form->findChild<QLabel*>(QLatin1String(name))->text();
        };
        QCOMPARE(text("Label18"), QStringLiteral("今の成績：15秒"));
        QCOMPARE(text("Label19"), QStringLiteral("獲得ポイント：11点×1.5→16点"));
        QCOMPARE(text("Label13"), QStringLiteral(" (このレベル　2回目)"));
        QCOMPARE(text("Label14"), QStringLiteral("（2回目)"));
        QCOMPARE(text("Label20"), QStringLiteral("！！！最高新記録！！！"));
        QVERIFY(form->findChild<QLabel*>(QStringLiteral("Label20"))->isVisible());
        QVERIFY(form->findChild<QLabel*>(QStringLiteral("Label2"))->isVisible());
        auto* command4 = form->findChild<QPushButton*>(QStringLiteral("Command4"));
        auto* command5 = form->findChild<QPushButton*>(QStringLiteral("Command5"));
        QVERIFY(!command4->isVisible());
        world.advance(500);
        QVERIFY(command4->isVisible());
        QVERIFY(command5->isVisible());
        QCOMPARE(command4->text(), QStringLiteral("メニューへ"));
        QCOMPARE(command5->text(), QStringLiteral("もう一度"));
        if (const QByteArray shot = qgetenv("KZ_SHOT"); !shot.isEmpty())
            form->grab().save(QString::fromLocal8Bit(shot));
        command4->click();
        QVERIFY(!registry.isLoaded(screen::FrmSyuuryou));
    }
};

QTEST_MAIN(TestResultScreen)
#include "test_result_screen.moc"
