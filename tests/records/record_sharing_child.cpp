// Another computer of the school for the sharing tests, changing the files in one step:
//   record_sharing_child erase PATH N MIN   — once the file holds MIN records, erases record N
//   record_sharing_child change PATH N MIN  — the same, but sets record N's time to 7777
//   record_sharing_child erase-on-go PATH N — says "ready", erases record N after a line on stdin
//   record_sharing_child save-on-go PATH    — loads the criteria grid at PATH, sets level 1's
//                                              pass time to 99, says "ready", saves after a line
#include "records/criteria_editor.h"
#include "records/record_file.h"

#include <cstdio>
#include <iostream>
#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <string>

using namespace kz;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) return 2;
    const QString command = args[1];
    const QString path = args[2];
    auto wait = [] { QThread::msleep(5); };
    auto go = [] {
        std::printf("ready\n");
        std::fflush(stdout);
        std::string line;
        std::getline(std::cin, line);
    };
    if (command == u"save-on-go") {
        CriteriaGrid grid;
        if (!grid.LoadGrid(path).isEmpty()) return 4;
        grid.TextToGrid(QStringLiteral("99"));
        go();
        CriteriaTable table;
        return grid.SaveGrid(path, table).isEmpty() ? 0 : 5;
    }
    const RecordFile file(path);
    const qint64 n = args.value(3).toLongLong();
    if (command == u"erase-on-go") {
        go();
    } else {
        const qint64 min = args.value(4).toLongLong();
        qint64 count = 0;
        while (file.count(&count).ok() && count < min)
            QThread::msleep(1);
    }
    std::vector<SeisekiRecord> one;
    RecordFile::Result read;
    while ((read = file.readRange(n, n, &one)).status == RecordFile::Status::Locked)
        wait(); // an append holds the file
    if (!read.ok() || one.empty())
        return 3;
    const QByteArray expected = one.front().encode();
    RecordFile::Result r;
    if (command == u"change") {
        SeisekiRecord changed = one.front();
        changed.recordTime = 7777;
        r = file.write(n, changed, wait, expected);
    } else {
        const QString copy =
            QFileInfo(path).absolutePath() + QStringLiteral("/成績累積データtemp.dat");
        r = file.erase(n, expected, copy, wait);
    }
    std::printf("%s\n", r.ok() ? "done" : qPrintable(r.errorText));
    return r.ok() ? 0 : 1;
}
