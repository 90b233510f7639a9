#pragma once
// The level menu of pupil 5 over a school on disk, for the tests of the menu, its views and its
// comparison panel. A test writes what the menu reads, then opens it.
#include "program_school.h"
#include "school/roster.h"
#include "selection/ui/seisekitime1.h"
#include "selection/ui/selection_context.h"
#include "shell/startup.h"
#include "views/ui/comparison_panel.h"

#include <memory>
#include <QtTest>

namespace kz::test {

// A named control of a form; a missing one ends the test run with its name.
template <class T> T* child(QWidget* form, const QString& name) {
    T* w = form->findChild<T*>(name);
    if (!w) qFatal("no control %s", qPrintable(name));
    return w;
}

struct LevelMenu {
    School school;
    Selection selection;
    std::unique_ptr<seisekitime1> menu;
    QDate today;

    LevelMenu(int levels, const QString& name) {
        Hensuu1& h = school.p->h;
        prepareLevels(h);
        h.levelCount = levels;
        h.Bangou = 5;
        h.studentName = name;
        today = school.fake.clock().date;
    }

    // Levels 1..4 with a pass time of 30, a minimum time of 45 and a point rate of 1.
    void setFourLevelCriteria() {
        for (int n = 1; n <= 4; ++n) {
            school.p->criteria.passTime[n] = 30;
            school.p->criteria.minimumTime[n] = 45;
            school.p->criteria.pointRate[n] = DecimalNumber::leading(u"1");
        }
    }

    // The menu's pupil as 5 and はなこ as 6, both born nine years before this year, and じろう
    // as 7, born fourteen years before, then any further roster lines; read into the tables as
    // the name screen reads them.
    void writeThreePupils(const QString& more = {}) {
        const int y = today.year();
        school.writeRoster(QStringLiteral("5,%1,0,0,").arg(y - 9) + school.p->h.studentName +
                           QStringLiteral(",0,,\r\n6,%1,0,0,はなこ,0,,\r\n7,%2,0,0,じろう,0,,\r\n")
                               .arg(y - 9)
                               .arg(y - 14) +
                           more);
        readRosterFile(school.p->rosterFilePath(), selection.tables, today, 4, 0);
    }

    void open() { menu = std::make_unique<seisekitime1>(*school.p, selection); }
    QWidget* w() const { return menu.get(); }
};

} // namespace kz::test
