#pragma once
#include "shell/ui/key_preview.h"

#include <functional>
#include <QFont>
#include <QObject>

class QFrame;
class QWidget;

namespace kz {

class Form;

// A panel over the whole form with a large centred text ("Just a moment, please."), shown in
// front while a screen loads or refreshes.
QFrame* makeWaitingPanel(Form& form, const QString& name, const QString& text);

// The name lists' font: fixed pitch, so the full-width padding lines the figures up.
QFont nameListFont();

} // namespace kz
