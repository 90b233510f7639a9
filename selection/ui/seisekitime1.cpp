#include "seisekitime1.h"

#include "records/availability.h"
#include "records/program.h"
#include "selection/level_menu.h"
#include "selection/name_list.h"
#include "selection/teacher.h"
#include "selection_context.h"
#include "shell/startup.h"
#include "shell/ui/screen_parts.h"
#include "views/periods.h"
#include "views/ranking.h"
#include "views/result_views.h"
#include "views/ui/comparison_panel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFontMetricsF>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace kz {

namespace {

// Design geometry of the header and the rows below Label5, in twips.
constexpr int kLabel5Top = 1650, kLabel5Height = 360;
constexpr int kRowHeights[] = {420, 640, 300, 330, 330, 6500, 360}; // rows 1..7
constexpr double kText1Points = 14; // the text over a closed level's start button
constexpr int kScrollTop = 10980, kScrollHeight = 300;
const QColor kLabelGrey = colourFromBgr(0xE0E0E0);

const QStringList kPeriods = {
    QStringLiteral("　　　今週の全成績"), QStringLiteral("　　先週からの全成績"),
    QStringLiteral("　　１ヶ月間の全成績"), QStringLiteral("　　１年間の全成績"),
    QStringLiteral("　　今までの全成績\"")};
constexpr int kOneMonthPeriod = 2;

int rowTop(int row) {
    int top = kLabel5Top + static_cast<int>(std::lround(1.05 * kLabel5Height));
    for (int r = 1; r < row; ++r)
        top += kRowHeights[r - 1];
    return top;
}

// A list's background is its viewport's: the palette's base colour.
void setListBack(QListWidget* list, int bgr) {
    QPalette p = list->palette();
    p.setColor(QPalette::Base, colourFromBgr(bgr));
    list->setPalette(p);
}

} // namespace

namespace {

QFrame* raisedPanel(QWidget* parent, const QString& name) {
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameShape(QFrame::Panel);
    f->setFrameShadow(QFrame::Raised);
    return f;
}

} // namespace

