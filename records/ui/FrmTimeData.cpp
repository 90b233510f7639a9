#include "FrmTimeData.h"

#include "records/program.h"

#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableWidget>

namespace kz {

namespace {
constexpr int kGridLeft = 240, kGridTop = 1000, kGridWidth = 9000, kGridHeight = 7920;
constexpr int kGridRows = 33; // the grid is made this many cell heights tall
const QColor kFixed(0xe0, 0xe0, 0xe0);
const QColor kMarked(0xff, 0xb0, 0xb0); // a cell the file held in a form the reader refuses

QFont fixedFont() {
    return fixedPitchFont(japaneseGothicFamilies());
}
} // namespace

FrmTimeData::FrmTimeData(Program& p) : Form(screen::FrmTimeData), m_p(p) {
    setWindowTitle(p.h.programTitle);
    setBackBgr(0xF0E8E0);

    auto* label5 =
        makeLabel(QStringLiteral("Label5"), QStringLiteral("成績の基準となるデータを変更できます"));
    place(label5, kGridLeft, 200, 9000, 500);
    setPointSize(label5, 18, true);
    auto* label2 = makeLabel(QStringLiteral("Label2"),
                             QStringLiteral("成績の基準となるデータを変更できます。\n"
                                            "プログラムを選んでください。"));
    place(label2, kGridLeft, 200, 9000, 700);
    label2->hide(); // the caption of the opening panel, which this screen skips
    m_label4 = makeLabel(QStringLiteral("Label4"), QString());
    place(m_label4, kGridLeft, 700, 9000, 260);
    setFore(m_label4, Qt::red);

    m_msFlexGrid1 = new QTableWidget(this);
    m_msFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    m_msFlexGrid1->horizontalHeader()->hide();
    m_msFlexGrid1->verticalHeader()->hide();
    m_msFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_msFlexGrid1->setSelectionMode(QAbstractItemView::NoSelection);
    m_msFlexGrid1->setFocusPolicy(Qt::NoFocus);
    m_msFlexGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_msFlexGrid1->setTextElideMode(Qt::ElideNone); // narrow headings show what fits
    m_msFlexGrid1->setWordWrap(false);
    place(m_msFlexGrid1, kGridLeft, kGridTop, kGridWidth, kGridHeight);
    setPointSize(m_msFlexGrid1, 10);
    connect(m_msFlexGrid1, &QTableWidget::cellClicked, this,
            [this](int r, int c) { MSFlexGrid1_Click(r, c); });

    m_gridInputText = new QLineEdit(m_msFlexGrid1->viewport());
    m_gridInputText->setObjectName(QStringLiteral("Gridinputtext"));
    m_gridInputText->setFrame(false);
    m_gridInputText->installEventFilter(this);
    connect(m_gridInputText, &QLineEdit::textEdited, this, [this] { TextToGrid転送(); });

    auto* label6 = makeLabel(QStringLiteral("Label6"), QStringLiteral("列の説明"));
    place(label6, kGridLeft, 9050, 3000, 300);
    setPointSize(label6, 11, true);
    m_label3 = makeLabel(QStringLiteral("Label3"), QString());
    m_label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label3->setFrameShape(QFrame::Panel);
    m_label3->setFrameShadow(QFrame::Sunken);
    place(m_label3, kGridLeft, 9380, kGridWidth, 1000);
    setPointSize(m_label3, 11);
    auto* label1 = makeLabel(QStringLiteral("Label1"),
                             QStringLiteral("スペース：セルクリア　　Shift + ↓：セルコピー"));
    place(label1, kGridLeft, 10500, 7000, 300);
    setPointSize(label1, 11);

    auto* command3 = makeButton(QStringLiteral("Command3"), QStringLiteral("更新記録"));
    auto* command2 = makeButton(QStringLiteral("Command2"), QStringLiteral("元に戻す"));
    auto* command4 = makeButton(QStringLiteral("Command4"), QStringLiteral("戻る"));
    int left = 9500;
    for (QPushButton* b : {command3, command2, command4}) {
        place(b, left, 10450, 1800, 600);
        setPointSize(b, 12, true);
        b->setFocusPolicy(Qt::NoFocus); // the edit box keeps the keys
        left += 1910;
    }
    connect(command3, &QPushButton::clicked, this, [this] { SaveGrid(); });
    connect(command2, &QPushButton::clicked, this, [this] { LoadGrid(); });
    connect(command4, &QPushButton::clicked, this, [this] { Command4_Click(); });

    m_picture3 = new QFrame(this);
    m_picture3->setObjectName(QStringLiteral("Picture3"));
    m_picture3->setFrameShape(QFrame::Panel);
    m_picture3->setFrameShadow(QFrame::Raised);
    place(m_picture3, 9500, 200, 5620, 10100);
    auto* label7 =
        makeLabel(QStringLiteral("Label7"), QStringLiteral("現在までの成績度数分布"), m_picture3);
    place(label7, 120, 80, 5400, 360);
    setPointSize(label7, 12, true);
    const QStringList optionCaptions = {QStringLiteral("度数表示"), QStringLiteral("度数非表示")};
    for (int i = 0; i < 2; ++i) {
        m_option1[i] = new QRadioButton(optionCaptions[i], m_picture3);
        m_option1[i]->setObjectName(arrayName(QStringLiteral("Option1"), i));
        m_option1[i]->setFocusPolicy(Qt::NoFocus);
        place(m_option1[i], 120 + i * 2750, 480, 2600, 300);
        connect(m_option1[i], &QRadioButton::clicked, this, [this, i] { Option1_Click(i); });
    }
    m_option1[0]->setChecked(true);
    auto* label9 = makeLabel(QStringLiteral("Label9"), QStringLiteral("全成績"), m_picture3);
    place(label9, 120, 860, 2650, 300);
    auto* label10 = makeLabel(QStringLiteral("Label10"), QStringLiteral("最高タイム"), m_picture3);
    place(label10, 2850, 860, 2650, 300);
    m_list3 = new QListWidget(m_picture3);
    m_list3->setObjectName(QStringLiteral("List3"));
    m_list4 = new QListWidget(m_picture3);
    m_list4->setObjectName(QStringLiteral("List4"));
    for (QListWidget* l : {m_list3, m_list4}) {
        l->setFont(fixedFont());
        l->setFocusPolicy(Qt::NoFocus);
        // Every line sets the width the list scrolls to: with uniform sizes the short heading
        // line alone did, and a bar of best times longer than it was cut at the right edge.
        l->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        l->setTextElideMode(Qt::ElideNone);
    }
    place(m_list3, 120, 1180, 2650, 8800);
    place(m_list4, 2850, 1180, 2650, 8800);
    setPointSize(m_list3, 8.5);
    setPointSize(m_list4, 8.5);

    // Waiting panel over everything while saving or leaving.
    m_picture6 = new QFrame(this);
    m_picture6->setObjectName(QStringLiteral("Picture6"));
    m_picture6->setFrameShape(QFrame::Panel);
    setBack(m_picture6, colourFromBgr(0xF0E8E0));
    m_picture6->setAutoFillBackground(true);
    place(m_picture6, 0, 0, kDesignWidthTwips, kDesignHeightTwips);
    auto* waiting = makeLabel(QStringLiteral("Picture6Text"),
                              QStringLiteral("Just a moment,please."), m_picture6);
    waiting->setAlignment(Qt::AlignCenter);
    place(waiting, 0, 4800, kDesignWidthTwips, 1200);
    setPointSize(waiting, 36, true);
    m_picture6->hide();
}

void FrmTimeData::Form_Activate() {
    m_label4->clear();
    m_picture6->hide();
    LoadGrid();
    m_grid.clickCell(1, 1);
    setColumnWidths();
    PlaceEditBox();
    GridToText転送();
    ShowDistribution();
}

void FrmTimeData::setColumnWidths() {
    const int width = m_msFlexGrid1->viewport()->width();
    const int column = width / 13;
    for (int c = 0; c < CriteriaGrid::Columns; ++c)
        m_msFlexGrid1->setColumnWidth(c, c == 1 ? column * 8 / 10 : column);
    const int rowHeight = std::max(1, m_msFlexGrid1->height() / kGridRows);
    for (int r = 0; r < m_msFlexGrid1->rowCount(); ++r)
        m_msFlexGrid1->setRowHeight(r, rowHeight);
    fitHeadings();
}

// The headings are set smaller than the cells, and smaller still where the widest would not
// fit its column. Derived from the grid's font at its present scale every time the grid is
// laid out, so a key press (which lays it out again) cannot change them.
void FrmTimeData::fitHeadings() {
    if (m_msFlexGrid1->rowCount() == 0) return;
    QFont font = m_msFlexGrid1->font();
    const double largest = font.pointSizeF() * 0.8;
    font.setPointSizeF(largest);
    auto fits = [this](const QFont& f) {
        const QFontMetrics fm(f);
        for (int c = 0; c < CriteriaGrid::Columns; ++c) {
            const QTableWidgetItem* item = m_msFlexGrid1->item(0, c);
            if (item && fm.horizontalAdvance(item->text()) + 4 > m_msFlexGrid1->columnWidth(c))
                return false;
        }
        return true;
    };
    for (double size = largest; size > 4 && !fits(font); size -= 0.25)
        font.setPointSizeF(size - 0.25);
    for (int c = 0; c < CriteriaGrid::Columns; ++c)
        if (QTableWidgetItem* item = m_msFlexGrid1->item(0, c); item && item->font() != font)
            item->setFont(font);
}

void FrmTimeData::resizeEvent(QResizeEvent* e) {
    Form::resizeEvent(e);
    setColumnWidths();
    PlaceEditBox();
}

void FrmTimeData::showGrid() {
    const int rows = m_grid.lastRow() + 1;
    m_msFlexGrid1->setRowCount(rows);
    m_msFlexGrid1->setColumnCount(CriteriaGrid::Columns);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < CriteriaGrid::Columns; ++c) {
            QTableWidgetItem* item = m_msFlexGrid1->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                m_msFlexGrid1->setItem(r, c, item);
            }
            item->setText(m_grid.cell(r, c));
            const bool fixed = r == 0 || c == 0;
            item->setBackground(cellColour(r, c));
            item->setTextAlignment(fixed ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter);
        }
    setColumnWidths();
    m_label4->setText(m_grid.hasMarks()
                          ? QStringLiteral("赤いセルは基準ファイルで読めないか、足りないところです。"
                                           "直して「更新記録」を押してください。")
                          : QString());
}

