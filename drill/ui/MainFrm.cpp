#include "MainFrm.h"

#include "shell/ui/key_preview.h"

#include "records/program.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QThread>
#include <QWindow>

namespace kz {

namespace {
const QColor navy(0x1E, 0x3A, 0x6E);
const QColor paleText(0xC9, 0xD8, 0xF2);
const QColor gold(0xFF, 0xE2, 0x7A);
const QColor screenBack(0xF3, 0xF7, 0xFC);
const QColor numberInk(0x13, 0x30, 0x5F);

// Character code of a key as a pupil means it; full-width forms (an input method left on)
// count as their ASCII twins. 0 for keys that are no character.
int keyAsciiOf(const QKeyEvent* k) {
    if (k->key() == Qt::Key_Backspace) return 8;
    if (k->key() == Qt::Key_Space) return 32;
    const QString text = k->text();
    if (text.isEmpty()) return 0;
    int c = text.at(0).unicode();
    if (c >= 0xFF01 && c <= 0xFF5E)
        c -= 0xFEE0;
    else if (c == 0x3000)
        c = 32;
    return (c >= 1 && c <= 126) ? c : 0;
}
} // namespace

// The model's view of this screen: controls by name.
class MainFrm::Surface final : public DrillView {
public:
    explicit Surface(MainFrm& f) : m_f(f) {}

    void setCaption(const QString& control, const QString& text) override {
        QWidget* w = m_f.control(control);
        if (auto* l = qobject_cast<QLabel*>(w)) {
            l->setText(text);
            // The flash is timed from the moment a number is on the screen: paint it now, not
            // when the event loop next comes round.
            if (control == drillctl::qLabel1 && l->isVisible()) l->repaint();
        }
        else if (auto* b = qobject_cast<QPushButton*>(w))
            b->setText(text);
        emit m_f.captionApplied(control, text);
    }
    void setVisible(const QString& control, bool on) override {
        if (QWidget* w = m_f.control(control)) w->setVisible(on);
        // The missed problem's numbers are shown beside its correct total, never earlier.
        if (control == drillctl::Picture2)
            if (QWidget* list = m_f.control(drillctl::List1)) list->setVisible(on);
    }
    void setWidthTw(const QString& control, int twips) override {
        if (QWidget* w = m_f.control(control)) m_f.Form::setWidthTw(w, twips);
    }
    int widthTw(const QString& control) const override {
        QWidget* w = m_f.control(control);
        return w ? m_f.widthOf(w) : 0;
    }
    void moveTo(const QString& control, int leftTw, int topTw) override {
        if (QWidget* w = m_f.control(control)) {
            m_f.setLeft(w, leftTw);
            m_f.setTop(w, topTw);
        }
    }
    void setFontSize(const QString& control, double points) override {
        if (QWidget* w = m_f.control(control)) m_f.setPointSize(w, points, w->font().bold());
    }
    void clearList(const QString& control) override {
        if (auto* l = qobject_cast<QListWidget*>(m_f.control(control))) l->clear();
    }
    void addListItem(const QString& control, const QString& line) override {
        if (auto* l = qobject_cast<QListWidget*>(m_f.control(control))) l->addItem(line);
    }

private:
    MainFrm& m_f;
};

MainFrm::MainFrm(Program& program) : Form(screen::MainFrm), m_p(program) {
    setWindowTitle(program.h.programTitle);
    setBack(this, screenBack);
    buildStatusStrip();
    buildDrillArea();
    buildEndPanel();
    for (QWidget* w : findChildren<QWidget*>())
        if (!w->objectName().isEmpty()) m_controls.insert(w->objectName(), w);
    // Nothing here takes keys itself: the screen handles every key.
    for (QWidget* w : findChildren<QWidget*>())
        w->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::StrongFocus);

    m_surface = std::make_unique<Surface>(*this);
    m_drill = std::make_unique<FlashDrill>(program, *m_surface);
    connect(static_cast<QPushButton*>(control(QStringLiteral("Command1"))), &QPushButton::clicked,
            this, [this] { m_drill->Command1_Click(); });
    connect(static_cast<QPushButton*>(control(QStringLiteral("Command2"))), &QPushButton::clicked,
            this, [this] { m_drill->Command2_Click(); });
    connect(static_cast<QPushButton*>(control(QStringLiteral("Commandkakunin"))),
            &QPushButton::clicked, this, [this] { m_drill->Commandkakunin_Click(); });
    // Key preview: the screen takes every key; no child acts on one.
    new KeyPreview(
        this,
        [this](QObject*, QKeyEvent* key) {
            handleKey(key);
            return true;
        },
        KeyPreview::Mode::TakesEveryKey);
    m_drill->Form_Load();
}

