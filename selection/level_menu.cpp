#include "level_menu.h"

#include "shell/field_reader.h"
#include "shell/numbers.h"

namespace kz {

namespace {
constexpr int kColumnsWidth = 14592; // four full columns
constexpr int kScrollColumnWidth = 3456;
} // namespace

ColumnGeometry columnGeometry(int levelCount) {
    ColumnGeometry g;
    if (levelCount <= 0) return g;
    if (levelCount < 5) {
        g.width = kColumnsWidth / levelCount;
        return g;
    }
    g.width = kScrollColumnWidth;
    g.scrollBar = true;
    g.scrollMax = levelCount - 3;
    return g;
}

int columnLeft(int level, int firstColumn, int firstLeft, int columnWidth, int windowWidth) {
    const int x = firstLeft + (level - firstColumn) * columnWidth;
    return x < 0 ? windowWidth : x;
}

QString startCaption(int level) {
    return QStringLiteral("ｽﾀｰﾄ(&") + QString::number(level) + u')';
}

QString targetText(const CriteriaTable& c, const Hensuu1& h, int level) {
    const QString pass = QString::number(c.passTime[level]);
    if (h.levelRecorded[level] != 1) return QStringLiteral("◎=") + pass + QStringLiteral("点以上");
    if (c.clearPoints[level] == 9999)
        return QStringLiteral("目標=") + pass + QStringLiteral("秒") + QStringLiteral(" --------");
    return QStringLiteral("目標=") + pass + QStringLiteral("秒 ") +
           QString::number(c.clearCount[level]) + QStringLiteral("回/") +
           QString::number(c.clearPoints[level]) + QStringLiteral("点(×") +
           c.pointRate[level].text() + u')';
}

QString recentText(const CriteriaTable& c, const Statistics& st, int level, int b) {
    return QStringLiteral("最近") + c.judgeDays[level].toText() + QStringLiteral("日=") +
           QString::number(st.runCountJudge(level, b)) + QStringLiteral("回 / ") +
           QString::number(st.pointsJudge(level, b)) + QStringLiteral("点");
}

QString todayText(const Statistics& st, int level, int b) {
    if (st.todayRunCount(level, b) == 0) return QStringLiteral("-----");
    return singleText(st.todayRunCount(level, b)) + QStringLiteral("回/") +
           QString::number(st.todayPoints(level, b)) + QStringLiteral("点");
}

QString totalText(const Statistics& st, int level, int b) {
    if (st.runCountAll(level, b) == 0) return QStringLiteral("------");
    return QString::number(st.runCountAll(level, b)) + QStringLiteral("回/") +
           QString::number(st.pointsAll(level, b)) + QStringLiteral("点");
}

QString minutesSinceStartText(qint64 startTickMs, qint64 nowTickMs) {
    // Whole seconds, then whole minutes towards zero; the tick never runs backwards at midnight.
    const qint64 seconds = std::max<qint64>(0, (nowTickMs - startTickMs) / 1000);
    return QStringLiteral("起動後") + QString::number(seconds / 60) + QStringLiteral("分");
}

qint16 todayRunTotal(const Statistics& st, int b) {
    double total = 0;
    for (int level = 1; level < kLevelSlots; ++level)
        total += st.todayRunCount(level, b);
    return toInt16(static_cast<long long>(roundHalfEven(total)));
}

QString todayRunTotalText(qint16 total) {
    return QStringLiteral("本日総回数＝") + QString::number(total) + QStringLiteral("回");
}

QString pupilText(const Hensuu1& h) {
    return h.studentGrade + u' ' + trimBlanks(h.studentName);
}

QString schoolText(const Hensuu1& h) {
    return h.schoolLine + u':' + QString::number(h.Bangou);
}

double titlePoints(const QString& title) {
    return title.length() > 9 ? 20 : 24;
}

MenuKey menuKeyAction(QChar key, int levelCount, bool backEnabled) {
    MenuKey k;
    int level = 0;
    if (key >= u'1' && key <= u'9')
        level = key.unicode() - u'0';
    else if (key >= u'a' && key <= u'd')
        level = 10 + key.unicode() - u'a';
    else if (key == u'0' && backEnabled)
        k.kind = MenuKey::Back;
    // Level 1 always has a column; the others only when the menu offers them.
    if (level == 1 || (level > 1 && level <= levelCount)) {
        k.kind = MenuKey::Start;
        k.level = level;
    }
    return k;
}

} // namespace kz
