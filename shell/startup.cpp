#include "startup.h"

#include <QDateTime>

#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>


namespace kz {

void SetProgramDefaults(Hensuu1& h) { h.programTitle = QStringLiteral("カズトビ１"); }

void prepareLevels(Hensuu1& h) {
    h.levelCount = 4;
    static const char16_t* const names[] = {u"ゆっくり", u"ふつう", u"速い", u"最速", u"５"};
    for (int n = 1; n <= 5; ++n)
        h.levelNames[n] = QString::fromUtf16(names[n - 1]);
    for (int n = 6; n <= 25; ++n)
        h.levelNames[n].clear();
    for (int n = 1; n <= 25; ++n)
        h.levelRecorded[n] = 1;
    for (int n = 1; n <= 12; ++n)
        if (h.levelNames[n].isEmpty())
            h.levelNames[n] = QStringLiteral("ﾚﾍﾞﾙ") + QString::number(n);
}

void PrepareLevelMenu(Hensuu1& h, Screens& screens) {
    prepareLevels(h);
    screens.show(screen::seisekitime1);
}

void StartRun(Hensuu1& h, Services& s) {
    h.runFinished = 0;
    h.recordingStarted = 0;
    h.plusKeyState = 0;
    h.judging = 0;
    h.correctCount = 0;
    h.runEndReason = 0;
    s.events.processEvents();
    s.screens.show(screen::MainFrm);
}

int seasonColourForMonth(int month) {
    switch (month) {
    case 1:
    case 2:
        return 33023; // orange
    case 3:
    case 4:
    case 5:
    case 12:
        return 12648384; // light green
    case 6:
    case 7:
    case 8:
        return 12632064; // turquoise
    default:
        return 16576; // brown red
    }
}

QString japaneseEraDate(const QDate& date) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale("ja_JP@calendar=japanese");
    icu::SimpleDateFormat fmt(icu::UnicodeString(u"Gy年 M月 dd日（E）"), locale, status);
    if (U_FAILURE(status))
        return date.toString(QStringLiteral("yyyy年 M月 dd日"));
    // Local noon of that day: no time zone shift can move it to another date.
    const UDate when = static_cast<UDate>(QDateTime(date, QTime(12, 0)).toMSecsSinceEpoch());
    icu::UnicodeString out;
    fmt.format(when, out);
    if (U_FAILURE(status))
        return date.toString(QStringLiteral("yyyy年 M月 dd日"));
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(out.getBuffer()), out.length());
}

} // namespace kz
