#pragma once
#include "shell/ui/form.h"
#include "views/record_browser.h"

#include <array>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;

namespace kz {

class ScreenRegistry;
struct Program;

// The record browser: every record of the shared file, and the panel that changes the
// student or time of one record or erases it. The work is RecordBrowser's.
class FrmData final : public Form {
    Q_OBJECT
public:
    explicit FrmData(Program& p);

    void Command22_Click();
    void Command1_Click();
    void Combo1_Click();
    void List1_Click();
    void List1_DblClick();
    void VScroll1_Change();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

    const RecordBrowser& browser() const { return m_browser; }

private:
    void Form_Load();
    void showRows();
    void hidePanel();

    Program& m_p;
    RecordBrowser m_browser;
    QListWidget* m_list1 = nullptr;
    QLabel* m_label3 = nullptr;
    QFrame* m_picture3 = nullptr;
    QFrame* m_picture1 = nullptr;
    QLabel* m_label1 = nullptr;
    std::array<QLabel*, 5> m_label2{};
    QComboBox* m_combo1 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QScrollBar* m_vscroll1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_command3 = nullptr;
};

// Adds the record browser to the registry.
void registerRecordBrowser(ScreenRegistry& registry, Program& program);

} // namespace kz
