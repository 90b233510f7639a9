#pragma once
#include "records/criteria_editor.h"
#include "shell/ui/form.h"

#include <array>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QTableWidget;

namespace kz {

struct Program;

// The criteria editor: the grid with the edit box over the current cell, the column
// explanation and the distribution of recorded times. The grid's rules live in CriteriaGrid.
class FrmTimeData final : public Form {
    Q_OBJECT
public:
    explicit FrmTimeData(Program& p);

    void Form_Activate() override;

    void TextToGrid転送();
    void GridToText転送();
    void LoadGrid();       // "元に戻す"
    void SaveGrid();       // "更新記録"
    void Command4_Click(); // "戻る"
    void Option1_Click(int index);
    void MSFlexGrid1_Click(int row, int column);

    const CriteriaGrid& grid() const { return m_grid; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void PlaceEditBox();
    void colourEditBox();
    QColor cellColour(int row, int column) const;
    void ShowDistribution();
    void showGrid();
    void showEditText();
    void setColumnWidths();
    void fitHeadings();
    bool save();

    Program& m_p;
    CriteriaGrid m_grid;
    TimeDistribution m_distribution;
    QString m_distributionError;
    QTableWidget* m_msFlexGrid1 = nullptr;
    QLineEdit* m_gridInputText = nullptr;
    QLabel* m_label3 = nullptr;
    QLabel* m_label4 = nullptr;
    QFrame* m_picture3 = nullptr;
    QFrame* m_picture6 = nullptr;
    QListWidget* m_list3 = nullptr;
    QListWidget* m_list4 = nullptr;
    std::array<QRadioButton*, 2> m_option1{};
};

} // namespace kz
