#include "Firstfrm.h"

#include "shell/startup.h"
#include "version.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace kz {

namespace {
// Decorative picture of the splash: a row of flashing digits.
class DigitsPicture final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const char16_t* digits[] = {u"3", u"+", u"7", u"+", u"1", u"+", u"9"};
        const int n = 7;
        const double w = width() / double(n);
        QFont f = font();
        f.setPixelSize(int(height() * 0.7));
        f.setBold(true);
        p.setFont(f);
        for (int i = 0; i < n; ++i) {
            const QRectF cell(i * w, 0, w, height());
            if (i % 2 == 0) {
                p.setBrush(QColor(255, 255, 255, 200));
                p.setPen(Qt::NoPen);
                p.drawRoundedRect(cell.adjusted(4, 4, -4, -4), 12, 12);
                p.setPen(QColor(20, 40, 120));
            } else {
                p.setPen(QColor(255, 255, 255));
            }
            p.drawText(cell, Qt::AlignCenter, QString::fromUtf16(digits[i]));
        }
    }
};
} // namespace

QString versionText() {
    return QStringLiteral("Version") + QString::number(version::major) + u'.' +
           QString::number(version::minor) + u'.' + QString::number(version::revision);
}

Firstfrm::Firstfrm(Hensuu1& h, Services& s, Screens& screens, std::function<void()> loadAndShow)
    : Form(screen::Firstfrm), m_h(h), m_s(s), m_screens(screens), m_loadAndShow(std::move(loadAndShow)),
      m_timer1(s.timers.createTimer(false)) {
    setWindowTitle(QStringLiteral("カズトビ１"));
    setFullScreen(false);
    setDesignSize(9000, 6000);
    setBack(this, QColor(0x1f, 0x4e, 0x79));

    auto* title = makeLabel(QStringLiteral("Label2"), QStringLiteral("カズトビ１"));
    place(title, 0, 400, 9000, 1100);
    setPointSize(title, 40, true);
    title->setAlignment(Qt::AlignCenter);
    setFore(title, Qt::white);

    auto* picture = new DigitsPicture(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    place(picture, 900, 1700, 7200, 1500);

    auto* label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("Just a moment, please."));
    place(label1, 0, 3500, 9000, 600);
    setPointSize(label1, 18);
    label1->setAlignment(Qt::AlignCenter);
    setFore(label1, Qt::white);

    m_label5 = makeLabel(QStringLiteral("Label5"), QString());
    place(m_label5, 0, 4300, 9000, 500);
    setPointSize(m_label5, 14);
    m_label5->setAlignment(Qt::AlignCenter);
    setFore(m_label5, QColor(0xff, 0xf0, 0xb0));

    auto* label3 = makeLabel(QStringLiteral("Label3"), QStringLiteral("フラッシュ暗算ドリル"));
    place(label3, 0, 5000, 9000, 400);
    setPointSize(label3, 11);
    label3->setAlignment(Qt::AlignCenter);
    setFore(label3, Qt::white);
    auto* label6 = makeLabel(QStringLiteral("Label6"), QStringLiteral("kazutobi"));
    place(label6, 0, 5400, 9000, 400);
    setPointSize(label6, 10);
    label6->setAlignment(Qt::AlignCenter);
    setFore(label6, QColor(0xc0, 0xd0, 0xe0));

    m_timer1->setInterval(100);
    m_timer1->setEnabled(false);
    m_timer1->onTimeout = [this] { Firstfrm_Timer1_Timer(); };
}

void Firstfrm::Firstfrm_Form_Load() {
    show();
    m_s.events.processEvents();
    m_s.random.seed(static_cast<unsigned>(m_s.clock.secondsSinceMidnight()));
    const QDate today = m_s.clock.today();
    m_h.seasonColour = seasonColourForMonth(today.month());
    m_label5->setText(japaneseEraDate(today));
    show();
    m_s.events.processEvents();
    m_timer1->setEnabled(true);
}

void Firstfrm::Firstfrm_Timer1_Timer() {
    m_timer1->setEnabled(false);
    m_loadAndShow();
    m_screens.unload(screen::Firstfrm);
}

BASEFRM::BASEFRM(Services& s) : Form(screen::BASEFRM), m_s(s) {
    setWindowTitle(QStringLiteral("カズトビ１"));
    setBack(this, QColor(0x00, 0x60, 0x60));
    auto* label = makeLabel(QStringLiteral("Label19"), QStringLiteral("Just a moment, please."));
    place(label, 0, 5000, kDesignWidthTwips, 1000);
    setPointSize(label, 26);
    label->setAlignment(Qt::AlignCenter);
    setFore(label, Qt::white);
    BASEFRM_Form_Load();
}

void BASEFRM::BASEFRM_Form_Load() { m_s.events.processEvents(); }

frmver::frmver(Hensuu1& h, Services& s, Screens& screens)
    : Form(screen::frmver), m_h(h), m_s(s), m_screens(screens) {
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setFullScreen(false);
    setDesignSize(6000, 3600);
    auto* shape = new QFrame(this);
    shape->setObjectName(QStringLiteral("Shape1"));
    shape->setFrameStyle(QFrame::Box | QFrame::Plain);
    place(shape, 120, 120, 5760, 2500);
    auto* l1 = makeLabel(QStringLiteral("Label1"), QString());
    place(l1, 300, 300, 5400, 700);
    setPointSize(l1, 24, true);
    auto* l2 = makeLabel(QStringLiteral("Label2"), QString());
    place(l2, 300, 1050, 5400, 400);
    setPointSize(l2, 11);
    auto* l4 = makeLabel(QStringLiteral("Label4"), QString());
    place(l4, 300, 1550, 5400, 400);
    setPointSize(l4, 10);
    auto* l5 = makeLabel(QStringLiteral("Label5"), QString());
    place(l5, 300, 2000, 5400, 400);
    setPointSize(l5, 9);
    auto* ok = makeButton(QStringLiteral("Command1"), QStringLiteral("O.K."));
    place(ok, 4500, 2850, 1300, 500);
    connect(ok, &QPushButton::clicked, this, [this] { Command1_Click(); });
    auto* hidden = makeButton(QStringLiteral("Command2"), QString());
    hidden->hide();
}

void frmver::Form_Activate() {
    m_s.events.processEvents();
    m_s.events.processEvents();
    findChild<QLabel*>(QStringLiteral("Label1"))->setText(m_h.programTitle);
    findChild<QLabel*>(QStringLiteral("Label2"))->setText(versionText());
    findChild<QLabel*>(QStringLiteral("Label4"))->setText(QStringLiteral("kazutobi の開発者"));
    findChild<QLabel*>(QStringLiteral("Label5"))->setText(QStringLiteral("(C) 2026 kazutobi developers"));
}

void frmver::Command1_Click() { m_screens.unload(screen::frmver); }

} // namespace kz
