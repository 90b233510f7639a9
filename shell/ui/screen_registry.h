#pragma once
#include "shell/services.h"

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace kz {

class Form;

// Every screen exists at most once and is shown, hidden and unloaded by name. Unloading
// deletes the screen (later, so that a screen may unload the one whose handler called it);
// the next show builds a fresh one with its load procedure. Activation runs after the event
// that showed the screen has finished.
class ScreenRegistry final : public Screens {
public:
    using Factory = std::function<Form*()>;

    void add(const QString& name, Factory factory);

    void show(const QString& name) override;
    void showModal(const QString& name) override;
    void hide(const QString& name) override;
    void unload(const QString& name) override;
    bool isLoaded(const QString& name) const override;
    void unloadAll() override;

    // The loaded screen of that name, or nullptr (for tests and the app).
    Form* form(const QString& name) const;
    // Loads without showing.
    Form* load(const QString& name);
    QString activeScreen() const { return m_active; }
    // Shown screens go full screen unless windowed (tests and the demo in a window).
    void setWindowed(bool on) { m_windowed = on; }

private:
    void activate(const QString& name);

    QHash<QString, Factory> m_factories;
    QHash<QString, QPointer<Form>> m_loaded;
    QStringList m_loadOrder;
    QString m_active;
    bool m_windowed = false;
};

} // namespace kz