QColor FrmTimeData::cellColour(int row, int column) const {
    if (row == 0 || column == 0) return kFixed;
    if (m_grid.isYellow(row, column)) return colourFromBgr(CriteriaGrid::Yellow);
    if (m_grid.isMarked(row, column)) return kMarked;
    return Qt::white;
}

void FrmTimeData::showEditText() {
    const QSignalBlocker block(m_gridInputText);
    if (m_gridInputText->text() != m_grid.editText()) m_gridInputText->setText(m_grid.editText());
    m_gridInputText->setCursorPosition(std::min<int>(10, m_gridInputText->text().size()));
}

void FrmTimeData::PlaceEditBox() {
    QTableWidgetItem* item = m_msFlexGrid1->item(m_grid.row(), m_grid.column());
    if (!item) return;
    m_msFlexGrid1->scrollToItem(item);
    m_gridInputText->setGeometry(m_msFlexGrid1->visualItemRect(item));
    colourEditBox();
    m_gridInputText->setFont(m_msFlexGrid1->font());
    m_gridInputText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_gridInputText->show();
    m_gridInputText->setFocus();
    m_gridInputText->setCursorPosition(std::min<int>(10, m_gridInputText->text().size()));
    m_label3->setText(CriteriaGrid::columnExplanation(m_grid.column()));
}