MainFrm::~MainFrm() {
    m_drill.reset();
}

void MainFrm::buildStatusStrip() {
    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("statusStrip"));
    setBack(strip, navy);
    place(strip, 0, 0, kDesignWidthTwips, 1680);

    auto label = [&](const QString& name, const QString& caption, int left, int top, int width,
                     int height, double points, bool bold, const QColor& ink,
                     Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
        QLabel* l = makeLabel(name, caption);
        place(l, left, top, width, height);
        setPointSize(l, points, bold);
        setFore(l, ink);
        l->setAlignment(align);
        return l;
    };
    const auto right = Qt::AlignRight | Qt::AlignVCenter;
    const int row1 = 90, h1 = 560, row2 = 690, h2 = 420;
    label(drillctl::sLabel2, QString(), 150, row1, 2800, h1, 16.8, true, gold);
    label(drillctl::sLabel7, QString(), 3050, row1, 3200, h1, 18, true, Qt::white);
    label(QStringLiteral("sLabel3"), QStringLiteral("レベル"), 6350, row1, 1000, h1, 12, false,
          paleText);
    label(drillctl::sLabel8, QString(), 7350, row1, 1600, h1, 16, true, Qt::white);
    label(QStringLiteral("sLabel4"), QStringLiteral("残り"), 9050, row1, 750, h1, 12, false,
          paleText);
    label(drillctl::sLabel9, QString(), 9800, row1, 650, h1, 20, true, gold, right);
    label(QStringLiteral("sLabel6"), QStringLiteral("問"), 10500, row1, 500, h1, 12, false,
          paleText);
    label(QStringLiteral("sLabel5"), QStringLiteral("タイム"), 11200, row1, 1100, h1, 12, false,
          paleText);
    label(drillctl::sLabel10, QString(), 12300, row1, 1300, h1, 20, true, gold, right);
    label(QStringLiteral("secondsUnit"), QStringLiteral("秒"), 13650, row1, 500, h1, 12, false,
          paleText);

    label(arrayName(QStringLiteral("sLabel16"), 0), QStringLiteral("起動後"), 150, row2, 900, h2,
          11, false, paleText);
    label(drillctl::sLabel13, QString(), 1050, row2, 600, h2, 12, true, Qt::white, right);
    label(arrayName(QStringLiteral("sLabel16"), 1), QStringLiteral("分"), 1700, row2, 400, h2, 11,
          false, paleText);
    label(arrayName(QStringLiteral("sLabel16"), 2), QStringLiteral("本日"), 2350, row2, 700, h2, 11,
          false, paleText);
    label(drillctl::sLabel12, QString(), 3050, row2, 600, h2, 12, true, Qt::white, right);
    label(arrayName(QStringLiteral("sLabel16"), 3), QStringLiteral("回目"), 3700, row2, 700, h2, 11,
          false, paleText);
    label(arrayName(QStringLiteral("sLabel16"), 4), QStringLiteral("このレベル"), 4650, row2, 1400,
          h2, 11, false, paleText);
    label(drillctl::sLabel11, QString(), 6050, row2, 600, h2, 12, true, Qt::white, right);
    label(arrayName(QStringLiteral("sLabel16"), 5), QStringLiteral("回目"), 6700, row2, 700, h2, 11,
          false, paleText);
    label(drillctl::sLabel14, QString(), 7600, row2, 7600, h2, 11, false, paleText, right);

    // The time bar: all bars share the track's left edge and top; the run's own bar is drawn
    // thinner on top, so the pass and minimum marks stay visible under it.
    auto bar = [&](const QString& name, const QColor& colour, int height, int width) {
        auto* w = new QWidget(this);
        w->setObjectName(name);
        setBack(w, colour);
        place(w, 150, 1200, width, height);
        return w;
    };
    bar(drillctl::sShape5, Qt::white, 360, 15060);
    bar(drillctl::sShape4, QColor(0xB8, 0xF0, 0xB0), 360, 0);
    bar(drillctl::sShape3, QColor(0x2F, 0xA8, 0x4F), 360, 0);
    bar(drillctl::sShape7, QColor(0xE5, 0x39, 0x35), 360, 0);
    bar(drillctl::sShape2, QColor(0x2F, 0x6F, 0xE0), 210, 0);
}

