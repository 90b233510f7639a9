#include "FrmSyuuryou.h"

#include <QGraphicsDropShadowEffect>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QtMath>

namespace kz {

namespace {

// The background: a calm evening-sky gradient with soft rings, drawn at any size.
class BackgroundPicture final : public QWidget {
public:
    explicit BackgroundPicture(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("Image1"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter g(this);
        g.setRenderHint(QPainter::Antialiasing);
        const QRectF r = rect();
        QLinearGradient sky(r.topLeft(), r.bottomLeft());
        sky.setColorAt(0.0, QColor(0x1d, 0x3f, 0x8f));
        sky.setColorAt(0.55, QColor(0x3b, 0x7d, 0xc4));
        sky.setColorAt(1.0, QColor(0x8f, 0xd3, 0xe8));
        g.fillRect(r, sky);
        // Rings of light spread from the lower corners.
        g.setPen(Qt::NoPen);
        const double unit = r.width() / 20.0;
        for (int i = 0; i < 9; ++i) {
            const double radius = unit * (2 + i * 1.7);
            g.setBrush(QColor(255, 255, 255, 10));
            g.drawEllipse(QPointF(r.left(), r.bottom()), radius, radius);
            g.drawEllipse(QPointF(r.right(), r.bottom()), radius * 0.8, radius * 0.8);
        }
        // A few small stars in the upper sky, placed by a fixed rule so the picture never moves.
        g.setBrush(QColor(255, 255, 255, 110));
        for (int i = 0; i < 28; ++i) {
            const double x = std::fmod(i * 0.618034, 1.0) * r.width();
            const double y = std::fmod(i * 0.414214, 1.0) * r.height() * 0.35;
            const double s = unit * (0.04 + 0.03 * (i % 3));
            g.drawEllipse(QPointF(x, y), s, s);
        }
    }
};

const QColor kText(0xff, 0xff, 0xff);
const QColor kResult(0xff, 0xf1, 0x76);
const QColor kMessage(0xff, 0x9e, 0x40);
const QColor kCleared(0xb9, 0xf6, 0xca);

} // namespace

FrmSyuuryou::FrmSyuuryou(Program& p, RunOutcome& outcome)
    : Form(screen::FrmSyuuryou), m_model(p, outcome) {
    setWindowTitle(p.h.programTitle);
    setBack(this, QColor(0x1d, 0x3f, 0x8f));

    m_image1 = new BackgroundPicture(this);
    place(m_image1, 0, 0, kDesignWidthTwips, kDesignHeightTwips);

    auto label = [this](const QString& name, int top, int height, double points, bool bold,
                        const QColor& colour, int left = 0, int width = kDesignWidthTwips) {
        QLabel* l = makeLabel(name, QString());
        place(l, left, top, width, height);
        setPointSize(l, points, bold);
        l->setAlignment(Qt::AlignCenter);
        setFore(l, colour);
        return l;
    };
    m_label15 = label(QStringLiteral("Label15"), 300, 800, 22, true, kText);
    m_label16 = label(QStringLiteral("Label16"), 1150, 800, 26, true, kText);
    m_label17 = label(QStringLiteral("Label17"), 1950, 800, 24, false, kText);
    m_label18 = label(QStringLiteral("Label18"), 3000, 1500, 54, true, kResult);
    m_label19 = label(QStringLiteral("Label19"), 4650, 900, 28, true, kText);
    m_label13 = label(QStringLiteral("Label13"), 5700, 700, 20, false, kText, 1680, 6600);
    m_label13->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_label14 = label(QStringLiteral("Label14"), 5700, 700, 20, false, kText, 8280, 5400);
    m_label14->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_label20 = label(QStringLiteral("Label20"), 6650, 1300, 44, true, kMessage);
    m_label2 = label(QStringLiteral("Label2"), 8050, 900, 30, true, kCleared);
    m_label2->setText(QStringLiteral("このレベルクリア"));
    // A soft shadow keeps the coloured lines readable over the light lower sky.
    for (QLabel* l : {m_label18, m_label19, m_label20, m_label2}) {
        auto* shadow = new QGraphicsDropShadowEffect(l);
        shadow->setBlurRadius(8);
        shadow->setOffset(2, 2);
        shadow->setColor(QColor(0, 0, 0, 150));
        l->setGraphicsEffect(shadow);
    }

    m_picture1 = new QWidget(this);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setStyleSheet(QStringLiteral(
        "#Picture1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fff59d, "
        "stop:1 #ffb74d); border: 4px solid #ffffff; border-radius: 24px; }"));
    place(m_picture1, 1680, 3300, 12000, 2700);
    m_label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("目標レベルクリア。おめでとう！"),
                         m_picture1);
    place(m_label1, 0, 0, 12000, 2700);
    setPointSize(m_label1, 36, true);
    m_label1->setAlignment(Qt::AlignCenter);
    setFore(m_label1, QColor(0xb7, 0x1c, 0x1c));

    const QString buttonStyle = QStringLiteral(
        "QPushButton { background: #ffffff; color: #1d3f8f; border: 3px solid #1d3f8f;"
        " border-radius: 14px; } QPushButton:focus { background: #fff59d; border-color: #e65100; }"
        " QPushButton:disabled { color: #9e9e9e; }");
    m_command4 = makeButton(QStringLiteral("Command4"), QStringLiteral("メニューへ"));
    m_command5 = makeButton(QStringLiteral("Command5"), QStringLiteral("もう一度"));
    place(m_command4, 2880, 9450, 4200, 1300);
    place(m_command5, 8280, 9450, 4200, 1300);
    for (QPushButton* b : {m_command4, m_command5}) {
        setPointSize(b, 26, true);
        b->setStyleSheet(buttonStyle);
    }
    connect(m_command4, &QPushButton::clicked, this, &FrmSyuuryou::Command4_Click);
    connect(m_command5, &QPushButton::clicked, this, &FrmSyuuryou::Command5_Click);

    m_model.changed = [this] { applyState(); };
    applyState();
}

void FrmSyuuryou::Form_Activate() {
    m_model.Form_Activate();
}

void FrmSyuuryou::applyState() {
    const ResultState& s = m_model.state();
    m_label15->setText(s.label15);
    m_label16->setText(s.label16);
    m_label17->setText(s.label17);
    m_label18->setText(s.label18);
    m_label19->setText(s.label19);
    m_label13->setText(s.label13);
    m_label14->setText(s.label14);
    m_label20->setText(s.label20);
    m_label20->setVisible(s.label20Visible);
    m_label2->setText(s.label2);
    m_label2->setVisible(s.label2Visible);
    m_picture1->setVisible(s.picture1Visible);
    m_picture1->raise();
    m_command4->setVisible(s.command4Visible);
    m_command4->setEnabled(s.command4Enabled);
    m_command5->setVisible(s.command5Visible);
    if (s.focusCommand4 && m_command4->isVisible() && m_command4->isEnabled() &&
        !m_command4->hasFocus() && !m_command5->hasFocus())
        m_command4->setFocus();
}

void FrmSyuuryou::keyPressEvent(QKeyEvent* e) {
    // The return key works the focused button as the space bar does.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (auto* b = qobject_cast<QPushButton*>(focusWidget());
            b && b->isVisible() && b->isEnabled()) {
            b->click();
            return;
        }
    }
    Form::keyPressEvent(e);
}

} // namespace kz
