// A second computer for the record-file tests: appends records through the real retry rule,
// with a real one-second wait that it reports on standard output ("wait MS"), as it reports
// each reopen of a path that named another file once locked ("reopen").
//   record_file_child append PATH STUDENT COUNT   — COUNT appends for STUDENT (level = i % 35 + 1)
//   record_file_child read PATH ROUNDS            — repeated whole-file reads, checks every record
#include "records/record_file.h"
#include "support/fakes.h"

#include <cstdio>
#include <cstring>
#include <QCoreApplication>
#include <QThread>

using namespace kz;

namespace {
class SleepingEvents final : public EventPump {
public:
    void processEvents() override {}
    void waitWithEvents(int ms) override {
        std::printf("wait %d\n", ms);
        std::fflush(stdout);
        QThread::msleep(static_cast<unsigned long>(ms));
    }
};
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4)
        return 2;
    const QString path = args[2];
    fileOperationSeam() = [](const char* point) {
        if (std::strcmp(point, "reopen") == 0) {
            std::printf("reopen\n");
            std::fflush(stdout);
        }
        return 0;
    };
    if (args[1] == u"append" && args.size() >= 5) {
        test::FakeServices f;
        SleepingEvents events;
        Services s{f.world.clock, f.world, events, f.dialogs, f.random, f.sound, f.screens, f.program};
        const int student = args[3].toInt();
        const int count = args[4].toInt();
        SeisekiRecord buffer;
        const int waitMs = qEnvironmentVariableIntValue("KZ_WAIT_MS") > 0 ? qEnvironmentVariableIntValue("KZ_WAIT_MS") : 1000;
        try {
            for (int i = 0; i < count; ++i)
                AppendRecord(path, buffer, student, i % 35 + 1, i, QStringLiteral("12345"), s, waitMs);
        } catch (const test::ProgramEnded&) {
            std::printf("ended: %s\n", qPrintable(f.dialogs.messages.value(0)));
            return 3;
        }
        std::printf("done\n");
        return 0;
    }
    if (args[1] == u"read") {
        const RecordFile file(path);
        const int rounds = args[3].toInt();
        for (int round = 0; round < rounds; ++round) {
            qint64 first = 0;
            std::vector<SeisekiRecord> recs;
            const RecordFile::Result r = file.readTail(1000000, &first, &recs);
            if (r.status == RecordFile::Status::Locked) {
                QThread::msleep(2);
                continue;
            }
            if (!r.ok())
                return 4;
            // A torn record would show a school code or score that was never written.
            for (const SeisekiRecord& rec : recs)
                if (rec.recordSchoolCode != "12345" || rec.recordScore != "0    ")
                    return 5;
        }
        std::printf("done\n");
        return 0;
    }
    return 2;
}
