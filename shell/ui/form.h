#pragma once
#include <QFont>
#include <QHash>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QPushButton;

namespace kz {

// Twips: 15 to a pixel at the design size of 15360 x 11520 twips (1024 x 768 pixels).
constexpr int kTwipsPerPixel = 15;
constexpr int kDesignWidthTwips = 15360;
constexpr int kDesignHeightTwips = 11520;

// Colours are stored 0xBBGGRR (red in the low byte).
QColor colourFromBgr(int bgr);

// A screen laid out in twips. Children are placed at design geometry and design font sizes
// and the whole layout scales uniformly to fill the window, so a 1920 x 1080 monitor shows the
// drill's numbers as large as the design means them. A window of another shape than the design
// centres the layout; the bands beside it show the form's background.
class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(const QString& name, QWidget* parent = nullptr);

    // The activation procedure; the registry runs it each time the screen becomes active.
    virtual void Form_Activate() {}
    // Full-screen screens fill the monitor; the others keep their design size.
    bool fullScreen() const { return m_fullScreen; }
    void setFullScreen(bool on) { m_fullScreen = on; }

    // Design size of the form itself, in twips.
    void setDesignSize(int widthTw, int heightTw);
    QSize designSizeTwips() const { return m_designSize; }

    // Places a child at a twips rectangle and remembers it for scaling.
    void place(QWidget* child, int leftTw, int topTw, int widthTw, int heightTw);
    QRect designGeometry(QWidget* child) const { return m_geometry.value(child); }
    void setLeft(QWidget* child, int leftTw);
    void setTop(QWidget* child, int topTw);
    void setWidthTw(QWidget* child, int widthTw);
    int leftOf(QWidget* child) const { return m_geometry.value(child).x(); }
    int topOf(QWidget* child) const { return m_geometry.value(child).y(); }
    int widthOf(QWidget* child) const { return m_geometry.value(child).width(); }
    int heightOf(QWidget* child) const { return m_geometry.value(child).height(); }
    // Sets a child's font size in design points; scaled with the layout.
    void setPointSize(QWidget* child, double points, bool bold = false);
    double pointSizeOf(QWidget* child) const { return m_points.value(child); }

    // Pixels per twip at the current window size.
    double scale() const { return m_scale; }
    // Where the design's top left corner lies in the window, in pixels.
    QPoint layoutOrigin() const { return m_origin; }

    // Helpers that make a named child.
    QLabel* makeLabel(const QString& objectName, const QString& caption, QWidget* parent = nullptr);
    QPushButton* makeButton(const QString& objectName, const QString& caption, QWidget* parent = nullptr);

    // Background colour of the form (0xBBGGRR).
    void setBackBgr(int bgr);
    static void setBack(QWidget* w, const QColor& c);
    static void setFore(QWidget* w, const QColor& c);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void applyGeometry(QWidget* child);

private:
    QSize m_designSize{kDesignWidthTwips, kDesignHeightTwips};
    QHash<QWidget*, QRect> m_geometry;
    QHash<QWidget*, double> m_points;
    double m_scale = 1.0 / kTwipsPerPixel;
    QPoint m_origin;
    bool m_fullScreen = true;
};

// A fixed-pitch font: the first of families the machine has, else the platform's monospace, so
// that right-aligned columns and full-width padding line up wherever the program runs.
QFont fixedPitchFont(const QStringList& families);
// The fixed-pitch Japanese Gothic of the classroom's Windows first (under its Japanese and its
// English name), then the one Debian installs.
QStringList japaneseGothicFamilies();
// The Japanese Gothic of japaneseGothicFamilies() that font resolves to on this computer, empty
// when it falls back to a face without one (the set-up check warns of that).
QString japaneseGothicIn(const QFont& font);

// The name of element n of a control array: "Command4(2)".
inline QString arrayName(const QString& control, int n) {
    return control + u'(' + QString::number(n) + u')';
}

} // namespace kz