void FrmTimeData::TextToGrid転送() {
    m_grid.TextToGrid(m_gridInputText->text());
    showGrid();
    colourEditBox();
}

void FrmTimeData::colourEditBox() {
    // The box wears the cell's colour, so a changed cell shows yellow while it is edited.
    QPalette pal = m_gridInputText->palette();
    pal.setColor(QPalette::Base, cellColour(m_grid.row(), m_grid.column()));
    m_gridInputText->setPalette(pal);
}

void FrmTimeData::GridToText転送() {
    m_grid.GridToText();
    showEditText();
}

void FrmTimeData::LoadGrid() {
    const QString error = m_grid.LoadGrid(m_p.criteriaFilePath(), m_p.h.levelCount);
    if (!error.isEmpty()) m_p.s.dialogs.message(error);
    showGrid();
    showEditText();
    PlaceEditBox();
}

bool FrmTimeData::save() {
    m_picture6->show();
    m_picture6->raise();
    m_p.s.events.processEvents();
    const QString error = m_grid.SaveGrid(m_p.criteriaFilePath(), m_p.criteria,
                                          [this] { m_p.s.events.waitWithEvents(m_p.retryWaitMs); });
    m_p.s.events.processEvents();
    m_picture6->hide();
    showGrid();
    colourEditBox(); // a saved cell is no longer yellow under the box either
    if (!error.isEmpty()) {
        m_p.s.dialogs.message(error);
        return false;
    }
    return true;
}

