#include "shared_file.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

namespace kz {

// The system's code for an errno the tests' seam injects (the same code on POSIX).
int systemCodeForErrno(int injected);

std::function<int(const char* point)>& fileOperationSeam() {
    static std::function<int(const char* point)> seam;
    return seam;
}

int atFileOperationSeam(const char* point) {
    const auto& seam = fileOperationSeam();
    const int injected = seam ? seam(point) : 0;
    return injected ? systemCodeForErrno(injected) : 0;
}

bool missingAfterAMoment(const std::function<bool()>& tryOpen) {
    for (int retry = 0;; ++retry) {
        if (tryOpen()) return false;
        if (retry == kMissingNameRetries) return true;
        QThread::msleep(kMissingNameWaitMs);
    }
}

WholeRead readWholeShared(const QString& path) {
    WholeRead r;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        int code = 0;
        NativeFile file = kNoFile;
        const bool missing = missingAfterAMoment([&] {
            file = openShared(path, false, false, &code);
            return file != kNoFile || conditionOf(code, false) != FileCondition::NotFound;
        });
        if (missing) {
            r.result = WholeRead::Result::Missing;
            return r;
        }
        bool again = false;
        if (file == kNoFile) {
            r.result = WholeRead::Result::OpenFailed;
            again = conditionOf(code, false) == FileCondition::InUse;
        } else {
            // Asked for more than the length, so a file that grew meanwhile is read to its end.
            constexpr qint64 kGrowth = 64 * 1024;
            qint64 size = 0;
            const bool read =
                sizeShared(file, &size, &code) && readShared(file, 0, size + kGrowth, &r.bytes, &code);
            closeShared(file);
            if (read) {
                r.result = WholeRead::Result::Ok;
                return r;
            }
            r.result = WholeRead::Result::ReadFailed;
            again = conditionOf(code, true) == FileCondition::Locked;
        }
        if (!again || waited.elapsed() >= kLockedReadMs) {
            r.bytes.clear();
            r.why = systemErrorText(code);
            return r;
        }
        QThread::msleep(kLockedReadWaitMs);
    }
}

FileStamp FileStamp::of(const QString& path) {
    const QFileInfo info(path);
    FileStamp stamp;
    if (info.exists()) {
        stamp.size = info.size();
        stamp.modified = info.lastModified();
    }
    return stamp;
}

} // namespace kz
