#pragma once
#include "shell/services.h"

#include <QStringList>

#include <functional>

class QCoreApplication;

namespace kz {

// Message boxes with one OK button, over the active window.
class QtDialogs final : public Dialogs {
public:
    void message(const QString& text, const QString& title) override;
    bool ask(const QString& text, const QString& title, Buttons buttons) override;
    void notice(const QString& text, int ms) override;
    QString defaultTitle;
};

// Ends the process: every screen unloaded, then beforeEnd (what every way out of the program
// does last), then the streams flushed and the process left.
class QtProgramControl final : public ProgramControl {
public:
    explicit QtProgramControl(Screens& screens) : m_screens(screens) {}
    [[noreturn]] void endProgram(int status) override;
    std::function<void()> beforeEnd;

private:
    Screens& m_screens;
};

// Where Qt's own translations may be: a "translations" folder beside the program (a copied
// program folder), then Qt's installed folder.
QStringList qtTranslationFolders(const QString& programFolder);
// Loads Qt's Japanese texts of its standard buttons and dialogs ("はい", "いいえ", the print
// dialog) from the first folder that has them. False when none has: Qt's English texts stay and
// the program runs on.
bool installQtTranslation(QCoreApplication& app, const QStringList& folders);

} // namespace kz
