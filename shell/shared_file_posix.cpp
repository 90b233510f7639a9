#include "shared_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace kz {

int systemCodeForErrno(int injected) { return injected; }

FileCondition conditionOf(int code, bool onOpenFile) {
    // On an open file, "stale" (NFS) and "no such file" (some servers) mean it was replaced;
    // a refused lock, read or write (a share that enforces locks) is another computer's lock.
    if (onOpenFile && (code == ESTALE || code == ENOENT)) return FileCondition::Stale;
    if (onOpenFile && (code == EAGAIN || code == EACCES || code == EWOULDBLOCK))
        return FileCondition::Locked;
    if (code == ETXTBSY) return FileCondition::InUse;
    if (code == ENOENT || code == ENOTDIR) return FileCondition::NotFound;
    return FileCondition::Failed;
}

NativeFile openShared(const QString& path, bool write, bool create, int* code) {
    const QByteArray native = QFile::encodeName(path);
    auto openAs = [&](int flags) {
        if (const int injected = write ? atFileOperationSeam("open") : 0) {
            errno = injected;
            return -1;
        }
        return ::open(native.constData(), (write ? O_RDWR : O_RDONLY) | O_CLOEXEC | flags, 0666);
    };
    int fd = openAs(0);
    if (fd < 0 && errno == ENOENT && create &&
        missingAfterAMoment([&] { return (fd = openAs(0)) >= 0 || errno != ENOENT; }))
        fd = openAs(O_CREAT);
    if (fd < 0) {
        *code = errno;
        return kNoFile;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) { // a folder opens, but is no file
        ::close(fd);
        *code = EISDIR;
        return kNoFile;
    }
    return fd;
}

void closeShared(NativeFile file) {
    if (file != kNoFile) ::close(static_cast<int>(file)); // also drops its OFD locks
}

bool sizeShared(NativeFile file, qint64* bytes, int* code) {
    if ((*code = atFileOperationSeam("size"))) return false;
    struct stat st {};
    if (::fstat(static_cast<int>(file), &st) != 0) {
        *code = errno;
        return false;
    }
    *bytes = st.st_size;
    return true;
}

bool readShared(NativeFile file, qint64 offset, qint64 length, QByteArray* out, int* code) {
    if ((*code = atFileOperationSeam("read"))) return false;
    out->resize(length);
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(static_cast<int>(file), out->data() + done,
                                  static_cast<size_t>(length - done),
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *code = errno;
            out->clear();
            return false;
        }
        if (n == 0) break;
        done += n;
    }
    out->resize(done);
    return true;
}

} // namespace kz