void MainFrm::buildDrillArea() {
    QLabel* q = makeLabel(drillctl::qLabel1, QString());
    place(q, 2700, 1900, 9200, 5800);
    setPointSize(q, 250, true);
    q->setAlignment(Qt::AlignCenter);
    q->setStyleSheet(QStringLiteral("QLabel { background: white; color: #13305F; border: 2px solid "
                                    "#C9D8F2; border-radius: 24px; }"));

    QLabel* hint = makeLabel(drillctl::Label1, QStringLiteral("もう１度見る＝”＊”　"));
    place(hint, 6300, 7750, 5600, 520);
    setPointSize(hint, 18, true);
    setFore(hint, QColor(0xC0, 0x5A, 0x00));
    hint->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    hint->hide();

    QLabel* input = makeLabel(drillctl::inputLabel, QString());
    place(input, 4300, 8350, 6400, 2100);
    setPointSize(input, 95, true);
    input->setAlignment(Qt::AlignCenter);
    input->setStyleSheet(QStringLiteral("QLabel { background: white; color: #1B5E20; border: 3px "
                                        "solid #2E7D32; border-radius: 18px; }"));

    auto* list = new QListWidget(this);
    list->setObjectName(drillctl::List1);
    place(list, 240, 1900, 2000, 2500);
    list->setFont(fixedPitchFont(japaneseGothicFamilies()));
    setPointSize(list, 16);
    list->hide();

    auto* panel = new QWidget(this);
    panel->setObjectName(drillctl::Picture2);
    panel->setAttribute(Qt::WA_StyledBackground);
    panel->setStyleSheet(QStringLiteral(
        "#Picture2 { background: #FFECEC; border: 3px solid #D32F2F; border-radius: 18px; }"));
    place(panel, 12150, 1900, 3000, 4300);
    QLabel* answerMark = makeLabel(drillctl::Label11, QStringLiteral("答"), panel);
    place(answerMark, 0, 150, 3000, 900);
    setPointSize(answerMark, 30, true);
    setFore(answerMark, QColor(0xD3, 0x2F, 0x2F));
    answerMark->setAlignment(Qt::AlignCenter);
    QLabel* answer = makeLabel(drillctl::seitouLabel, QString(), panel);
    place(answer, 0, 1100, 3000, 3000);
    setPointSize(answer, 110, true);
    setFore(answer, QColor(0xD3, 0x2F, 0x2F));
    answer->setAlignment(Qt::AlignCenter);
    panel->hide();
    answerMark->hide();
    answer->hide();

    QLabel* prompt = makeLabel(drillctl::Commandkakunin2, QStringLiteral("\"+\"を２回押しなさい"));
    place(prompt, 2700, 10550, 9200, 850);
    setPointSize(prompt, 26, true);
    setFore(prompt, QColor(0xD3, 0x2F, 0x2F));
    prompt->setAlignment(Qt::AlignCenter);
    prompt->hide();

    // Buttons whose click procedures are called as procedures; never shown.
    for (const auto& [name, caption] :
         {std::pair{QStringLiteral("Commandkakunin"), QStringLiteral("確認")},
          std::pair{QStringLiteral("CmdOK"), QStringLiteral("O.K.")},
          std::pair{QStringLiteral("Command1"), QStringLiteral("Command1")},
          std::pair{QStringLiteral("Command2"), QStringLiteral("Command2")}}) {
        QPushButton* b = makeButton(name, caption);
        place(b, 0, 0, 1200, 400);
        b->hide();
    }
}

void MainFrm::buildEndPanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName(drillctl::sPicture2);
    setBack(panel, navy);
    place(panel, 0, 0, kDesignWidthTwips, kDesignHeightTwips);
    QLabel* recording = makeLabel(drillctl::lblsss1, QStringLiteral("成績記録中"), panel);
    QLabel* timeUp = makeLabel(drillctl::lblsss2, QStringLiteral("時間切れ"), panel);
    for (QLabel* l : {recording, timeUp}) {
        place(l, 0, 4200, kDesignWidthTwips, 2400);
        setPointSize(l, 80, true);
        l->setAlignment(Qt::AlignCenter);
        l->hide();
    }
    setFore(recording, Qt::white);
    setFore(timeUp, gold);
    panel->hide();
}

void MainFrm::Form_Activate() {
    setFocus();
    // The first number is timed from its paint, so the screen must be on the display before it
    // is shown (the window system maps a new window a little after it is shown).
    QElapsedTimer waited;
    waited.start();
    while (windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(2);
    }
    m_drill->Form_Activate();
}

void MainFrm::handleKey(QKeyEvent* key) {
    if (!m_keyGate.accept(key->timestamp(), m_p.s.clock.tickMs(), m_drill->soundEndedTick()))
        return;
    if (key->key() == Qt::Key_Up) {
        const int shift = (key->modifiers() & Qt::ShiftModifier) ? 1 : 0;
        m_drill->Form_KeyDown(38, shift);
        return;
    }
    if (const int code = keyAsciiOf(key)) m_drill->Form_KeyPress(code);
}

} // namespace kz
