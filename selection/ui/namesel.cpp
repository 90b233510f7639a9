#include "namesel.h"

#include "records/program.h"
#include "selection_context.h"
#include "shell/startup.h"
#include "shell/ui/screen_parts.h"

#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>

#include <cmath>

namespace kz {

namesel::namesel(Program& p, Selection& selection)
    : Form(screen::namesel), m_p(p), m_model(p, selection.tables) {
    setWindowTitle(p.h.programTitle);

    m_label4 = makeLabel(QStringLiteral("Label4"), p.h.programTitle);
    m_label4->setAlignment(Qt::AlignCenter);
    m_label4->setCursor(Qt::PointingHandCursor);
    place(m_label4, 600, 240, 14160, 1300);

    m_list1 = new QListWidget(this);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setFont(nameListFont());
    place(m_list1, 600, 1800, 8700, 9200);
    setPointSize(m_list1, 15); // 20 pixels at the design size: whole pixels for both widths

    auto* filterCaption = makeLabel(QStringLiteral("Label3"), QStringLiteral("学年"));
    place(filterCaption, 9800, 1850, 1200, 450);
    setPointSize(filterCaption, 14);
    m_combo1 = new QComboBox(this);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setToolTip(QStringLiteral("表示する学年を選びなさい"));
    m_combo1->addItem(kAllGrades);
    place(m_combo1, 11000, 1800, 3000, 540);
    setPointSize(m_combo1, 14);

    auto* options = new QFrame(this);
    options->setObjectName(QStringLiteral("Frame1"));
    options->setFrameShape(QFrame::StyledPanel);
    place(options, 9800, 2600, 5000, 2400);
    for (int k = 0; k < 4; ++k) {
        m_option1[k] = new QRadioButton(kStatsModeCaptions[k], options);
        m_option1[k]->setObjectName(arrayName(QStringLiteral("Option1"), k));
        place(m_option1[k], 200, 150 + k * 540, 4600, 480);
        setPointSize(m_option1[k], 13);
        connect(m_option1[k], &QRadioButton::clicked, this, [this, k] { Option1_Click(k); });
    }

    m_label1 = makeLabel(QStringLiteral("Label1"), kChooseName);
    m_label1->setAlignment(Qt::AlignCenter);
    m_label1->setFrameShape(QFrame::Box);
    setBack(m_label1, Qt::white);
    place(m_label1, 9800, 5400, 5000, 1000);
    setPointSize(m_label1, 22, true);
    m_label2 = makeLabel(QStringLiteral("Label2"), QString());
    m_label2->hide();

    m_command14 = makeButton(QStringLiteral("Command14"), QStringLiteral("O.K.(1)"));
    place(m_command14, 9800, 6700, 5000, 1300);
    setPointSize(m_command14, 28, true);
    auto* hint =
        makeLabel(QStringLiteral("Label5"), QStringLiteral("名前を選んで O.K. を押しなさい"));
    hint->setAlignment(Qt::AlignCenter);
    place(hint, 9800, 8100, 5000, 450);
    setPointSize(hint, 12);

    m_command7 = makeButton(QStringLiteral("Command7"), QStringLiteral("ﾌﾟﾟﾛｸﾞﾗﾑメニューへ(0)"));
    place(m_command7, 9800, 9900, 5000, 1100);
    setPointSize(m_command7, 14);

    m_picture5 = makeWaitingPanel(*this, QStringLiteral("Picture5"),
                                  QStringLiteral("Just a moment, please."));

    connect(m_list1, &QListWidget::currentRowChanged, this, [this] { List1_Click(); });
    connect(m_list1, &QListWidget::itemDoubleClicked, this, [this] { List1_DblClick(); });
    connect(m_combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(m_command14, &QPushButton::clicked, this, [this] { Command14_Click(); });
    connect(m_command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
    onLabelClick(m_label4, [this] { Label4_Click(); });
    new KeyPreview(this, [this](QObject* target, QKeyEvent* e) {
        return !e->text().isEmpty() && Form_KeyPress(target, e->text().at(0));
    });

    Form_Load();
}

void namesel::Form_Load() {
    setBackBgr(m_p.h.seasonColour);
    setBack(m_picture5, colourFromBgr(m_p.h.seasonColour));
    m_picture5->raise();
    m_picture5->show();
    m_p.s.random.seed(static_cast<unsigned>(m_p.s.clock.secondsSinceMidnight()));
    名簿表示();
    m_label4->setText(m_p.h.programTitle);
    setPointSize(m_label4, 48, true);
    m_list1->setCurrentRow(0);
    m_p.s.events.processEvents();
    m_picture5->hide();
    // Bad roster lines are reported over the loaded screen, not in front of an empty one.
    QTimer::singleShot(0, this, [this] { m_model.reportRosterProblems(); });
}

void namesel::Form_Activate() {
    // The filter is reset before the list is rebuilt, so the list and the filter agree.
    m_p.h.gradeFilter = kAllGrades;
    m_model.statsMode = PointsTodayTotal;
    m_option1[PointsTodayTotal]->setChecked(true);
    Option1_Click(PointsTodayTotal);
    fillGradeFilter();
    m_p.s.screens.unload(screen::seisekitime1);
    m_model.resetNameLabel();
    m_label1->setText(kChooseName);
    m_picture5->hide();
    m_list1->setFocus();
}

void namesel::fillGradeFilter() {
    const QSignalBlocker block(m_combo1);
    m_combo1->clear();
    m_combo1->addItems(kGradeFilterEntries);
    m_combo1->setCurrentIndex(0);
}

void namesel::名簿表示() {
    m_model.rebuild();
    {
        const QSignalBlocker block(m_list1);
        m_list1->clear();
        m_list1->addItems(m_model.listItems());
        m_list1->setCurrentRow(0);
    }
    List1_Click();
}

void namesel::List1_Click() {
    m_model.choose(m_list1->currentRow());
    m_label1->setText(m_model.nameLabel());
    m_label2->setText(m_model.numberLabel());
}

void namesel::List1_DblClick() {
    List1_Click();
    if (m_model.chosenItem() >= 1) Command14_Click();
}

void namesel::Combo1_Click() {
    m_p.h.gradeFilter = m_combo1->currentText();
    名簿表示();
    m_list1->setFocus();
}

void namesel::Option1_Click(int k) {
    m_model.statsMode = k;
    名簿表示();
}

void namesel::Command14_Click() {
    if (!m_model.confirm()) return;
    m_command14->hide();
    m_picture5->raise();
    m_picture5->show();
    m_p.s.events.processEvents();
    PrepareLevelMenu(m_p.h, m_p.s.screens);
}

void namesel::Command7_Click() {
    ProgramMenuExit(m_p);
}

void namesel::Label4_Click() {
    m_p.s.screens.showModal(screen::frmver);
}

bool namesel::Form_KeyPress(QObject* target, QChar key) {
    if (key == u'1' && !m_command14->isHidden()) {
        Command14_Click();
        return true;
    }
    if (key == u'0' && !m_command7->isHidden()) {
        Command7_Click();
        return true;
    }
    // List1_KeyPress: Enter or a blank confirms.
    if (target == m_list1 && (key == QChar(13) || key == u' ')) {
        Command14_Click();
        return true;
    }
    return false;
}

} // namespace kz
