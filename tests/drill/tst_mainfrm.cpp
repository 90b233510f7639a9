// The drill screen offscreen: loaded through the registry, driven by keys, with fake timers.
#include "drill/ui/drill_screens.h"
#include "drill/ui/MainFrm.h"
#include "records/program.h"
#include "shell/startup.h"
#include "shell/ui/form.h"
#include "shell/ui/screen_registry.h"
#include "support/fakes.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QListWidget>
#include <QWindow>
#include <QtTest>

using namespace kz;
using namespace kz::test;

class TestMainFrm : public QObject {
    Q_OBJECT
private slots:
    void keysReachTheDrillAndLabelsChange();
    void keysPressedDuringTheWrongSoundAreDropped();
    void flashIsOnScreenBeforeItsTimeStarts();
};

namespace {
struct Screen {
    FakeServices f;
    ScreenRegistry registry;
    Services services{f.world.clock, f.world, f.events, f.dialogs,
                      f.random,      f.sound, registry, f.program};
    Program p{services};
    MainFrm* form = nullptr;

    Screen() {
        registry.setWindowed(true);
        registerDrillScreens(registry, p);
        prepareLevels(p.h);
        SetProgramDefaults(p.h);
        p.h.LevelNo = 4;
        p.h.Bangou = 1;
        p.h.studentName = QStringLiteral("山田太郎");
        p.criteria.passTime[4] = 30;
        p.criteria.minimumTime[4] = 40;
        f.random.queueNumbers({3, 10, 1, 7, 7});
        StartRun(p.h, services);
        form = static_cast<MainFrm*>(registry.form(screen::MainFrm));
    }
    QString text(const QString& name) const { return form->findChild<QLabel*>(name)->text(); }
    bool shown(const QString& name) const { return form->findChild<QWidget*>(name)->isVisible(); }
    void flash() { f.world.advance(1900); }
};
} // namespace

void TestMainFrm::keysReachTheDrillAndLabelsChange() {
    Screen s;
    QVERIFY(s.form);
    QTRY_VERIFY(s.form->drill().started());
    QCOMPARE(s.text(QStringLiteral("qLabel1")), QStringLiteral("3"));
    auto* list1 = s.form->findChild<QListWidget*>(QStringLiteral("List1"));
    QCOMPARE(list1->count(), 5);
    // Right-aligned figures line up only in a fixed-pitch font: Windows' Gothic where it exists,
    // else IPAGothic or the system's monospace.
    QCOMPARE(list1->font().families().mid(0, 4), japaneseGothicFamilies());
    const QFontMetricsF fm(list1->font());
    QCOMPARE(fm.horizontalAdvance(QStringLiteral("1")), fm.horizontalAdvance(QStringLiteral(" ")));
    QCOMPARE(s.text(QStringLiteral("sLabel9")), QStringLiteral("5"));
    s.flash();
    QCOMPARE(s.text(QStringLiteral("qLabel1")), QStringLiteral("？"));
    QVERIFY(s.shown(QStringLiteral("Label1")));

    // A key sent to a child still reaches the screen (key preview).
    QTest::keyClick(s.form->findChild<QLabel*>(QStringLiteral("qLabel1")), Qt::Key_2);
    QTest::keyClick(s.form, Qt::Key_8);
    QCOMPARE(s.text(QStringLiteral("inputLabel")), QStringLiteral("28"));
    s.f.random.queueNumbers({9, 9, 9, 9, 9});
    QTest::keyClick(s.form, Qt::Key_Space);
    QCOMPARE(s.text(QStringLiteral("sLabel9")), QStringLiteral("4"));
    QCOMPARE(s.text(QStringLiteral("inputLabel")), QString());
    QCOMPARE(s.text(QStringLiteral("qLabel1")), QStringLiteral("9"));

    s.flash();
    QTest::keyClicks(s.form, QStringLiteral("44"));
    QTest::keyClick(s.form, Qt::Key_Space);
    QVERIFY(s.shown(QStringLiteral("Picture2")));
    QVERIFY(s.shown(QStringLiteral("List1")));
    QCOMPARE(s.text(QStringLiteral("seitouLabel")), QStringLiteral("45"));
    QVERIFY(s.shown(QStringLiteral("Commandkakunin2")));
    QCOMPARE(s.text(QStringLiteral("inputLabel")), QStringLiteral("44"));
    QTest::keyClick(s.form, Qt::Key_Up);
    QCOMPARE(s.text(QStringLiteral("inputLabel")), QString());
    QTest::keyClick(s.form, Qt::Key_Plus);
    QTest::keyClick(s.form, Qt::Key_Plus);
    QVERIFY(!s.shown(QStringLiteral("Picture2")));
    QCOMPARE(s.p.h.plusKeyState, 0);

    s.registry.unload(screen::MainFrm);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!s.p.drill.showEndPanel && !s.p.drill.stopRunClock);
}

