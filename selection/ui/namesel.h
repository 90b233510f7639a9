#pragma once
#include "selection/name_list.h"
#include "shell/ui/form.h"

#include <array>

class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace kz {

struct Program;
struct Selection;

// The name screen: the pupil picks a name from the roster and goes on to the level menu.
class namesel final : public Form {
    Q_OBJECT
public:
    namesel(Program& p, Selection& selection);

    void Form_Activate() override;
    void 名簿表示();

    void List1_Click();
    void List1_DblClick();
    void Combo1_Click();
    void Option1_Click(int k);
    void Command14_Click();
    void Command7_Click();
    void Label4_Click();

    const NameScreen& model() const { return m_model; }

private:
    void Form_Load();
    bool Form_KeyPress(QObject* target, QChar key);
    void fillGradeFilter();

    Program& m_p;
    NameScreen m_model;
    QLabel* m_label4 = nullptr;
    QLabel* m_label1 = nullptr;
    QLabel* m_label2 = nullptr;
    QListWidget* m_list1 = nullptr;
    QComboBox* m_combo1 = nullptr;
    std::array<QRadioButton*, 4> m_option1{};
    QPushButton* m_command14 = nullptr;
    QPushButton* m_command7 = nullptr;
    QFrame* m_picture5 = nullptr;
};

} // namespace kz
