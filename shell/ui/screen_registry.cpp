#include "screen_registry.h"

#include "form.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace kz {

void ScreenRegistry::add(const QString& name, Factory factory) { m_factories[name] = std::move(factory); }

Form* ScreenRegistry::form(const QString& name) const {
    const auto it = m_loaded.constFind(name);
    return it == m_loaded.constEnd() ? nullptr : it.value().data();
}

bool ScreenRegistry::isLoaded(const QString& name) const { return form(name) != nullptr; }

Form* ScreenRegistry::load(const QString& name) {
    if (Form* f = form(name))
        return f;
    const auto it = m_factories.constFind(name);
    if (it == m_factories.constEnd())
        return nullptr;
    // Register before the factory's load procedure runs, so that it may show itself.
    Form* f = it.value()();
    m_loaded[name] = f;
    m_loadOrder.removeAll(name);
    m_loadOrder.append(name);
    return f;
}

void ScreenRegistry::show(const QString& name) {
    Form* f = load(name);
    if (!f)
        return;
    if (f->fullScreen() && !m_windowed)
        f->showFullScreen();
    else
        f->show();
    f->raise();
    f->activateWindow();
    if (m_active != name) {
        m_active = name;
        QPointer<Form> guard(f);
        QTimer::singleShot(0, f, [this, guard, name] {
            if (guard && m_active == name)
                guard->Form_Activate();
        });
    }
}

void ScreenRegistry::showModal(const QString& name) {
    Form* f = load(name);
    if (!f)
        return;
    const QString previous = m_active;
    QPointer<Form> over = form(previous);
    // Centred over the screen it was opened from, each time: the window manager may have
    // moved that screen since the box was last open.
    auto centre = [&] {
        if (!over)
            return;
        const QPoint frameOffset = f->geometry().topLeft() - f->pos();
        const QPoint c = over->geometry().center();
        f->move(c.x() - f->width() / 2 - frameOffset.x(), c.y() - f->height() / 2 - frameOffset.y());
    };
    centre();
    f->setWindowModality(Qt::ApplicationModal);
    m_active = name;
    f->Form_Activate();
    f->show();
    centre(); // the frame's size is known once shown
    f->raise();
    f->activateWindow();
    QPointer<Form> guard(f);
    while (guard && guard->isVisible())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // Unloading the box clears the active name; the screen below is active again as it was,
    // without a new activation.
    if (m_active == name || m_active.isEmpty()) {
        m_active = previous;
        if (over)
            over->activateWindow();
    }
}

void ScreenRegistry::hide(const QString& name) {
    if (Form* f = form(name))
        f->hide();
}

void ScreenRegistry::unload(const QString& name) {
    Form* f = form(name);
    m_loaded.remove(name);
    m_loadOrder.removeAll(name);
    if (m_active == name)
        m_active.clear();
    if (f) {
        f->hide();
        f->deleteLater();
    }
}

void ScreenRegistry::unloadAll() {
    while (!m_loadOrder.isEmpty())
        unload(m_loadOrder.last());
}

} // namespace kz
