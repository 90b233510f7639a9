// The program's way out when the system asks it to end: Windows.
#include "system_services.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <utility>
#include <windows.h>

namespace kz {

// Windows ends a windowed program by closing its windows (WM_QUERYENDSESSION, WM_CLOSE), which
// already takes the orderly way.
void onTerminationRequest(std::function<void()>) {}

namespace {
class SessionEndFilter final : public QAbstractNativeEventFilter {
public:
    explicit SessionEndFilter(std::function<void()> onEnding) : m_onEnding(std::move(onEnding)) {}
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        const MSG* msg = static_cast<const MSG*>(message);
        // wParam TRUE: the session really ends; Qt goes on with its own handling afterwards.
        if (type == "windows_generic_MSG" && msg->message == WM_ENDSESSION && msg->wParam &&
            m_onEnding) {
            const auto onEnding = std::exchange(m_onEnding, nullptr); // once, for all windows
            onEnding();
        }
        return false;
    }

private:
    std::function<void()> m_onEnding;
};
} // namespace

void onSessionEnding(std::function<void()> onEnding) {
    QCoreApplication::instance()->installNativeEventFilter(new SessionEndFilter(std::move(onEnding)));
}

} // namespace kz
