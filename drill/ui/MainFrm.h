#pragma once
#include "drill/drill_view.h"
#include "drill/flash_drill.h"
#include "drill/key_gate.h"
#include "shell/ui/form.h"

#include <memory>

class QKeyEvent;

namespace kz {

struct Program;

// The drill screen: huge flashed numbers, the typed answer, the correction panel and the
// status strip with its time bar. Sees every key before any focused child (key preview) and
// forwards it to the model; applies what the model shows.
class MainFrm final : public Form {
    Q_OBJECT
public:
    explicit MainFrm(Program& program);
    ~MainFrm() override;

    void Form_Activate() override;
    FlashDrill& drill() { return *m_drill; }

signals:
    // Emitted after a control's caption has been changed (for timing measurements).
    void captionApplied(const QString& control, const QString& text);

private:
    class Surface;
    friend class Surface;

    void buildStatusStrip();
    void buildDrillArea();
    void buildEndPanel();
    QWidget* control(const QString& name) const { return m_controls.value(name); }
    void handleKey(QKeyEvent* key);

    Program& m_p;
    QHash<QString, QWidget*> m_controls;
    std::unique_ptr<Surface> m_surface;
    KeyGate m_keyGate;
    std::unique_ptr<FlashDrill> m_drill;
};

} // namespace kz
