// Splash, about box and the screen registry, offscreen.
#include "shell/ui/Firstfrm.h"
#include "shell/ui/qt_services.h"
#include "shell/ui/screen_registry.h"
#include "support/fakes.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QFontDatabase>
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

    void aboutBoxCentredOverTheNameScreenEachTime() {
        test::FakeServices f;
        Hensuu1 h;
        ScreenRegistry registry;
        registry.setWindowed(true);
        int activations = 0;
        registry.add(screen::namesel, [&] { return new CountingForm(screen::namesel, &activations); });
        registry.add(screen::frmver, [&] { return new frmver(h, f.services, registry); });
        registry.show(screen::namesel);
        QCoreApplication::processEvents();
        QCOMPARE(activations, 1);
        Form* names = registry.form(screen::namesel);
        // The name screen moves between openings; the box follows it every time.
        for (const QPoint at : {QPoint(40, 30), QPoint(300, 200), QPoint(0, 0)}) {
            names->move(at);
            QTRY_COMPARE(names->pos(), at);
            QPoint boxCentre;
            bool modal = false;
            QTimer::singleShot(0, names, [&] {
                auto* box = static_cast<frmver*>(registry.form(screen::frmver));
                boxCentre = box->geometry().center();
                modal = box->isModal();
                box->Command1_Click();
            });
            registry.showModal(screen::frmver);
            QVERIFY(modal);
            const QPoint want = names->geometry().center();
            QVERIFY2((boxCentre - want).manhattanLength() <= 2,
                     qPrintable(QStringLiteral("box centre %1,%2, screen centre %3,%4")
                                    .arg(boxCentre.x()).arg(boxCentre.y()).arg(want.x()).arg(want.y())));
            QVERIFY(!registry.isLoaded(screen::frmver));
            // Closing the box leaves the name screen active, without a second activation.
            QCOMPARE(registry.activeScreen(), screen::namesel);
            registry.show(screen::namesel);
            QCoreApplication::processEvents();
            QCOMPARE(activations, 1);
        }
    }

    void wideWindowCentresTheLayout_data() {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QRect>("full");  // a child over the whole design area
        QTest::addColumn<QRect>("inner"); // a child of that child, relative to it
        QTest::newRow("design size") << QSize(1024, 768) << QRect(0, 0, 1024, 768) << QRect(10, 20, 100, 40);
        QTest::newRow("1920x1080") << QSize(1920, 1080) << QRect(240, 0, 1440, 1080) << QRect(14, 28, 141, 56);
        QTest::newRow("tall 1024x1000") << QSize(1024, 1000) << QRect(0, 116, 1024, 768) << QRect(10, 20, 100, 40);
    }

    void wideWindowCentresTheLayout() {
        QFETCH(QSize, window);
        QFETCH(QRect, full);
        QFETCH(QRect, inner);
        Form form(QStringLiteral("F"));
        form.setBackBgr(0x00FF00);
        auto* panel = new QWidget(&form);
        form.place(panel, 0, 0, kDesignWidthTwips, kDesignHeightTwips);
        auto* label = form.makeLabel(QStringLiteral("L"), QStringLiteral("x"), panel);
        form.place(label, 150, 300, 1500, 600);
        form.resize(window);
        form.show();
        QTRY_COMPARE(form.size(), window);
        QCOMPARE(panel->geometry(), full);
        QCOMPARE(label->geometry(), inner);
        // The band beside the layout shows the form's own background.
        QVERIFY(form.autoFillBackground());
        QCOMPARE(form.palette().color(QPalette::Window), QColor(0, 0xFF, 0));
    }

    void fixedPitchFontFallsBackToTheSystemMonospace() {
        const QFont font = fixedPitchFont({QStringLiteral("No Such Family kz")});
        QCOMPARE(font.families().first(), QStringLiteral("No Such Family kz"));
        const QFontMetricsF fm(font);
        QVERIFY2(fm.horizontalAdvance(QStringLiteral("i")) == fm.horizontalAdvance(QStringLiteral("W")),
                 qPrintable(QFontInfo(font).family()));
    }

    // The set-up check reports the Japanese face the forms' font resolves to, and none when
    // that font falls back to a face without Japanese.
    void japaneseGothicOfTheFormsFont() {
        if (!QFontDatabase::families().contains(QStringLiteral("IPAGothic")))
            QSKIP("IPAGothic is not installed");
        QCOMPARE(japaneseGothicIn(fixedPitchFont(japaneseGothicFamilies())),
                 QStringLiteral("IPAGothic"));
        QCOMPARE(japaneseGothicIn(fixedPitchFont({QStringLiteral("No Such Family kz")})), QString());
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

    // Qt's standard texts in Japanese from the first folder that has them; without the file
    // the program starts with Qt's English texts.
    void qtTranslation_data() {
        QTest::addColumn<bool>("installed");
        QTest::newRow("Qt's folder") << true;
        QTest::newRow("missing") << false;
    }
    void qtTranslation() {
        QFETCH(bool, installed);
        QTemporaryDir empty;
        QStringList folders{empty.path()};
        if (installed) folders << QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        QCOMPARE(installQtTranslation(*QCoreApplication::instance(), folders), installed);
        const QString yes = QCoreApplication::translate("QPlatformTheme", "&Yes");
        const QString no = QCoreApplication::translate("QPlatformTheme", "&No");
        for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>())
            QCoreApplication::removeTranslator(t);
        QCOMPARE(yes, installed ? QStringLiteral("はい(&Y)") : QStringLiteral("&Yes"));
        QCOMPARE(no, installed ? QStringLiteral("いいえ(&N)") : QStringLiteral("&No"));
    }
};

QTEST_MAIN(ShellUiTests)
#include "shell_ui_tests.moc"
