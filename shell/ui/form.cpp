#include "form.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

#include <algorithm>

namespace kz {

QColor colourFromBgr(int bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

Form::Form(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(kDesignWidthTwips / kTwipsPerPixel, kDesignHeightTwips / kTwipsPerPixel);
}

void Form::setDesignSize(int widthTw, int heightTw) {
    m_designSize = QSize(widthTw, heightTw);
    resize(widthTw / kTwipsPerPixel, heightTw / kTwipsPerPixel);
}

void Form::place(QWidget* child, int leftTw, int topTw, int widthTw, int heightTw) {
    m_geometry[child] = QRect(leftTw, topTw, widthTw, heightTw);
    applyGeometry(child);
}

void Form::setLeft(QWidget* child, int leftTw) {
    m_geometry[child].moveLeft(leftTw);
    applyGeometry(child);
}

void Form::setTop(QWidget* child, int topTw) {
    m_geometry[child].moveTop(topTw);
    applyGeometry(child);
}

void Form::setWidthTw(QWidget* child, int widthTw) {
    m_geometry[child].setWidth(widthTw);
    applyGeometry(child);
}

void Form::setPointSize(QWidget* child, double points, bool bold) {
    m_points[child] = points;
    QFont f = child->font();
    f.setBold(bold);
    child->setFont(f);
    applyGeometry(child);
}

void Form::applyGeometry(QWidget* child) {
    // Children of children are placed relative to their own parent panel, in the same twips.
    const auto it = m_geometry.constFind(child);
    if (it != m_geometry.constEnd()) {
        const QRect& r = it.value();
        const QPoint origin = child->parentWidget() == this ? m_origin : QPoint();
        child->setGeometry(origin.x() + qRound(r.x() * m_scale),
                           origin.y() + qRound(r.y() * m_scale),
                           std::max(0, qRound(r.width() * m_scale)),
                           std::max(0, qRound(r.height() * m_scale)));
    }
    const auto pt = m_points.constFind(child);
    if (pt != m_points.constEnd()) {
        QFont f = child->font();
        // Design points are at 15 twips a pixel and 96 dpi; scale with the layout.
        f.setPointSizeF(std::max(1.0, pt.value() * m_scale * kTwipsPerPixel));
        child->setFont(f);
    }
}

void Form::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    const double sx = static_cast<double>(width()) / m_designSize.width();
    const double sy = static_cast<double>(height()) / m_designSize.height();
    const double s = std::min(sx, sy);
    if (s <= 0)
        return;
    const QPoint origin(qRound((width() - m_designSize.width() * s) / 2),
                        qRound((height() - m_designSize.height() * s) / 2));
    if (qFuzzyCompare(s, m_scale) && origin == m_origin)
        return;
    m_scale = s;
    m_origin = origin;
    for (auto it = m_geometry.constBegin(); it != m_geometry.constEnd(); ++it)
        applyGeometry(it.key());
    for (auto it = m_points.constBegin(); it != m_points.constEnd(); ++it)
        if (!m_geometry.contains(it.key()))
            applyGeometry(it.key());
}

QLabel* Form::makeLabel(const QString& objectName, const QString& caption, QWidget* parent) {
    auto* l = new QLabel(caption, parent ? parent : this);
    l->setObjectName(objectName);
    return l;
}

QPushButton* Form::makeButton(const QString& objectName, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent ? parent : this);
    b->setObjectName(objectName);
    return b;
}

void Form::setBack(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void Form::setFore(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::ButtonText, c);
    w->setPalette(p);
}

QFont fixedPitchFont(const QStringList& families) {
    QFont f;
    QStringList all = families;
    all << QFontDatabase::systemFont(QFontDatabase::FixedFont).families();
    f.setFamilies(all);
    f.setStyleHint(QFont::Monospace);
    f.setFixedPitch(true);
    return f;
}

QStringList japaneseGothicFamilies() {
    // A Japanese Windows lists its faces under their Japanese names.
    return {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
            QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック")};
}

QString japaneseGothicIn(const QFont& font) {
    const QString used = QFontInfo(font).family();
    return japaneseGothicFamilies().contains(used, Qt::CaseInsensitive) ? used : QString();
}

void Form::setBackBgr(int bgr) { setBack(this, colourFromBgr(bgr)); }

} // namespace kz
