#pragma once
// A school on disk for the model and screen tests: a roster, an empty or filled record file, and a
// Program over the fakes.
#include "records/program.h"
#include "records/statistics_support.h"
#include "shell/text_codec.h"
#include "support/fakes.h"

#include <memory>
#include <QTemporaryDir>
#include <vector>

namespace kz::test {

struct School {
    QTemporaryDir dir;
    FakeServices fake;
    std::unique_ptr<Program> p;

    School() {
        p = std::make_unique<Program>(fake.services);
        const QString base = dir.path() + u'/';
        p->h.basePath = base;
        p->h.dataFolder = base;
        p->h.programPath = base + QStringLiteral("prog/");
        p->h.commonLine1 = Field::number(4);
        p->h.programTitle = QStringLiteral("カズトビ１");
        p->h.schoolLine = QStringLiteral("みどり小学校");
        p->statisticsWaitScale = 0;
        p->soundTable.soundNames[4][1] = QStringLiteral("wrong");
        writeRecords({});
    }
    void writeRoster(const QString& text) { writeCp932(p->rosterFilePath(), text); }
    void writeRecords(const std::vector<SeisekiRecord>& records) {
        test::writeRecords(p->recordFilePath(), records);
    }
};

} // namespace kz::test
