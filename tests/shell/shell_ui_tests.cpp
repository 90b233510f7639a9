// Splash, about box and the screen registry, offscreen.
#include "shell/ui/Firstfrm.h"
#include "shell/ui/screen_registry.h"
#include "support/fakes.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>

using namespace kz;

namespace {
class CountingForm final : public Form {
public:
    explicit CountingForm(const QString& name, int* activations) : Form(name), m_activations(activations) {}
    void Form_Activate() override { ++*m_activations; }

private:
    int* m_activations;
};
} // namespace

class ShellUiTests : public QObject {
    Q_OBJECT

private slots:
    void splashWaitsOneTickThenHandsOver() {
        test::FakeServices f;
        f.clock().date = QDate(2027, 1, 15);
        Hensuu1 h;
        ScreenRegistry registry;
        registry.setWindowed(true);
        int handedOver = 0;
        registry.add(screen::Firstfrm, [&] {
            return new Firstfrm(h, f.services, registry, [&] { ++handedOver; });
        });
        auto* splash = static_cast<Firstfrm*>(registry.load(screen::Firstfrm));
        splash->Firstfrm_Form_Load();
        QCOMPARE(h.seasonColour, 33023);
        QCOMPARE(splash->findChild<QLabel*>(QStringLiteral("Label5"))->text(),
                 QStringLiteral("令和9年 1月 15日（金）"));
        QCOMPARE(splash->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("Just a moment, please."));
        QCOMPARE(f.random.seeds.size(), size_t(1));
        QVERIFY(splash->isVisible());
        QCOMPARE(handedOver, 0); // visible for a whole tick before loading starts
        f.world.advance(99);
        QCOMPARE(handedOver, 0);
        f.world.advance(1);
        QCOMPARE(handedOver, 1);
        QVERIFY(!registry.isLoaded(screen::Firstfrm));
        f.world.advance(1000);
        QCOMPARE(handedOver, 1); // one-shot
        if (qEnvironmentVariableIsSet("KZ_SHOTS"))
            splash->grab().save(qEnvironmentVariable("KZ_SHOTS") + QStringLiteral("/splash.png"));
    }

    void aboutBoxShowsTitleAndVersion() {
        test::FakeServices f;
        Hensuu1 h;
        h.programTitle = QStringLiteral("カズトビ１");
        ScreenRegistry registry;
        frmver box(h, f.services, registry);
        box.Form_Activate();
        QCOMPARE(box.findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("カズトビ１"));
        QCOMPARE(box.findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral("Version1.0.1"));
        QCOMPARE(box.windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    }

    void registryLoadsOnceActivatesOnEachShowAndUnloadsLater() {
        ScreenRegistry registry;
        registry.setWindowed(true);
        int activations = 0, loads = 0;
        registry.add(QStringLiteral("A"), [&] { ++loads; return new CountingForm(QStringLiteral("A"), &activations); });
        registry.add(QStringLiteral("B"), [&] { return new CountingForm(QStringLiteral("B"), &activations); });
        registry.show(QStringLiteral("A"));
        QCOMPARE(activations, 0); // after the current event
        QCoreApplication::processEvents();
        QCOMPARE(activations, 1);
        registry.show(QStringLiteral("A"));
        QCoreApplication::processEvents();
        QCOMPARE(activations, 1); // already the active screen
        registry.show(QStringLiteral("B"));
        registry.show(QStringLiteral("A"));
        QCoreApplication::processEvents();
        QCOMPARE(activations, 2); // B was shown and left again before its activation ran
        QCOMPARE(loads, 1);
        QPointer<Form> a = registry.form(QStringLiteral("A"));
        registry.unload(QStringLiteral("A"));
        QVERIFY(!registry.isLoaded(QStringLiteral("A")));
        QVERIFY(a); // deleted after the current event, so a handler may unload its own screen
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!a);
        registry.show(QStringLiteral("A"));
        QCOMPARE(loads, 2);
        registry.unloadAll();
        QVERIFY(!registry.isLoaded(QStringLiteral("A")) && !registry.isLoaded(QStringLiteral("B")));
    }
};

QTEST_MAIN(ShellUiTests)
#include "shell_ui_tests.moc"
