#pragma once
#include "shell/hensuu1.h"
#include "shell/ui/form.h"
#include "views/chart.h"
#include "views/record_snapshot.h"

#include <array>
#include <vector>

class QButtonGroup;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace kz {

class ComparisonPanel;
struct Program;
struct Selection;
struct ViewContext;

// The level menu: one column per level with the pupil's figures, the start buttons, the
// result lists and the way to the teacher tools.
class seisekitime1 final : public Form {
    Q_OBJECT
public:
    seisekitime1(Program& p, Selection& selection);

    void Form_Activate() override;

    void Command4_Click(int n);
    void Label3_Click(int n);
    void Command1_Click();
    void Command8_Click();
    void Command12_Click();
    void Command10_Click(int index);
    void Option1_Click(int k);
    void Option2_Click(int k);
    void Combo1_Click();
    void Combo2_Click();
    void HScroll1_Change();
    // UpdateLevelAvailability: the start buttons and "やりすぎ禁止" by the over-practice rule.
    void Command9_Click();

    // Result views, by name; they fill the per-level lists.
    void Command3_Click(int n);
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command16_Click();
    // The graph button: the comparison panel over the current pupil.
    void Command17_Click();

    // Public procedures other screens call by name.
    void 回数など表示();
    void 成績リスト色表示();
    void 成績リスト色表示単独(int level);
    void kkk() {}

    int menuKeysEnabled = 0;
    int activating = 0;
    int displayMode = 0;
    int pointsRankKind = 0;
    int resultViewKind = 0;
    int periodCode = 3;
    int periodDays = 0;
    // The comparison panel, shown by "グラフ".
    ComparisonPanel* panel() const { return m_panel; }

private:
    struct Column {
        QLabel* label1 = nullptr;
        QLabel* label3 = nullptr;
        QPushButton* command4 = nullptr;
        QLineEdit* text1 = nullptr;
        QLabel* label9 = nullptr;
        QLabel* label10 = nullptr;
        QLabel* label14 = nullptr;
        QLabel* label15 = nullptr;
        QLabel* label8 = nullptr;
        QListWidget* list5 = nullptr;
        QLabel* label7 = nullptr;
        QPushButton* command3 = nullptr;
        QPushButton* command2 = nullptr;
    };

    void Form_Load();
    bool Form_KeyPress(QChar key);
    void makeColumn(int n);
    void placeColumns();
    void setStartButtonsEnabled(bool on);
    void hideResultLists();
    void showResultLists();
    void showWaiting();
    void endView();
    bool isPractice(int n) const;
    int levels() const { return static_cast<int>(m_columns.size()) - 1; }
    // The result views' inputs and outputs.
    ViewContext viewContext() const;
    RecordSnapshot recordsForView();
    void fillResultList(int level, const QStringList& rows);
    ComparisonContext comparisonContext(const RecordSnapshot* records) const;

    Program& m_p;
    Selection& m_selection;
    int m_columnWidth = 0;
    std::vector<Column> m_columns; // 0 is the hidden template

    QLabel* m_label11 = nullptr;
    QLabel* m_label12 = nullptr;
    QLabel* m_label13 = nullptr;
    QLabel* m_label17 = nullptr;
    QLabel* m_label18 = nullptr;
    QLabel* m_label5 = nullptr;
    QComboBox* m_combo1 = nullptr;
    QComboBox* m_combo2 = nullptr;
    QFrame* m_picture1 = nullptr;
    std::array<QRadioButton*, 4> m_option1{}; // 1..3
    std::array<QRadioButton*, 3> m_option2{};
    // Display and view are chosen independently, although both sit on Picture1.
    QButtonGroup* m_option1Group = nullptr;
    QButtonGroup* m_option2Group = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command8 = nullptr;
    QPushButton* m_command17 = nullptr;
    QFrame* m_picture2 = nullptr;
    QFrame* m_picture6 = nullptr;
    QProgressBar* m_progressBar1 = nullptr;
    QProgressBar* m_progressBar2 = nullptr;
    QScrollBar* m_hscroll1 = nullptr;
    QFrame* m_picture7 = nullptr;
    QLineEdit* m_text3 = nullptr;
    std::array<QPushButton*, 2> m_command10{};
    ComparisonPanel* m_panel = nullptr;
    // The records the activation's statistics scan read; a view shown during the activation
    // takes them instead of reading the file again.
    RecordSnapshot m_refreshRecords;
    bool m_refreshRecordsValid = false;
};

} // namespace kz
