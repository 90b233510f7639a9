#pragma once
#include <QString>

namespace kz {

// Names of the drill screen's controls, as the screen's objectName and as the model addresses
// them. One place, so the model and the screen cannot drift apart.
namespace drillctl {
inline const QString qLabel1 = QStringLiteral("qLabel1");
inline const QString inputLabel = QStringLiteral("inputLabel");
inline const QString List1 = QStringLiteral("List1");
inline const QString Label1 = QStringLiteral("Label1");
inline const QString Label11 = QStringLiteral("Label11");
inline const QString seitouLabel = QStringLiteral("seitouLabel");
inline const QString Picture2 = QStringLiteral("Picture2");
inline const QString Commandkakunin2 = QStringLiteral("Commandkakunin2");
inline const QString sLabel2 = QStringLiteral("sLabel2");
inline const QString sLabel7 = QStringLiteral("sLabel7");
inline const QString sLabel8 = QStringLiteral("sLabel8");
inline const QString sLabel9 = QStringLiteral("sLabel9");
inline const QString sLabel10 = QStringLiteral("sLabel10");
inline const QString sLabel11 = QStringLiteral("sLabel11");
inline const QString sLabel12 = QStringLiteral("sLabel12");
inline const QString sLabel13 = QStringLiteral("sLabel13");
inline const QString sLabel14 = QStringLiteral("sLabel14");
inline const QString sShape2 = QStringLiteral("sShape2");
inline const QString sShape3 = QStringLiteral("sShape3");
inline const QString sShape4 = QStringLiteral("sShape4");
inline const QString sShape5 = QStringLiteral("sShape5");
inline const QString sShape7 = QStringLiteral("sShape7");
inline const QString sPicture2 = QStringLiteral("sPicture2");
inline const QString lblsss1 = QStringLiteral("lblsss1");
inline const QString lblsss2 = QStringLiteral("lblsss2");
} // namespace drillctl

// What the drill model asks of its screen. The model computes every text, width (twips) and
// font size; the screen only applies them.
class DrillView {
public:
    virtual ~DrillView() = default;
    virtual void setCaption(const QString& control, const QString& text) = 0;
    virtual void setVisible(const QString& control, bool on) = 0;
    virtual void setWidthTw(const QString& control, int twips) = 0;
    virtual int widthTw(const QString& control) const = 0;
    virtual void moveTo(const QString& control, int leftTw, int topTw) = 0;
    virtual void setFontSize(const QString& control, double points) = 0;
    virtual void clearList(const QString& control) = 0;
    virtual void addListItem(const QString& control, const QString& line) = 0;
};

} // namespace kz