seisekitime1::seisekitime1(Program& p, Selection& selection)
    : Form(screen::seisekitime1), m_p(p), m_selection(selection) {
    setWindowTitle(p.h.programTitle);
    const int W = kDesignWidthTwips;

    m_label11 = makeLabel(QStringLiteral("Label11"), QString());
    place(m_label11, 300, 120, 4200, 700);
    m_label12 = makeLabel(QStringLiteral("Label12"), QString());
    place(m_label12, 4600, 100, 4600, 560);
    setPointSize(m_label12, 18, true);
    m_label13 = makeLabel(QStringLiteral("Label13"), QString());
    place(m_label13, 4600, 680, 4600, 340);
    setPointSize(m_label13, 11);
    m_label17 = makeLabel(QStringLiteral("Label17"), QString());
    place(m_label17, 9300, 150, 2000, 360);
    setPointSize(m_label17, 12);
    m_label18 = makeLabel(QStringLiteral("Label18"), QString());
    place(m_label18, 9300, 560, 2400, 360);
    setPointSize(m_label18, 12);

    m_command8 = makeButton(QStringLiteral("Command8"), QStringLiteral("データ処理"));
    place(m_command8, 11500, 140, 1700, 700);
    setPointSize(m_command8, 12);
    m_command1 = makeButton(QStringLiteral("Command1"), QStringLiteral("戻る(0)"));
    place(m_command1, 13350, 140, 1700, 700);
    setPointSize(m_command1, 14, true);

    // The view options.
    m_picture1 = raisedPanel(this, QStringLiteral("Picture1"));
    place(m_picture1, 300, 1020, 9500, 520);
    const QStringList option2Captions = {QStringLiteral("ﾀｲﾑ表示"), QStringLiteral("ﾎﾟｲﾝﾄ表示"),
                                         QStringLiteral("個人ﾀｲﾑ")};
    m_option2Group = new QButtonGroup(this);
    for (int k = 0; k < 3; ++k) {
        m_option2[k] = new QRadioButton(option2Captions[k], m_picture1);
        m_option2Group->addButton(m_option2[k], k);
        m_option2[k]->setObjectName(arrayName(QStringLiteral("Option2"), k));
        place(m_option2[k], 120 + k * 1500, 80, 1450, 360);
        setPointSize(m_option2[k], 11);
        connect(m_option2[k], &QRadioButton::clicked, this, [this, k] { Option2_Click(k); });
    }
    auto* separator = new QFrame(m_picture1);
    separator->setFrameShape(QFrame::VLine);
    place(separator, 4650, 60, 60, 400);
    // The activation renames the first two for the points display; the third keeps its name
    // until a display is chosen.
    const QStringList option1Captions = {QString(), QStringLiteral("BEST表示"),
                                         QStringLiteral("本日のみ"), QStringLiteral("オール表示")};
    m_option1Group = new QButtonGroup(this);
    for (int k = 1; k <= 3; ++k) {
        m_option1[k] = new QRadioButton(option1Captions[k], m_picture1);
        m_option1Group->addButton(m_option1[k], k);
        m_option1[k]->setObjectName(arrayName(QStringLiteral("Option1"), k));
        place(m_option1[k], 4800 + (k - 1) * 1550, 80, 1500, 360);
        setPointSize(m_option1[k], 11);
        connect(m_option1[k], &QRadioButton::clicked, this, [this, k] { Option1_Click(k); });
    }
    m_combo1 = new QComboBox(this);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    place(m_combo1, 9950, 1060, 2000, 440);
    setPointSize(m_combo1, 11);
    m_combo2 = new QComboBox(this);
    m_combo2->setObjectName(QStringLiteral("Combo2"));
    place(m_combo2, 12050, 1060, 3000, 440);
    setPointSize(m_combo2, 11);
    m_command17 = makeButton(QStringLiteral("Command17"), QStringLiteral("グラフ"));
    place(m_command17, 12050, 1060, 1400, 440);
    setPointSize(m_command17, 11);
    m_command17->hide();

    m_label5 = makeLabel(QStringLiteral("Label5"), QString());
    place(m_label5, 307, kLabel5Top, 8000, kLabel5Height);
    setPointSize(m_label5, 12, true);
    m_progressBar1 = new QProgressBar(this);
    m_progressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar1->setTextVisible(false);
    place(m_progressBar1, 9950, kLabel5Top + 60, 5100, 240);
    m_progressBar1->hide();

    m_hscroll1 = new QScrollBar(Qt::Horizontal, this);
    m_hscroll1->setObjectName(QStringLiteral("HScroll1"));
    place(m_hscroll1, 307, kScrollTop, W - 614, kScrollHeight);
    m_hscroll1->hide();
    connect(m_hscroll1, &QScrollBar::valueChanged, this, [this] { HScroll1_Change(); });

    // Level columns: element 0 is the hidden template, the rest are made at load.
    // Levels index arrays of 36 slots; a larger count would reach past them.
    const int count = std::clamp(p.h.levelCount, 0, kLevelSlots - 1);
    m_columns.resize(static_cast<size_t>(count) + 1);
    for (int n = 0; n <= count; ++n)
        makeColumn(n);

    // The comparison panel: the drawing surface, the other pupils, the levels.
    ComparisonPanel::Host host;
    host.context = [this](const RecordSnapshot* records) { return comparisonContext(records); };
    m_panel = new ComparisonPanel(*this, p, m_selection.tables, count, std::move(host));

    // The teacher panel.
    m_picture7 = raisedPanel(this, QStringLiteral("Picture7"));
    place(m_picture7, (W - 6000) / 2, 3600, 6000, 3300);
    auto* label28 =
        makeLabel(QStringLiteral("Label28"), QStringLiteral("データ変更パスワード"), m_picture7);
    place(label28, 300, 250, 5400, 450);
    setPointSize(label28, 14, true);
    m_text3 = new QLineEdit(m_picture7);
    m_text3->setObjectName(QStringLiteral("Text3"));
    m_text3->setEchoMode(QLineEdit::Password);
    m_text3->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*"
    place(m_text3, 300, 800, 5400, 520);
    setPointSize(m_text3, 14);
    const QStringList toolCaptions = {QStringLiteral("データ変更"),
                                      QStringLiteral("合格タイムデータ変更")};
    for (int i = 0; i < 2; ++i) {
        m_command10[i] =
            makeButton(arrayName(QStringLiteral("Command10"), i), toolCaptions[i], m_picture7);
        place(m_command10[i], 300 + i * 2750, 1550, 2650, 650);
        setPointSize(m_command10[i], 11);
        connect(m_command10[i], &QPushButton::clicked, this, [this, i] { Command10_Click(i); });
    }
    auto* command12 = makeButton(QStringLiteral("Command12"), QStringLiteral("戻る"), m_picture7);
    place(command12, 300, 2450, 5400, 600);
    setPointSize(command12, 11);
    m_picture7->hide();

    // Waiting and progress panels.
    m_picture6 = raisedPanel(this, QStringLiteral("Picture6"));
    auto* progressText =
        makeLabel(QStringLiteral("Label6"), QStringLiteral("Just a momento, please."), m_picture6);
    progressText->setAlignment(Qt::AlignCenter);
    place(progressText, 0, 2500, W, 900);
    setPointSize(progressText, 28, true);
    m_progressBar2 = new QProgressBar(m_picture6);
    m_progressBar2->setObjectName(QStringLiteral("ProgressBar2"));
    place(m_progressBar2, 3000, 3600, W - 6000, 400);
    m_picture6->hide();
    m_picture2 = makeWaitingPanel(*this, QStringLiteral("Picture2"),
                                  QStringLiteral("Just a moment, please."));

    connect(m_command17, &QPushButton::clicked, this, [this] { Command17_Click(); });
    connect(m_command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(m_command8, &QPushButton::clicked, this, [this] { Command8_Click(); });
    connect(command12, &QPushButton::clicked, this, [this] { Command12_Click(); });
    connect(m_combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(m_combo2, &QComboBox::activated, this, [this] { Combo2_Click(); });
    new KeyPreview(this, [this](QObject*, QKeyEvent* e) {
        return !e->text().isEmpty() && Form_KeyPress(e->text().at(0));
    });

    Form_Load();
}

void seisekitime1::makeColumn(int n) {
    Column& c = m_columns[n];
    auto label = [&](const QString& name, int row, double points, bool bold = false) {
        QLabel* l = makeLabel(arrayName(name, n), QString());
        l->setAlignment(Qt::AlignCenter);
        place(l, 0, rowTop(row), 0, kRowHeights[row - 1]);
        setPointSize(l, points, bold);
        return l;
    };
    c.label1 = label(QStringLiteral("Label1"), 1, 14, true);
    c.label3 = label(QStringLiteral("Label3"), 1, 14, true);
    c.label3->setCursor(Qt::PointingHandCursor);
    c.command4 = makeButton(arrayName(QStringLiteral("Command4"), n), QString());
    place(c.command4, 0, rowTop(2), 0, kRowHeights[1]);
    setPointSize(c.command4, 14, true);
    c.command4->setToolTip(QStringLiteral("クリックしてスタートします。番号を押してもよろしい"));
    c.text1 = new QLineEdit(this);
    c.text1->setObjectName(arrayName(QStringLiteral("Text1"), n));
    c.text1->setReadOnly(true);
    c.text1->setAlignment(Qt::AlignCenter);
    c.text1->setFocusPolicy(Qt::NoFocus);
    setFore(c.text1, Qt::red);
    QPalette pal = c.text1->palette();
    pal.setColor(QPalette::Text, Qt::red);
    c.text1->setPalette(pal);
    place(c.text1, 0, rowTop(2), 0, kRowHeights[1]);
    setPointSize(c.text1, kText1Points, true);
    c.text1->hide();
    c.label9 = label(QStringLiteral("Label9"), 3, 9);
    c.label10 = label(QStringLiteral("Label10"), 3, 9);
    c.label14 = label(QStringLiteral("Label14"), 4, 11);
    c.label15 = label(QStringLiteral("Label15"), 4, 11);
    c.label8 = label(QStringLiteral("Label8"), 5, 10);
    c.list5 = new QListWidget(this);
    c.list5->setObjectName(arrayName(QStringLiteral("List5"), n));
    c.list5->setFont(nameListFont());
    place(c.list5, 0, rowTop(6), 0, kRowHeights[5]);
    setPointSize(c.list5, 10);
    setListBack(c.list5, kListColour);
    c.label7 = label(QStringLiteral("Label7"), 7, 10);
    c.command3 = makeButton(arrayName(QStringLiteral("Command3"), n), QString());
    c.command3->hide();
    c.command2 = makeButton(arrayName(QStringLiteral("Command2"), n), QString());
    c.command2->hide();
    if (n == 0) {
        for (QWidget* w : {static_cast<QWidget*>(c.label1), static_cast<QWidget*>(c.label3),
                           static_cast<QWidget*>(c.command4), static_cast<QWidget*>(c.label9),
                           static_cast<QWidget*>(c.label10), static_cast<QWidget*>(c.label14),
                           static_cast<QWidget*>(c.label15), static_cast<QWidget*>(c.label8),
                           static_cast<QWidget*>(c.list5), static_cast<QWidget*>(c.label7)})
            w->hide();
        return;
    }
    connect(c.command4, &QPushButton::clicked, this, [this, n] { Command4_Click(n); });
    connect(c.command3, &QPushButton::clicked, this, [this, n] { Command3_Click(n); });
    onLabelClick(c.label3, [this, n] { Label3_Click(n); });
}

void seisekitime1::Form_Load() {
    Hensuu1& h = m_p.h;
    periodCode = 3;
    setBackBgr(h.seasonColour);
    setBack(m_picture2, colourFromBgr(h.seasonColour));
    setBack(m_picture6, colourFromBgr(h.seasonColour));
    setBack(m_picture7, QColor(0xFF, 0xF0, 0xD0));

    const ColumnGeometry g = columnGeometry(levels());
    m_columnWidth = g.width;
    if (g.scrollBar) {
        const QSignalBlocker block(m_hscroll1);
        m_hscroll1->setRange(1, g.scrollMax);
        m_hscroll1->setPageStep(1);
        m_hscroll1->show();
    }
    const int firstLeft = static_cast<int>(std::lround(0.02 * designSizeTwips().width()));
    const int w = m_columnWidth;
    for (Column& c : m_columns) {
        place(c.label1, firstLeft, topOf(c.label1), static_cast<int>(std::lround(0.2 * w)),
              heightOf(c.label1));
        place(c.label3, firstLeft + widthOf(c.label1), topOf(c.label3), w - widthOf(c.label1),
              heightOf(c.label3));
        for (QWidget* full : {static_cast<QWidget*>(c.command4), static_cast<QWidget*>(c.text1),
                              static_cast<QWidget*>(c.label8), static_cast<QWidget*>(c.list5),
                              static_cast<QWidget*>(c.label7)})
            place(full, firstLeft, topOf(full), w, heightOf(full));
        for (QLabel* half : {c.label9, c.label14})
            place(half, firstLeft, topOf(half), w / 2, heightOf(half));
        for (QLabel* half : {c.label10, c.label15})
            place(half, firstLeft + w / 2, topOf(half), w / 2, heightOf(half));
    }

    {
        const QSignalBlocker block(m_combo1);
        m_combo1->setToolTip(QStringLiteral("表示する学年を選びます"));
        m_combo1->addItems(kGradeFilterEntries);
        const int at = m_combo1->findText(h.gradeFilter);
        if (at >= 0) {
            m_combo1->setCurrentIndex(at);
        } else {
            m_combo1->setEditable(true);
            m_combo1->setEditText(h.gradeFilter);
        }
    }
    {
        const QSignalBlocker block(m_combo2);
        m_combo2->addItems(kPeriods);
        m_combo2->setCurrentIndex(kOneMonthPeriod);
    }

    for (int n = 1; n <= levels(); ++n) {
        Column& c = m_columns[n];
        c.label1->setText(QString::number(n));
        c.label3->setText(h.levelNames[n]);
        c.label3->setToolTip(h.levelNames[n]);
        c.command4->setText(startCaption(n));
        c.label9->setText(QString::number(n));
        c.label14->clear();
        c.label15->clear();
        c.label7->setText(targetText(m_p.criteria, h, n));
    }

    place(m_picture2, 0, 0, designSizeTwips().width(), designSizeTwips().height());
    place(m_picture6, 0, kLabel5Top, designSizeTwips().width(), kScrollTop - kLabel5Top);
    m_picture2->raise();
    m_picture2->show();
}

bool seisekitime1::isPractice(int n) const {
    return isPracticeLevel(m_columns[n].label3->text());
}

void seisekitime1::Form_Activate() {
    Hensuu1& h = m_p.h;
    const bool teacher = isTeacherName(h.studentName);
    m_command8->setVisible(teacher);
    m_panel->setPrintAllowed(teacher);
    m_label17->setText(minutesSinceStartText(h.usageStartTick, m_p.s.clock.tickMs()));

    menuKeysEnabled = 0;
    showWaiting();
    m_p.s.events.processEvents();

    m_option1[1]->setText(QStringLiteral("累計順"));
    m_option1[2]->setText(QStringLiteral("本日順"));

    m_p.s.screens.unload(screen::namesel);
    m_p.computeStatistics();
    m_refreshRecords = RecordSnapshot(m_p.stats.lastReadBytes());
    m_refreshRecordsValid = true;
    h.todayRunTotal = todayRunTotal(m_p.stats, h.Bangou);
    m_label18->setText(todayRunTotalText(static_cast<qint16>(h.todayRunTotal)));
    m_progressBar1->setMaximum(std::max(1, levels()));

    displayMode = 2;
    resultViewKind = 1;
    activating = 1;
    m_option1[resultViewKind]->setChecked(true);
    Option1_Click(resultViewKind);
    Option2_Click(1);
    m_option2[1]->setChecked(true);
    m_command1->setEnabled(true);
    activating = 0;
    m_refreshRecordsValid = false;
    m_refreshRecords = RecordSnapshot(); // the statistics reuse their buffer next time

    for (int n = 1; n <= levels(); ++n) {
        if (isPractice(n)) {
            m_p.criteria.passTime[n] = 600;
            m_p.criteria.minimumTime[n] = 600;
        } else {
            m_columns[n].list5->show();
        }
    }
    m_picture6->hide();

    m_label12->setText(pupilText(h));
    m_label13->setText(schoolText(h));
    m_label11->setText(h.programTitle);
    setPointSize(m_label11, titlePoints(h.programTitle), true);

    h.firstColumn = validFirstColumn(h.firstColumn, m_hscroll1->maximum());
    {
        const QSignalBlocker block(m_hscroll1);
        m_hscroll1->setValue(h.firstColumn);
    }
    placeColumns();

    for (int n = 1; n <= levels(); ++n) {
        Column& c = m_columns[n];
        setBack(c.label7, kLabelGrey);
        setBack(c.label8, kLabelGrey);
        if (isPractice(n))
            for (QWidget* w : {static_cast<QWidget*>(c.list5), static_cast<QWidget*>(c.label7),
                               static_cast<QWidget*>(c.label8), static_cast<QWidget*>(c.label14),
                               static_cast<QWidget*>(c.label15), static_cast<QWidget*>(c.label9),
                               static_cast<QWidget*>(c.label10)})
                w->hide();
        c.label15->setText(totalText(m_p.stats, n, h.Bangou));
        c.label14->setText(todayText(m_p.stats, n, h.Bangou));
        // From this activation's statistics: a run just finished or a changed pass time shows.
        if (h.levelRecorded[n] == 1)
            c.label8->setText(recentText(m_p.criteria, m_p.stats, n, h.Bangou));
    }

    setStartButtonsEnabled(false);
    Command9_Click();
    m_picture2->hide();
    m_progressBar1->hide();
    menuKeysEnabled = 1;
    if (levels() >= 1) m_columns[1].command4->setFocus();
}

void seisekitime1::showWaiting() {
    place(m_picture2, 0, 0, designSizeTwips().width(), designSizeTwips().height());
    m_picture2->raise();
    m_picture2->show();
}

void seisekitime1::placeColumns() {
    const int firstLeft = static_cast<int>(std::lround(0.02 * designSizeTwips().width()));
    const int window = designSizeTwips().width();
    for (int n = 1; n < static_cast<int>(m_columns.size()); ++n) {
        Column& c = m_columns[n];
        const int x = columnLeft(n, m_p.h.firstColumn, firstLeft, m_columnWidth, window);
        for (QWidget* w : {static_cast<QWidget*>(c.list5), static_cast<QWidget*>(c.command4),
                           static_cast<QWidget*>(c.text1), static_cast<QWidget*>(c.label1),
                           static_cast<QWidget*>(c.label7), static_cast<QWidget*>(c.label8),
                           static_cast<QWidget*>(c.label9), static_cast<QWidget*>(c.label14)})
            setLeft(w, x);
        setLeft(c.label3, x + widthOf(m_columns[0].label1));
        setLeft(c.label10, x + widthOf(c.label9));
        setLeft(c.label15, x + widthOf(c.label14));
    }
}

void seisekitime1::HScroll1_Change() {
    m_p.h.firstColumn = firstColumnAfterScroll(m_hscroll1->value(), m_p.h.levelCount);
    placeColumns();
}

void seisekitime1::setStartButtonsEnabled(bool on) {
    for (int n = 1; n < static_cast<int>(m_columns.size()); ++n)
        m_columns[n].command4->setEnabled(on);
}

void seisekitime1::hideResultLists() {
    for (int n = 1; n < static_cast<int>(m_columns.size()); ++n)
        m_columns[n].list5->hide();
}

void seisekitime1::showResultLists() {
    for (int n = 1; n < static_cast<int>(m_columns.size()); ++n)
        if (!isPractice(n)) m_columns[n].list5->show();
}

void seisekitime1::Command9_Click() {
    const LevelAvailability a = levelAvailability(levels(), m_p.criteria, m_p.stats, m_p.h.Bangou);
    m_p.targetLevelCleared = a.targetLevelCleared;
    for (int n = 1; n < static_cast<int>(m_columns.size()); ++n) {
        Column& c = m_columns[n];
        c.command4->setEnabled(a.enabled[n]);
        if (!a.closedText[n].isEmpty()) {
            c.text1->setText(a.closedText[n]);
            // A reason longer than "やりすぎ禁止" is set smaller, so it fits its column.
            QFont f = c.text1->font();
            f.setPixelSize(qRound(kText1Points * 96 / 72.0)); // design pixels
            const double advance = QFontMetricsF(f).horizontalAdvance(c.text1->text());
            const double room = m_columnWidth / static_cast<double>(kTwipsPerPixel) - 8;
            setPointSize(c.text1, kText1Points * std::min(1.0, room / std::max(1.0, advance)), true);
            c.text1->raise();
            c.text1->show();
        } else {
            c.text1->hide();
        }
    }
    m_picture6->raise();
}

bool seisekitime1::Form_KeyPress(QChar key) {
    // While the teacher panel is open, number keys belong to the password box: a "0" in the
    // password must not leave the menu, nor a "1" go missing from the box.
    if (menuKeysEnabled == 0 || !m_picture7->isHidden()) return false;
    const MenuKey k = menuKeyAction(key, levels(), m_command1->isEnabled());
    switch (k.kind) {
    case MenuKey::Start:
        Command4_Click(k.level);
        return true;
    case MenuKey::Back:
        Command1_Click();
        return true;
    case MenuKey::None:
        break;
    }
    return false;
}

void seisekitime1::Command4_Click(int n) {
    if (n < 1 || n >= static_cast<int>(m_columns.size())) return;
    if (!m_picture7->isHidden() || !m_columns[n].command4->isEnabled()) return;
    showWaiting();
    m_p.h.LevelNo = n;
    m_p.s.events.processEvents();
    menuKeysEnabled = 0;
    StartRun(m_p.h, m_p.s);
}

void seisekitime1::Label3_Click(int n) {
    if (n < 1 || n >= static_cast<int>(m_columns.size())) return;
    if (!m_picture7->isHidden() || !m_columns[n].command4->isEnabled()) return;
    m_p.h.LevelNo = n;
    menuKeysEnabled = 0;
    StartRun(m_p.h, m_p.s);
    m_p.s.screens.unload(screen::seisekitime1);
}

void seisekitime1::Command1_Click() {
    showWaiting();
    m_p.s.events.processEvents();
    m_p.s.screens.show(screen::namesel);
}

void seisekitime1::Command8_Click() {
    m_text3->clear();
    m_picture7->raise();
    m_picture7->show();
    m_text3->setFocus();
}

void seisekitime1::Command12_Click() {
    m_picture7->hide();
}

void seisekitime1::Command10_Click(int index) {
    if (!openTeacherTool(m_p, index, m_text3->text())) m_text3->setFocus();
}

void seisekitime1::Option2_Click(int k) {
    m_command17->hide();
    m_panel->hide();
    m_command1->setEnabled(false);
    setStartButtonsEnabled(false);
    hideResultLists();
    m_picture6->raise();
    m_picture6->show();
    m_p.s.events.processEvents();
    if (activating == 1) return;
    switch (k) {
    case 0:
        m_option1[1]->setText(QStringLiteral("BEST表示"));
        m_option1[2]->setText(QStringLiteral("本日のみ"));
        m_option1[3]->setEnabled(true);
        displayMode = 1;
        for (int i = 1; i <= 3; ++i)
            if (m_option1[i]->isChecked()) {
                Option1_Click(i);
                break;
            }
        break;
    case 1:
        m_combo2->hide();
        m_option1[1]->setText(QStringLiteral("合計累計"));
        m_option1[2]->setText(QStringLiteral("合計本日"));
        m_option1[3]->setText(QStringLiteral("すべて"));
        m_option1[3]->setEnabled(true);
        displayMode = 2;
        if (m_option1[1]->isChecked()) {
            pointsRankKind = 1;
            Option1_Click(1);
        }
        if (m_option1[3]->isChecked()) Option1_Click(3);
        if (m_option1[2]->isChecked()) {
            pointsRankKind = 2;
            Option1_Click(2);
        }
        break;
    case 2:
        m_command17->show();
        m_combo2->hide();
        Command16_Click();
        break;
    default:
        break;
    }
    // Whatever the view did (or if no view option was selected), the menu must not stay
    // behind the progress panel with the back button and the start buttons dead.
    endView();
}

void seisekitime1::Option1_Click(int k) {
    const int levelsShown = levels();
    m_command1->setEnabled(false);
    setStartButtonsEnabled(false);
    hideResultLists();
    m_picture6->raise();
    m_picture6->show();
    m_combo2->hide();
    m_picture1->setEnabled(false);
    m_p.s.events.processEvents();
    if (displayMode == 0) displayMode = 1;
    if (displayMode == 1) {
        if (k == 1)
            Command6_Click();
        else if (k == 2)
            Command5_Click();
        else if (k == 3)
            Command7_Click();
    } else if (displayMode == 2) {
        if (pointsRankKind == 0) pointsRankKind = 1;
        if (k == 1) {
            pointsRankKind = 1;
            m_label5->setText(QStringLiteral("獲得ポイント（今まで順位）"));
            m_progressBar1->setValue(0);
            m_progressBar2->setMaximum(std::max(1, levelsShown));
            for (int n = 1; n <= levelsShown; ++n) {
                m_progressBar1->setValue(n);
                m_progressBar2->setValue(n);
                Command3_Click(n);
            }
        } else if (k == 2) {
            m_label5->setText(QStringLiteral("獲得ポイント（今日の順位）"));
            pointsRankKind = 2;
            m_progressBar2->setMaximum(std::max(1, levelsShown));
            for (int n = 1; n <= levelsShown; ++n) {
                m_progressBar2->setValue(n);
                Command3_Click(n);
            }
        } else if (k == 3) {
            Command7_Click();
        }
    }
    endView();
}

// The end of every view: the button panel and the back button usable, the start buttons the
// over-practice rule allows, the lists shown and the progress panel gone.
void seisekitime1::endView() {
    m_picture1->setEnabled(true);
    m_command1->setEnabled(true);
    Command9_Click();
    showResultLists();
    m_picture6->hide();
}

// The views read the filter from Combo1; the shared gradeFilter belongs to the name screen.
void seisekitime1::Combo1_Click() {
    // The display the pupil chose is rebuilt for the new group; the personal display too, which
    // would otherwise give way to the points ranking under its own selected button.
    if (m_option2[0]->isChecked())
        Option2_Click(0);
    else if (m_option2[2]->isChecked())
        Option2_Click(2);
    else
        Option2_Click(1);
    if (m_columns.size() > 1) m_columns[1].command4->setFocus();
}

void seisekitime1::Combo2_Click() {
    if (!m_option1[3]->isChecked()) return;
    periodCode = m_combo2->currentIndex() + 1;
    Option1_Click(3);
}

ViewContext seisekitime1::viewContext() const {
    ViewContext ctx;
    ctx.roster = &m_selection.tables;
    ctx.criteria = &m_p.criteria;
    ctx.Bangou = m_p.h.Bangou;
    ctx.levelCount = levels();
    ctx.gradeGroup = m_combo1->currentText();
    ctx.displayMode = displayMode;
    ctx.today = m_p.s.clock.today();
    ctx.secondsSinceMidnight = m_p.s.clock.secondsSinceMidnight();
    return ctx;
}

// One read of the record file per view; during the activation the statistics scan's read.
RecordSnapshot seisekitime1::recordsForView() {
    RecordSnapshot records;
    if (m_refreshRecordsValid) {
        records = m_refreshRecords;
    } else {
        const QString error =
            readRecordSnapshot(m_p.recordFilePath(), m_p.s, m_p.retryWaitMs, &records);
        if (!error.isEmpty()) m_p.s.dialogs.message(error, m_p.h.programTitle);
    }
    const int n = records.size();
    m_progressBar2->setMaximum(static_cast<int>((n + 1) * 1.1));
    m_progressBar2->setValue(n);
    return records;
}

void seisekitime1::fillResultList(int level, const QStringList& rows) {
    if (level < 1 || level > levels()) return;
    QListWidget* list = m_columns[level].list5;
    // Every row is one line in one font: measuring each of thousands of rows would cost more
    // than building them.
    list->setUniformItemSizes(true);
    list->setUpdatesEnabled(false);
    list->clear();
    list->addItems(rows);
    // A list keeps its scroll position through a rebuild: the new rows start at the top, or rows
    // above would be hidden with nothing to show it. A ranking then selects its own row.
    list->scrollToTop();
    list->setUpdatesEnabled(true);
}

// The result views. Each view fills its lists from the views model and hands the button panel
// back as every view does.
void seisekitime1::Command3_Click(int n) {
    if (n < 1 || n > levels()) return;
    Column& c = m_columns[n];
    c.label9->setText(QStringLiteral("今日"));
    c.label10->setText(QStringLiteral("今まで"));
    if (displayMode == 0) displayMode = 1;
    if (displayMode == 2 && pointsRankKind == 0) pointsRankKind = 1;
    RankingInput in;
    in.roster = &m_selection.tables;
    in.stats = &m_p.stats;
    in.level = n;
    in.timedLevel = m_p.h.levelRecorded[n] == 1;
    in.displayMode = displayMode;
    in.pointsRankKind = pointsRankKind;
    in.Bangou = m_p.h.Bangou;
    in.gradeGroup = m_combo1->currentText();
    const RankingRows ranking = rankLevel(in);
    c.list5->clear();
    m_p.s.events.processEvents();
    fillResultList(n, ranking.rows);
    if (ranking.selectRow >= 0) {
        c.list5->setCurrentRow(ranking.selectRow);
        c.list5->scrollToItem(c.list5->item(ranking.selectRow));
    }
    成績リスト色表示単独(n);
}

void seisekitime1::Command5_Click() {
    m_label5->setText(QStringLiteral("本日の成績"));
    resultViewKind = 2;
    回数など表示();
    const LevelRows rows = todayRows(recordsForView(), viewContext());
    for (int n = 1; n <= levels(); ++n)
        fillResultList(n, rows[n]);
    成績リスト色表示();
    m_picture1->setEnabled(true);
}

void seisekitime1::Command6_Click() {
    m_label5->setText(QStringLiteral("ベスト成績"));
    resultViewKind = 1;
    回数など表示();
    m_progressBar2->setValue(0);
    m_progressBar2->setMaximum(std::max(1, levels()));
    for (int n = 1; n <= levels(); ++n) {
        Column& c = m_columns[n];
        m_progressBar2->setValue(n);
        if (isPractice(n)) {
            for (QWidget* w : {static_cast<QWidget*>(c.list5), static_cast<QWidget*>(c.label7),
                               static_cast<QWidget*>(c.label8), static_cast<QWidget*>(c.label14),
                               static_cast<QWidget*>(c.label15), static_cast<QWidget*>(c.label9),
                               static_cast<QWidget*>(c.label10)})
                w->hide();
        } else {
            Command3_Click(n);
        }
        c.list5->setCurrentRow(-1);
    }
    m_picture1->setEnabled(true);
}

void seisekitime1::Command7_Click() {
    resultViewKind = 3;
    回数など表示();
    const RecordSnapshot records = recordsForView();
    periodDays = periodDaysFor(periodCode, m_p.s.clock.today(), periodDays);
    if (periodCode >= 1 && periodCode <= 5) m_label5->clear();
    const LevelRows rows = allResultsRows(records, viewContext(), periodDays);
    for (int n = 1; n <= levels(); ++n)
        fillResultList(n, rows[n]);
    m_p.s.events.processEvents();
    成績リスト色表示();
    m_picture1->setEnabled(true);
    m_combo2->show();
}

void seisekitime1::Command16_Click() {
    m_panel->choosePupil(m_p.h.Bangou);

    resultViewKind = 3;
    回数など表示();
    const RecordSnapshot records = recordsForView();
    periodDays = kTenYears;
    m_label5->setText(QStringLiteral("個人別ﾀｲﾑ"));
    const LevelRows rows = personalTimeRows(records, viewContext());
    for (int n = 1; n <= levels(); ++n)
        fillResultList(n, rows[n]);

    endView();
}

// The graph button: the current pupil's first three levels on the comparison panel.
void seisekitime1::Command17_Click() {
    m_panel->Command17_Click();
}

ComparisonContext seisekitime1::comparisonContext(const RecordSnapshot* records) const {
    ComparisonContext ctx;
    ctx.roster = &m_selection.tables;
    ctx.stats = &m_p.stats;
    ctx.records = records;
    ctx.Bangou = m_p.h.Bangou;
    ctx.levelCount = levels();
    ctx.gradeGroup = m_combo1->currentText();
    ctx.pointsRankKind = pointsRankKind;
    ctx.levelRecorded.assign(static_cast<size_t>(levels()) + 1, 1);
    ctx.levelCaptions.append(QString());
    for (int n = 1; n <= levels(); ++n) {
        ctx.levelRecorded[n] = m_p.h.levelRecorded[n];
        ctx.levelCaptions.append(m_columns[n].label3->text());
    }
    ctx.programTitle = m_p.h.programTitle;
    ctx.today = m_p.s.clock.today();
    ctx.secondsSinceMidnight = m_p.s.clock.secondsSinceMidnight();
    return ctx;
}

void seisekitime1::回数など表示() {
    for (int n = 1; n <= levels(); ++n) {
        Column& c = m_columns[n];
        c.label9->setText(QStringLiteral("今日"));
        c.label10->setText(QStringLiteral("今まで"));
        c.list5->clear();
    }
}

void seisekitime1::成績リスト色表示() {
    if (displayMode != 1 && displayMode != 2) return;
    for (int n = 1; n <= levels(); ++n) {
        QListWidget* list = m_columns[n].list5;
        if (displayMode == 1) {
            if (m_p.h.levelRecorded[n] != 1) continue;
            QStringList rows;
            rows.reserve(list->count());
            for (int i = 0; i < list->count(); ++i)
                rows.append(list->item(i)->text());
            if (const std::optional<int> colour =
                    listColour(rows, m_p.criteria.passTime[n], m_p.criteria.minimumTime[n]))
                setListBack(list, *colour);
        }
        if (list->count() > 0) list->setCurrentRow(-1);
    }
}

void seisekitime1::成績リスト色表示単独(int level) {
    if (level < 1 || level > levels()) return;
    QListWidget* list = m_columns[level].list5;
    const bool clears = (displayMode == 1 && m_p.h.levelRecorded[level] == 1) || displayMode == 2;
    if (clears && list->count() > 0) list->setCurrentRow(-1);
}

} // namespace kz
