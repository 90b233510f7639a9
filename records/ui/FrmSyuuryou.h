#pragma once
#include "records/result_screen.h"
#include "shell/ui/form.h"

class QLabel;
class QPushButton;
class QWidget;

namespace kz {

// The result screen after every run: time, points, today's runs, the record message and the
// way on. The decisions are ResultScreen's; this form only shows them.
class FrmSyuuryou final : public Form {
    Q_OBJECT
public:
    FrmSyuuryou(Program& p, RunOutcome& outcome);

    void Form_Activate() override;
    void Command4_Click() { m_model.Command4_Click(); }
    void Command5_Click() { m_model.Command5_Click(); }
    ResultScreen& model() { return m_model; }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void applyState();

    ResultScreen m_model;
    QWidget* m_image1 = nullptr;
    QLabel* m_label15 = nullptr;
    QLabel* m_label16 = nullptr;
    QLabel* m_label17 = nullptr;
    QLabel* m_label18 = nullptr;
    QLabel* m_label19 = nullptr;
    QLabel* m_label13 = nullptr;
    QLabel* m_label14 = nullptr;
    QLabel* m_label20 = nullptr;
    QLabel* m_label2 = nullptr;
    QWidget* m_picture1 = nullptr;
    QLabel* m_label1 = nullptr;
    QPushButton* m_command4 = nullptr;
    QPushButton* m_command5 = nullptr;
};

} // namespace kz
