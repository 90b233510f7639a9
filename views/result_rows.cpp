#include "result_rows.h"

#include "shell/ole_date.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kz {

static bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QString withoutBlanks(const QString& name) {
    qsizetype from = 0, to = name.size();
    while (from < to && isBlank(name[from]))
        ++from;
    while (to > from && isBlank(name[to - 1]))
        --to;
    return name.mid(from, to - from);
}

// text followed by pad full-width spaces, cut to five characters, built in one allocation.
static QString padCut(QStringView text, int pad) {
    const qsizetype length = std::min<qsizetype>(text.size() + pad, 5);
    QString out;
    out.reserve(length);
    out += text.left(std::min<qsizetype>(text.size(), 5));
    while (out.size() < length)
        out += QChar(0x3000);
    return out;
}

QString runNameField(const QString& name) {
    return padCut(withoutBlanks(name), 4);
}

QString rankNameField(const QString& name) {
    qsizetype to = name.size();
    while (to > 0 && isBlank(name[to - 1]))
        --to;
    return padCut(QStringView(name).left(to), 6);
}

void appendRightAligned(QString& out, qint64 value, int width) {
    char digits[24];
    const int len = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
    for (int i = len; i < width; ++i)
        out += u' ';
    const int from = len > width ? len - width : 0;
    out += QLatin1StringView(digits + from, len - from);
}

QString timeField(int seconds) {
    return rightAligned(QString::number(seconds) + u'秒', 5);
}

int secondsOfDay(double oleTimeOfDay) {
    // Only the fraction counts; whole seconds, so a stored 9:05:22.9999 is 9:05:23.
    const double frac = oleTimeOfDay - std::floor(oleTimeOfDay);
    if (!std::isfinite(frac)) return 0;
    return static_cast<int>(std::lround(frac * 86400.0)) % 86400;
}

QString clockField(double oleTimeOfDay) {
    const int s = secondsOfDay(oleTimeOfDay);
    return QStringLiteral("%1:%2")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'));
}

QString clockTimeText(double oleTimeOfDay) {
    const int s = secondsOfDay(oleTimeOfDay);
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

static QDate recordQDate(double oleDateValue) {
    // A damaged date far outside the calendar shows as the epoch rather than as garbage.
    if (!std::isfinite(oleDateValue) || std::fabs(oleDateValue) > 3e6) return kOleEpoch;
    return kOleEpoch.addDays(static_cast<qint64>(std::floor(oleDateValue)));
}

QString dateText(double oleDateValue) {
    return recordQDate(oleDateValue).toString(QStringLiteral("yyyy/MM/dd"));
}

QString monthDayField(double oleDateValue) {
    return dateText(oleDateValue).right(5);
}

QString todayTimeRow(int time, const QString& clock, const RunWho& who, int points) {
    return timeField(time) + u' ' + clock + who.mark + who.nameField + who.mark +
           QString::number(points);
}

QString failureRow(const QString& clockOrDate, const RunWho& who) {
    return QStringLiteral("　　× ") + clockOrDate + who.mark + who.nameField + who.mark;
}

QString allResultsPointsRow(int points, const QString& date, const RunWho& who, int time) {
    return rightAligned(QString::number(points), 5) + u' ' + date + who.mark + who.nameField +
           who.mark + QString::number(time) + u'秒';
}

QString personalTimeRow(double oleDateValue, double oleTimeOfDay, int time) {
    const QString field =
        isFailedRun(time) ? rightAligned(QStringLiteral("×"), 5) : timeField(time);
    return dateText(oleDateValue) + u' ' + clockTimeText(oleTimeOfDay) + field;
}

} // namespace kz