void FrmTimeData::SaveGrid() {
    save();
}

void FrmTimeData::Command4_Click() {
    if (m_grid.dataChanged() &&
        m_p.s.dialogs.ask(QStringLiteral("データが変更されています。記録しますか？"),
                          QStringLiteral("注意"), Dialogs::Buttons::YesNo) &&
        !save())
        return; // not saved: the teacher's changes stay on the screen
    m_picture6->show();
    m_picture6->raise();
    m_p.s.screens.show(screen::seisekitime1);
    m_p.s.screens.unload(screen::FrmTimeData);
}

void FrmTimeData::Option1_Click(int) {
    m_picture3->show();
    ShowDistribution();
}

void FrmTimeData::MSFlexGrid1_Click(int row, int column) {
    m_grid.clickCell(row, column);
    showEditText();
    PlaceEditBox();
    ShowDistribution();
    GridToText転送();
}

void FrmTimeData::ShowDistribution() {
    const QString error = m_distribution.refresh(m_p.recordFilePath(), m_p.s, m_p.retryWaitMs);
    if (!error.isEmpty() && error != m_distributionError)
        m_p.s.dialogs.message(error); // once, not after every key
    m_distributionError = error;
    const int level = m_grid.row();
    auto fill = [](QListWidget* list, const QStringList& lines) {
        bool same = list->count() == lines.size();
        for (int i = 0; same && i < lines.size(); ++i)
            same = list->item(i)->text() == lines[i];
        if (same) return; // no flicker while the teacher types
        list->clear();
        list->addItems(lines);
    };
    fill(m_list3, m_distribution.allResultLines(level));
    fill(m_list4, m_distribution.bestTimeLines(level));
}

bool FrmTimeData::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_gridInputText || event->type() != QEvent::KeyPress)
        return Form::eventFilter(watched, event);
    auto* k = static_cast<QKeyEvent*>(event);
    using Key = CriteriaGrid::Key;
    Key key = Key::Other;
    switch (k->key()) {
    case Qt::Key_Space:
        key = Key::Space;
        break;
    case Qt::Key_Escape:
        key = Key::Escape;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        key = Key::Enter;
        break;
    case Qt::Key_Up:
        key = Key::Up;
        break;
    case Qt::Key_Down:
        key = k->modifiers() & Qt::ShiftModifier ? Key::ShiftDown : Key::Down;
        break;
    case Qt::Key_Left:
        key = Key::Left;
        break;
    case Qt::Key_Right:
        key = Key::Right;
        break;
    default:
        break;
    }
    const int row = m_grid.row(), column = m_grid.column();
    const bool consumed = m_grid.keyDown(key);
    showGrid();
    showEditText();
    colourEditBox();
    if (row != m_grid.row() || column != m_grid.column()) PlaceEditBox();
    ShowDistribution();
    if (key == Key::ShiftDown) {
        // The selection the fill extended, as the grid shows it.
        for (int r = m_grid.row(); r <= m_grid.selectionEnd(); ++r)
            if (QTableWidgetItem* item = m_msFlexGrid1->item(r, m_grid.column()))
                item->setBackground(item->background().color() == QColor(Qt::white)
                                        ? QColor(0xcc, 0xe0, 0xff)
                                        : item->background());
    }
    return consumed;
}

} // namespace kz
