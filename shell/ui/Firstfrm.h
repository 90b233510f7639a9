#pragma once
#include "form.h"
#include "shell/hensuu1.h"
#include "shell/services.h"

#include <functional>
#include <memory>

class QLabel;

namespace kz {

// The splash: seeds the random source, picks the season colour, shows today's date in the
// Japanese era and, one 100 ms tick later, hands over to the configuration loading.
class Firstfrm final : public Form {
    Q_OBJECT
public:
    Firstfrm(Hensuu1& h, Services& s, Screens& screens, std::function<void()> loadConfigurationAndShowNames);

    void Firstfrm_Form_Load();
    void Firstfrm_Timer1_Timer();
    Timer& timer1() { return *m_timer1; }

private:
    Hensuu1& m_h;
    Services& m_s;
    Screens& m_screens;
    std::function<void()> m_loadAndShow;
    std::unique_ptr<Timer> m_timer1;
    QLabel* m_label5 = nullptr;
};

// The waiting form shown while a run's result is written and computed.
class BASEFRM final : public Form {
    Q_OBJECT
public:
    explicit BASEFRM(Services& s);
    void BASEFRM_Form_Load();

private:
    Services& m_s;
};

// The about box: title and version; modal.
class frmver final : public Form {
    Q_OBJECT
public:
    frmver(Hensuu1& h, Services& s, Screens& screens);
    void Form_Activate() override;
    void Command1_Click();

private:
    Hensuu1& m_h;
    Services& m_s;
    Screens& m_screens;
};

// "Version" + major.minor.revision of the program's version.
QString versionText();

} // namespace kz