void TestMainFrm::keysPressedDuringTheWrongSoundAreDropped() {
    Screen s;
    QTRY_VERIFY(s.form->drill().started());
    s.flash();
    // Window-system stamps run 1000 ms behind the tick here.
    auto press = [&](Qt::Key key, const QString& text, quint64 stamp) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
        e.setTimestamp(stamp);
        QApplication::sendEvent(s.form, &e);
    };
    s.f.sound.onPlay = [&](const QString&) { s.f.clock().tick += 2000; }; // the sound blocks 2 s
    const quint64 t = s.f.clock().tick - 1000;
    press(Qt::Key_1, QStringLiteral("1"), t);
    press(Qt::Key_Space, QStringLiteral(" "), t + 1);
    QCOMPARE(s.p.h.plusKeyState, 1);
    // "+" "+" hammered during the sound arrive only now, and are dropped.
    press(Qt::Key_Plus, QStringLiteral("+"), t + 500);
    press(Qt::Key_Plus, QStringLiteral("+"), t + 900);
    QCOMPARE(s.p.h.plusKeyState, 1);
    QVERIFY(s.shown(QStringLiteral("Picture2")));
    press(Qt::Key_Plus, QStringLiteral("+"), t + 2100);
    press(Qt::Key_Plus, QStringLiteral("+"), t + 2200);
    QCOMPARE(s.p.h.plusKeyState, 0);
    QVERIFY(!s.shown(QStringLiteral("Picture2")));
}

// Each flash is timed from its paint: the caption change is painted before the model goes on
// to start the flash's timer, not at the event loop's next round.
void TestMainFrm::flashIsOnScreenBeforeItsTimeStarts() {
    Screen s;
    QTRY_VERIFY(s.form->drill().started());
    s.flash();
    QTRY_VERIFY(s.form->windowHandle() && s.form->windowHandle()->isExposed());
    auto* label = s.form->findChild<QLabel*>(QStringLiteral("qLabel1"));
    struct PaintLog : QObject {
        QLabel* label;
        QStringList painted;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (o == label && e->type() == QEvent::Paint) painted << label->text();
            return false;
        }
    } log;
    log.label = label;
    label->installEventFilter(&log);
    QStringList painted;
    for (kz::Timer* t : {&s.form->drill().timer2(), &s.form->drill().timer3()}) {
        auto handler = t->onTimeout;
        t->onTimeout = [&, handler] {
            handler();
            painted << (log.painted.isEmpty() ? QString() : log.painted.last());
        };
    }
    QTest::keyClick(s.form, Qt::Key_Asterisk); // replay: the first number at once
    QCOMPARE(log.painted.value(log.painted.size() - 1), QStringLiteral("3"));
    s.flash();
    QCOMPARE(painted, (QStringList{u"+"_qs, u"10"_qs, u"+"_qs, u"1"_qs, u"+"_qs, u"7"_qs, u"+"_qs,
                                   u"7"_qs, u"？"_qs}));
    label->removeEventFilter(&log);
}

QTEST_MAIN(TestMainFrm)
#include "tst_mainfrm.moc"
