#pragma once
#include "shell/services.h"

namespace kz {

// Message boxes with one OK button, over the active window.
class QtDialogs final : public Dialogs {
public:
    void message(const QString& text, const QString& title) override;
    bool ask(const QString& text, const QString& title, Buttons buttons) override;
    QString defaultTitle;
};

// Ends the process: every screen unloaded, the event loop left, files closed by the runtime.
class QtProgramControl final : public ProgramControl {
public:
    explicit QtProgramControl(Screens& screens) : m_screens(screens) {}
    [[noreturn]] void endProgram(int status) override;

private:
    Screens& m_screens;
};

} // namespace kz
