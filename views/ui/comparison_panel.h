#pragma once
#include "shell/hensuu1.h"
#include "views/chart.h"
#include "views/record_snapshot.h"

#include <QFrame>
#include <QPointer>
#include <QStringList>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QImage;
class QListWidget;
class QPrinter;
class QPushButton;

namespace kz {

class Form;
struct Program;
struct RosterTables;

// The comparison panel (Picture11): a pupil's chart pages against the school on the drawing
// surface, the other pupils and the levels to choose, and the pages printed or, without a
// printer, saved as PDF files. The form that shows it lays it out in its own twips.
class ComparisonPanel final : public QFrame {
public:
    // What the panel reads from the form that shows it, each time: the form's choices change
    // while the panel is open.
    struct Host {
        // The chart's inputs the form holds (levels, their captions, grade group, ranking kind)
        // over the records given.
        std::function<ComparisonContext(const RecordSnapshot*)> context;
    };

    ComparisonPanel(Form& form, Program& p, RosterTables& roster, int levels, Host host);

    // The pupil at level 1, with the other pupils and the levels listed afresh: the state the
    // personal display opens the panel in.
    void choosePupil(int bangou);
    // "印刷" is the teacher's.
    void setPrintAllowed(bool on);

    void Command17_Click();
    void Command18_Click();
    void Command19_Click();
    void Command21_Click(int index);
    void Command22_Click();
    void Command23_Click(int index);
    void Command24_Click(int index);
    void Command25_Click();
    void List2_Click();
    void List3_Click();
    void ListOtherPupils();

    // The pupil and level of the chart.
    int chartBangou = 0;
    int chartLevel = 0;
    int comparisonKind = 0; // 1 time ranking, 2 points ranking into List4
    int printMode = 0;      // 1 while printing
    double blockTop = 0;    // top of the block being drawn, in the surface's pixels
    double chartFontSize = 6;
    // The chart pupil's figures by level.
    std::array<QString, kLevelSlots> levelTimeRank{};
    std::array<QString, kLevelSlots> levelPointsRank{};
    std::array<qint32, kLevelSlots> levelPoints{};
    std::array<qint64, kLevelSlots> schoolPointsSum{};
    std::array<int, kLevelSlots> schoolPointsCount{};
    // Where printed pages go as a PDF file when no printer takes them; the user's documents
    // folder when empty.
    QString pdfFolder;
    // Whether the system has a printer, and the printer a print document goes to (A4 portrait is
    // set on it). Tests give their own, so that no test prints for real.
    std::function<bool()> printerAvailable;
    std::function<std::unique_ptr<QPrinter>()> openPrinter;
    // The drawing surface, as last drawn.
    const QImage& chartImage() const;

protected:
    void hideEvent(QHideEvent* e) override;

private:
    std::vector<int> chosenLevels() const;
    ComparisonFigures figuresOf(int level) const;
    void showInFront();
    QString chartFamily() const;
    std::map<int, ComparisonFigures> figuresOfPages(const std::vector<int>& levelsChosen);
    bool refusesEmptyPrint(int index);
    bool printDocument(const ComparisonContext& ctx, const std::vector<int>& levelsChosen,
                       const std::map<int, ComparisonFigures>& figures);
    void reportSavedPdfs();

    Form& m_form;
    Program& m_p;
    RosterTables& m_roster;
    int m_levels = 0;
    Host m_host;

    QListWidget* m_list2 = nullptr;
    QListWidget* m_list3 = nullptr;
    QPushButton* m_command25 = nullptr;
    std::array<QPushButton*, 2> m_command24{};
    class ChartPanel* m_picture12 = nullptr;
    std::array<QListWidget*, 3> m_list4{}; // 1..2
    // The records the pages of the current pupil are drawn from: one read per pupil.
    RecordSnapshot m_chartRecords;
    std::vector<QPointer<QWidget>> m_cutAtTheEdge; // the form's controls hidden while it shows
    // Print documents that went to PDF files instead, named in one message per print order.
    QStringList m_savedPdfs;
    QStringList m_failedPdfs; // each with why it was not saved
    QString m_printProblem;
    bool m_drawingPages = false; // pages are being made: the panel's clicks wait
    // The grade group and ranking kind the pages being made were begun with: events run
    // between their rankings, and a change of the menu meanwhile must not mix two settings.
    std::optional<ComparisonContext> m_pagesContext;
    int m_printOrders = 0;
    RankingRows m_lastRanking; // the rows Command22 put into List4, with their pupils
};

} // namespace kz
