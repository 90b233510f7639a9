#include "FrmData.h"

#include "records/program.h"
#include "shell/ui/screen_parts.h"
#include "shell/ui/screen_registry.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

namespace kz {

namespace {
QFrame* panel(QWidget* parent, const QString& name) {
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameShape(QFrame::Panel);
    f->setFrameShadow(QFrame::Raised);
    return f;
}
} // namespace

FrmData::FrmData(Program& p) : Form(screen::FrmData), m_p(p), m_browser(p) {
    setWindowTitle(p.h.programTitle);
    setBackBgr(0xE0F0E0);

    m_label3 = makeLabel(QStringLiteral("Label3"), QString());
    place(m_label3, 240, 240, 4000, 400);
    setPointSize(m_label3, 14, true);
    auto* label5 = makeLabel(QStringLiteral("Label5"),
                             QStringLiteral("ダブルクリックすると変更、消去できます"));
    place(label5, 4500, 240, 6000, 400);
    setPointSize(label5, 14);

    m_list1 = new QListWidget(this);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setUniformItemSizes(true);
    m_list1->setFont(nameListFont());
    setBack(m_list1, QColor(255, 255, 128));
    m_list1->setAutoFillBackground(true);
    m_list1->setStyleSheet(QStringLiteral("QListWidget { background: rgb(255, 255, 128); }"));
    place(m_list1, 240, 800, 10000, 10400);
    setPointSize(m_list1, 11);
    m_list1->hide();
    connect(m_list1, &QListWidget::itemClicked, this, [this] { List1_Click(); });
    connect(m_list1, &QListWidget::itemDoubleClicked, this, [this] { List1_DblClick(); });

    m_picture3 = panel(this, QStringLiteral("Picture3"));
    place(m_picture3, 10500, 800, 4600, 6200);
    m_label1 = makeLabel(QStringLiteral("Label1"), QString(), m_picture3);
    place(m_label1, 200, 150, 4200, 400);
    setPointSize(m_label1, 14, true);
    const std::array<QRect, 5> at = {QRect(3000, 2850, 800, 450), QRect(200, 650, 4200, 400),
                                     QRect(200, 1100, 4200, 400), QRect(),
                                     QRect(200, 2100, 4200, 400)};
    for (int i : {0, 1, 2, 4}) {
        m_label2[i] = makeLabel(arrayName(QStringLiteral("Label2"), i), QString(), m_picture3);
        place(m_label2[i], at[i].x(), at[i].y(), at[i].width(), at[i].height());
        setPointSize(m_label2[i], 13);
    }
    m_label2[0]->setText(QStringLiteral("秒"));
    m_combo1 = new QComboBox(m_picture3);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setEditable(true);
    m_combo1->setInsertPolicy(QComboBox::NoInsert);
    place(m_combo1, 200, 1600, 4200, 450);
    setPointSize(m_combo1, 12);
    connect(m_combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    m_text1 = new QLineEdit(m_picture3);
    m_text1->setObjectName(QStringLiteral("Text1(1)"));
    m_text1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    place(m_text1, 1200, 2850, 1700, 450);
    setPointSize(m_text1, 14, true);
    m_vscroll1 = new QScrollBar(Qt::Vertical, m_picture3);
    m_vscroll1->setObjectName(QStringLiteral("VScroll1"));
    // The top is the longest time: the arrow up makes the time longer.
    m_vscroll1->setRange(RecordBrowser::ScrollMin, RecordBrowser::ScrollMax);
    m_vscroll1->setInvertedAppearance(true);
    m_vscroll1->setInvertedControls(true);
    place(m_vscroll1, 800, 2650, 300, 900);
    connect(m_vscroll1, &QScrollBar::valueChanged, this, [this] { VScroll1_Change(); });
    m_command2 = makeButton(QStringLiteral("Command2"), QStringLiteral("変更して記録"), m_picture3);
    place(m_command2, 200, 3900, 4200, 550);
    m_command3 = makeButton(QStringLiteral("Command3"), QStringLiteral("消去"), m_picture3);
    place(m_command3, 200, 4600, 4200, 550);
    auto* command6 =
        makeButton(QStringLiteral("Command6"), QStringLiteral("キャンセル"), m_picture3);
    place(command6, 200, 5300, 4200, 550);
    for (QPushButton* b : {m_command2, m_command3, command6})
        setPointSize(b, 13, true);
    m_command2->setEnabled(false);
    m_command3->setEnabled(false);
    connect(m_command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(m_command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    m_picture3->hide();

    auto* picture10 = panel(this, QStringLiteral("Picture10"));
    place(picture10, 10500, 10000, 4600, 1200);
    auto* command4 = makeButton(QStringLiteral("Command4"), QStringLiteral("戻る"), picture10);
    place(command4, 200, 200, 4200, 800);
    setPointSize(command4, 16, true);
    connect(command4, &QPushButton::clicked, this, [this] { Command4_Click(); });

    m_picture1 = panel(this, QStringLiteral("Picture1"));
    setBack(m_picture1, QColor(0, 128, 0));
    m_picture1->setAutoFillBackground(true);
    m_picture1->hide();

    Form_Load();
}

void FrmData::Form_Load() {
    place(m_picture1, 0, 0, kDesignWidthTwips, kDesignHeightTwips);
    Command22_Click();
}

void FrmData::Command22_Click() {
    m_list1->show();
    Command1_Click();
}

void FrmData::Command1_Click() {
    m_browser.Command1_Click();
    showRows();
}

void FrmData::showRows() {
    {
        const QSignalBlocker block(m_combo1);
        const QString text = m_combo1->currentText();
        m_combo1->clear();
        m_combo1->addItems(m_browser.comboItems());
        m_combo1->setEditText(text);
    }
    m_label3->setText(m_browser.countLabel());
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(m_browser.rows().size()));
    for (const auto& row : m_browser.rows())
        texts << row.text;
    m_list1->setUpdatesEnabled(false);
    m_list1->clear();
    m_list1->addItems(texts);
    m_list1->setUpdatesEnabled(true);
}

void FrmData::hidePanel() {
    m_picture3->hide();
    m_command2->setEnabled(false);
    m_command3->setEnabled(false);
}

void FrmData::Combo1_Click() {
    m_label2[4]->setText(m_browser.gradeOfChoice(m_combo1->currentText()));
}

void FrmData::List1_Click() {
    m_picture3->hide();
}

void FrmData::List1_DblClick() {
    if (m_list1->currentRow() < 0) return; // only while a row is selected
    RecordBrowser::Panel shown;
    if (!m_browser.open(m_list1->currentRow(), &shown)) {
        // Not the record the row showed (or not readable): nothing is open, and the list
        // shows the file as it is now.
        hidePanel();
        showRows();
        return;
    }
    m_label1->setText(QString::number(shown.recordNumber));
    m_label2[1]->setText(shown.level);
    m_label2[2]->setText(shown.date);
    m_label2[4]->setText(shown.grade);
    {
        // The time as recorded stays in the box even where the scroll bar cannot reach it.
        const QSignalBlocker block(m_vscroll1);
        m_vscroll1->setValue(shown.scrollValue);
    }
    m_text1->setText(shown.time);
    m_combo1->setEditText(shown.student);
    m_command2->setEnabled(true);
    m_command3->setEnabled(true);
    m_picture3->show();
}

void FrmData::VScroll1_Change() {
    m_text1->setText(QString::number(m_vscroll1->value()));
}

void FrmData::Command2_Click() {
    if (!m_browser.change(m_combo1->currentText(), m_text1->text()) && m_browser.hasOpenRecord())
        return; // nothing written; the panel stays for a correction
    hidePanel();
    showRows();
    m_list1->setCurrentRow(m_browser.selectedRow());
}

void FrmData::Command3_Click() {
    if (!m_browser.erase() && m_browser.hasOpenRecord()) return; // cancelled
    hidePanel();
    showRows();
    m_list1->setCurrentRow(m_browser.selectedRow());
}

void FrmData::Command4_Click() {
    m_picture1->show();
    m_picture1->raise();
    m_p.s.screens.show(screen::seisekitime1);
    m_p.s.screens.unload(screen::FrmData);
}

void registerRecordBrowser(ScreenRegistry& registry, Program& program) {
    registry.add(screen::FrmData, [&program] { return new FrmData(program); });
}

} // namespace kz
