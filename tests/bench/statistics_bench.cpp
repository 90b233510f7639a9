// Statistics rebuild from a 20,000-record file: the median of repeated rebuilds, against
// reading the same records one read call each. Prints both figures.
#include "records/statistics.h"
#include "shell/ole_date.h"
#include "support/fakes.h"

#include <algorithm>
#include <cstdio>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <vector>

using namespace kz;

static double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
    test::FakeServices f;
    const QDate today = f.clock().date;

    // Four levels, 2000 pupils, runs spread over 60 days.
    constexpr int records = 20000;
    QByteArray bytes;
    for (int i = 0; i < records; ++i) {
        SeisekiRecord r;
        r.recordDate = oleDate(today.addDays(-(i % 60)));
        r.recordTimeOfDay = 0.4;
        r.recordBangou = static_cast<qint16>(1 + (i * 7) % 2000);
        r.recordLevel = static_cast<qint16>(1 + i % 4);
        r.recordTime = i % 97 == 0 ? kTimedOut : 10 + (i * 13) % 90;
        bytes += r.encode();
    }
    test::writeFile(path, bytes);

    CriteriaTable c;
    c.read(QStringLiteral(
        ",,,,,,,,,,,\r\n30,60,100,5,1.5,30,500,7,3,,,\r\n25,50,100,5,1,30,500,7,3,,,\r\n"
        "20,40,100,5,1,30,500,7,3,,,\r\n15,30,100,5,2,30,500,7,3,,,\r\n"));
    Statistics st;
    st.ComputeStatistics(path, c, f.services); // warm the page cache
    std::vector<double> rebuild;
    for (int i = 0; i < 51; ++i) {
        QElapsedTimer t;
        t.start();
        st.ComputeStatistics(path, c, f.services);
        rebuild.push_back(t.nsecsElapsed() / 1e6);
    }
    const double rebuildMs = median(rebuild);

    const RecordFile file(path);
    std::vector<double> oneByOne;
    for (int pass = 0; pass < 5; ++pass) {
        QElapsedTimer t;
        t.start();
        SeisekiRecord rec;
        long long sum = 0;
        for (int n = 1; n <= records; ++n) {
            file.read(n, &rec);
            sum += rec.recordTime;
        }
        oneByOne.push_back(t.nsecsElapsed() / 1e6);
        if (sum == 0) std::puts("");
    }
    const double perRecordMs = median(oneByOne);

    std::printf("statistics rebuild, %d records: median %.3f ms (goal <= 5 ms)\n", records,
                rebuildMs);
    std::printf("reading the same records one call each: median %.1f ms\n", perRecordMs);
    std::printf("ratio: %.1fx (goal >= 20x)\n", perRecordMs / rebuildMs);
    std::printf("scanCount %d, runs of pupil 1 on level 1: %d\n", st.scanCount(),
                st.runCountAll(1, 1));
    return rebuildMs <= 5.0 && perRecordMs / rebuildMs >= 20.0 ? 0 : 1;
}
