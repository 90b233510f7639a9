#include "comparison_panel.h"

#include "records/program.h"
#include "school/roster.h"
#include "shell/ui/form.h"
#include "shell/ui/screen_parts.h"
#include "views/pdf_file.h"
#include "views/print_files.h"

#include <QDateTime>
#include <QHideEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStandardPaths>

namespace kz {

// The panel's drawing surface: the page drawn last, kept as an image and shown scaled to the
// widget, so a repaint never redraws the blocks.
class ChartPanel final : public QWidget {
public:
    explicit ChartPanel(QWidget* parent) : QWidget(parent) {}
    QImage image;

    // A cleared page as large as the surface is now.
    void clear() {
        const QSize size =
            this->size().expandedTo(QSize(8355 / kTwipsPerPixel, 8715 / kTwipsPerPixel));
        if (image.size() != size) image = QImage(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        if (image.isNull())
            p.fillRect(rect(), Qt::white);
        else
            p.drawImage(rect(), image);
    }
};

ComparisonPanel::ComparisonPanel(Form& form, Program& p, RosterTables& roster, int levels,
                                 Host host)
    : QFrame(&form), m_form(form), m_p(p), m_roster(roster), m_levels(levels),
      m_host(std::move(host)) {
    setObjectName(QStringLiteral("Picture11"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    form.place(this, 120, 1740, 15045, 9045);
    m_picture12 = new ChartPanel(this);
    m_picture12->setObjectName(QStringLiteral("Picture12"));
    // A fixed-pitch face keeps the table's columns of full-width padding and digits aligned.
    m_picture12->setFont(nameListFont());
    form.place(m_picture12, 405, 315, 8355, 8715);
    printerAvailable = [] { return !QPrinterInfo::availablePrinters().isEmpty(); };
    openPrinter = [] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setResolution(600);
        return printer;
    };
    m_command25 =
        form.makeButton(QStringLiteral("Command25"), QStringLiteral("他の人のデータを見る"), this);
    form.place(m_command25, 8940, 180, 2985, 675);
    form.setPointSize(m_command25, 11);
    m_list2 = new QListWidget(this);
    m_list2->setObjectName(QStringLiteral("List2"));
    m_list2->setFont(nameListFont());
    m_list2->setSortingEnabled(true);
    m_list2->setSelectionMode(QAbstractItemView::MultiSelection);
    form.place(m_list2, 8970, 240, 2955, 8250);
    form.setPointSize(m_list2, 10);
    m_list2->hide();
    auto* label27 = form.makeLabel(QStringLiteral("Label27"), QStringLiteral("ﾚﾍﾞﾙ"), this);
    form.place(label27, 12660, 300, 1605, 375);
    form.setPointSize(label27, 11);
    m_list3 = new QListWidget(this);
    m_list3->setObjectName(QStringLiteral("List3"));
    m_list3->setSelectionMode(QAbstractItemView::MultiSelection);
    form.place(m_list3, 12690, 690, 1605, 1815);
    form.setPointSize(m_list3, 11);
    m_command24[0] =
        form.makeButton(arrayName(QStringLiteral("Command24"), 0), QStringLiteral("表示"), this);
    form.place(m_command24[0], 12735, 2520, 1605, 825);
    m_command24[1] =
        form.makeButton(arrayName(QStringLiteral("Command24"), 1), QStringLiteral("印刷"), this);
    form.place(m_command24[1], 12720, 3540, 1605, 825);
    auto* command18 = form.makeButton(QStringLiteral("Command18"), QStringLiteral("戻る"), this);
    form.place(command18, 12720, 8100, 1755, 585);
    for (QPushButton* b : {m_command24[0], m_command24[1], command18})
        form.setPointSize(b, 11);
    Form::setBack(this, colourFromBgr(p.h.seasonColour).lighter(115));
    hide();
    // The comparison rankings go to hidden lists.
    for (int k = 1; k <= 2; ++k) {
        m_list4[k] = new QListWidget(this);
        m_list4[k]->setObjectName(arrayName(QStringLiteral("List4"), k));
        m_list4[k]->hide();
    }

    connect(m_command25, &QPushButton::clicked, this, [this] { Command25_Click(); });
    connect(command18, &QPushButton::clicked, this, [this] { Command18_Click(); });
    connect(m_command24[0], &QPushButton::clicked, this, [this] { Command24_Click(0); });
    connect(m_command24[1], &QPushButton::clicked, this, [this] { Command24_Click(1); });
    connect(m_list2, &QListWidget::itemClicked, this, [this] { List2_Click(); });
    connect(m_list3, &QListWidget::itemClicked, this, [this] { List3_Click(); });
}

void ComparisonPanel::choosePupil(int bangou) {
    if (m_drawingPages) return; // the pages being made keep their pupil
    ListOtherPupils();
    m_list3->clear();
    for (int n = 1; n <= m_levels; ++n)
        m_list3->addItem(QString::number(n));
    chartLevel = 1;
    chartBangou = bangou;
}

void ComparisonPanel::setPrintAllowed(bool on) {
    m_command24[1]->setVisible(on);
}

void ComparisonPanel::Command25_Click() {
    m_command25->hide();
    m_list2->show();
}

void ComparisonPanel::Command18_Click() {
    hide();
}

void ComparisonPanel::List2_Click() {
    Command24_Click(0);
}

void ComparisonPanel::List3_Click() {
    if (!isHidden()) Command24_Click(0);
}

void ComparisonPanel::ListOtherPupils() {
    const Hensuu1& h = m_p.h;
    m_list2->clear();
    const RosterReading r = readOtherPupils(m_p.rosterFilePath(), m_roster, m_p.s.clock.today(),
                                            h.commonLine1.toNumber());
    if (!r.ok()) {
        m_p.s.dialogs.message(r.error, h.programTitle);
        return;
    }
    for (const RosterEntry& e : r.listed)
        m_list2->addItem(otherPupilLine(m_roster, e.number));
}

// The current pupil's first three levels, as the form's graph button asks.
void ComparisonPanel::Command17_Click() {
    if (m_drawingPages) return; // the pages being made keep their pupil
    chartBangou = m_p.h.Bangou;
    m_list2->hide();
    m_command25->show();
    m_list2->clearSelection();
    for (int i = 0; i < 3 && i < m_list3->count(); ++i)
        m_list3->item(i)->setSelected(true);
    chartFontSize = 6;
    Command21_Click(0);
}

// The comparison ranking of chartLevel into List4(comparisonKind); the menu's lists stay.
void ComparisonPanel::Command22_Click() {
    if (comparisonKind == 0) comparisonKind = 1;
    if (comparisonKind != 1 && comparisonKind != 2) return;
    ComparisonContext ctx = m_pagesContext ? *m_pagesContext : m_host.context(nullptr);
    if (ctx.pointsRankKind == 0) ctx.pointsRankKind = 1;
    const RankingRows rows = comparisonRanking(ctx, chartLevel, comparisonKind);
    QListWidget* list = m_list4[comparisonKind];
    list->clear();
    list->addItems(rows.rows);
    m_lastRanking = rows;
}

void ComparisonPanel::Command23_Click(int index) {
    if (chartLevel < 0 || chartLevel >= kLevelSlots) return;
    if (index == 1) {
        comparisonKind = 1;
        Command22_Click();
        m_p.s.events.processEvents();
        levelTimeRank[chartLevel] = timeRankOf(m_lastRanking, chartBangou);
    } else if (index == 0) {
        schoolPointsCount[chartLevel] = 0;
        schoolPointsSum[chartLevel] = 0;
        comparisonKind = 2;
        Command22_Click();
        m_p.s.events.processEvents();
        ComparisonFigures f;
        readPointsFigures(m_lastRanking, chartBangou, m_p.stats.pointsAll(chartLevel, chartBangou),
                          f);
        schoolPointsCount[chartLevel] = f.schoolPointsCount;
        schoolPointsSum[chartLevel] = f.schoolPointsSum;
        levelPointsRank[chartLevel] = f.pointsRank;
        levelPoints[chartLevel] = f.points;
    }
}

ComparisonFigures ComparisonPanel::figuresOf(int level) const {
    ComparisonFigures f;
    if (level < 0 || level >= kLevelSlots) return f;
    f.timeRank = levelTimeRank[level];
    f.pointsRank = levelPointsRank[level];
    f.points = levelPoints[level];
    f.schoolPointsSum = schoolPointsSum[level];
    f.schoolPointsCount = schoolPointsCount[level];
    return f;
}

// One block of chartBangou on chartLevel at blockTop on the panel's surface.
void ComparisonPanel::Command19_Click() {
    if (m_picture12->image.isNull()) m_picture12->clear();
    {
        QPainter painter(&m_picture12->image);
        ChartSurface surface = ChartSurface::panel(m_picture12->image.width(),
                                                   m_picture12->image.height(), chartFamily());
        surface.fontSize = chartFontSize;
        const ComparisonContext ctx = m_host.context(&m_chartRecords);
        drawChartBlock(painter, surface, blockTop, ctx, chartBangou, chartLevel,
                       figuresOf(chartLevel));
    }
    showInFront();
    m_picture12->update();
}

// In front of every control of the form that shows it: the menu's caption and targets it
// overlaps go behind it, and those that would still show a cut edge beside it are hidden
// while it shows.
void ComparisonPanel::showInFront() {
    raise();
    show();
    for (QWidget* w : parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w == this || !w->isVisible() || !geometry().intersects(w->geometry()) ||
            geometry().contains(w->geometry()))
            continue;
        m_cutAtTheEdge.emplace_back(w);
        w->hide();
    }
}

void ComparisonPanel::hideEvent(QHideEvent* e) {
    QFrame::hideEvent(e);
    if (e->spontaneous()) return; // the window minimised: the panel is still open
    for (const QPointer<QWidget>& w : m_cutAtTheEdge)
        if (w) w->show();
    m_cutAtTheEdge.clear();
}

std::vector<int> ComparisonPanel::chosenLevels() const {
    std::vector<int> chosen;
    for (int i = 0; i < m_list3->count(); ++i)
        if (m_list3->item(i)->isSelected()) chosen.push_back(i + 1);
    return chosen;
}

QString ComparisonPanel::chartFamily() const {
    return chartFontFamily(m_picture12->font());
}

// The rankings and figures of every level the pages show, before anything is drawn: the
// rankings let events run, and no event may run while a painter is open on a page.
std::map<int, ComparisonFigures>
ComparisonPanel::figuresOfPages(const std::vector<int>& levelsChosen) {
    std::map<int, ComparisonFigures> out;
    for (const PagePlace& place : pagePlaces(levelsChosen, m_levels, 1.0)) {
        chartLevel = place.level;
        Command23_Click(0);
        Command23_Click(1);
        out[place.level] = figuresOf(place.level);
    }
    return out;
}

bool ComparisonPanel::refusesEmptyPrint(int index) {
    if (index == 0 || !pagePlaces(chosenLevels(), m_levels, 1.0).empty()) return false;
    m_p.s.dialogs.message(QStringLiteral("レベルが選ばれていません。何も印刷しませんでした。"),
                          m_p.h.programTitle);
    return true;
}

// The pages of chartBangou for the levels chosen in List3: index 0 on the panel, any other
// index as one print document.
void ComparisonPanel::Command21_Click(int index) {
    // A click on the lists or "表示" while pages are being made would start a second drawing.
    if (m_drawingPages) return;
    if (refusesEmptyPrint(index)) return;
    m_drawingPages = true;
    printMode = index == 0 ? 0 : 1;
    m_form.setLeft(this, 120);
    m_form.setTop(this, 1740);
    // One read of the record file for all the pupil's blocks.
    const QString error =
        readRecordSnapshot(m_p.recordFilePath(), m_p.s, m_p.retryWaitMs, &m_chartRecords);
    if (!error.isEmpty()) m_p.s.dialogs.message(error, m_p.h.programTitle);
    const std::vector<int> levelsChosen = chosenLevels();
    if (printMode == 0) {
        m_picture12->clear();
        showInFront();
    }
    m_pagesContext = m_host.context(&m_chartRecords);
    const std::map<int, ComparisonFigures> figures = figuresOfPages(levelsChosen);
    m_p.s.events.processEvents();
    const ComparisonContext ctx = *m_pagesContext;
    m_pagesContext.reset();
    if (printMode == 1) {
        printDocument(ctx, levelsChosen, figures);
    } else {
        // The panel may have been resized while events ran: a page as large as it is now.
        m_picture12->clear();
        QPainter painter(&m_picture12->image);
        ChartSurface surface = ChartSurface::panel(m_picture12->image.width(),
                                                   m_picture12->image.height(), chartFamily());
        surface.fontSize = chartFontSize;
        PageHooks hooks;
        hooks.newPage = [this] {
            m_picture12->image.fill(Qt::white);
            return true;
        };
        hooks.figures = [&figures](int level) { return figures.at(level); };
        drawComparisonPages(painter, surface, ctx, chartBangou, levelsChosen, hooks);
        painter.end();
        m_picture12->update();
    }
    m_drawingPages = false;
}

// One print document on the printer; without a printer, or when it fails, the pages go to a PDF
// file in the documents folder, reported with the others of the print order.
bool ComparisonPanel::printDocument(const ComparisonContext& ctx,
                                    const std::vector<int>& levelsChosen,
                                    const std::map<int, ComparisonFigures>& figures) {
    const auto figuresAt = [&figures](int level) { return figures.at(level); };
    const QString family = chartFamily();
    QString problem;
    if (!printerAvailable()) {
        problem = QStringLiteral("プリンタがありません。");
    } else {
        const std::unique_ptr<QPrinter> printer = openPrinter();
        if (printer) printer->setDocName(m_p.h.programTitle);
        if (printer &&
            printComparisonDocument(*printer, ctx, chartBangou, levelsChosen, family, figuresAt) &&
            printer->printerState() != QPrinter::Error)
            return true;
        problem = QStringLiteral("プリンタでエラーが起きました。");
    }
    const QString folder = pdfFolder.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                               : pdfFolder;
    QDir().mkpath(folder);
    const QString name = withoutBlanks(chartBangou >= 0 && chartBangou < kStudentSlots
                                           ? m_roster.studentNames[chartBangou]
                                           : QString());
    const QString path = uniqueFilePath(
        folder, comparisonPdfBaseName(chartBangou, name, QDateTime::currentDateTime()),
        QStringLiteral(".pdf"), [](const QString& p) { return QFileInfo::exists(p); });
    const QString failure = writePdfFile(path, [&](QPdfWriter& pdf) {
        pdf.setResolution(600);
        pdf.setTitle(m_p.h.programTitle);
        // A page that is printed later keeps clear of the printer's edge, as a printed one does.
        pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
        return printComparisonDocument(pdf, ctx, chartBangou, levelsChosen, family, figuresAt);
    });
    const bool saved = failure.isEmpty();
    // The name is this print's own: a file that was not written whole goes.
    if (!saved) QFile::remove(path);
    m_printProblem = problem;
    if (saved)
        m_savedPdfs.append(QDir::toNativeSeparators(path));
    else
        m_failedPdfs.append(QDir::toNativeSeparators(path) + u'：' + failure);
    // Inside a print order of several pupils one message names every file at the end.
    if (m_printOrders == 0) reportSavedPdfs();
    return saved;
}

void ComparisonPanel::reportSavedPdfs() {
    if (!m_savedPdfs.isEmpty() || !m_failedPdfs.isEmpty())
        m_p.s.dialogs.message(pdfReport(m_printProblem, m_savedPdfs, m_failedPdfs),
                              m_p.h.programTitle);
    m_savedPdfs.clear();
    m_failedPdfs.clear();
}

// Index 0 shows, 1 prints, the pages of every pupil chosen in List2 in list order, or of
// chartBangou when none is chosen; each pupil is a print document of its own.
void ComparisonPanel::Command24_Click(int index) {
    if (m_drawingPages || refusesEmptyPrint(index)) return;
    ++m_printOrders;
    m_savedPdfs.clear();
    m_failedPdfs.clear();
    bool any = false;
    for (int i = 0; i < m_list2->count(); ++i) {
        if (!m_list2->item(i)->isSelected()) continue;
        any = true;
        chartBangou = pupilNumberOfLine(m_list2->item(i)->text());
        Command21_Click(index);
    }
    if (!any) Command21_Click(index);
    --m_printOrders;
    reportSavedPdfs();
}

const QImage& ComparisonPanel::chartImage() const {
    return m_picture12->image;
}

} // namespace kz
