#include "locked_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace kz {

LockedFile::Status LockedFile::namesOpenFile(const QString& path, bool* same) {
    struct stat mine {}, named {};
    if (::fstat(static_cast<int>(m_file), &mine) != 0) return fail(errno);
    if (::stat(QFile::encodeName(path).constData(), &named) != 0) {
        if (errno != ENOENT && errno != ESTALE) return fail(errno, false);
        *same = false; // gone: a reopen creates or finds the new one
        return Status::Ok;
    }
    *same = mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
    return Status::Ok;
}

// Creates a new file beside path under a name no other process uses (exclusively: a name some
// other process picked too is never shared, another one is drawn). -1 with errno set on failure.
static int createFreshBeside(const QString& path, QByteArray* fresh) {
    for (int tries = 1;; ++tries) {
        *fresh = QFile::encodeName(replacementNameBeside(path));
        const int fd = ::open(fresh->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST || tries == 8) return fd;
    }
}

QString tryNewFileBeside(const QString& path) {
    QByteArray fresh;
    const int fd = createFreshBeside(path, &fresh);
    if (fd < 0) return folderProblem(path, InFolder::Create, errno);
    ::close(fd);
    ::unlink(fresh.constData());
    return {};
}

QString replaceFileWhole(const QString& path, const QByteArray& bytes) {
    const QByteArray target = QFile::encodeName(path);
    struct stat old {};
    const bool replacing = ::stat(target.constData(), &old) == 0;
    QByteArray fresh;
    int fd = createFreshBeside(path, &fresh);
    if (fd < 0) return folderProblem(path, InFolder::Create, errno);
    // From here on, a failure removes the new file again.
    auto abandon = [&](InFolder step, int code) {
        if (fd >= 0) ::close(fd);
        ::unlink(fresh.constData());
        return folderProblem(path, step, code);
    };
    for (qint64 done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) return abandon(InFolder::Write, errno);
        done += n;
    }
    // Keep the old file's permissions, so every computer of the school may still write it; a
    // file that is new keeps what the umask gave it.
    if (replacing) ::fchmod(fd, old.st_mode & 07777);
    if (::fsync(fd) != 0) return abandon(InFolder::Write, errno);
    const int closed = ::close(fd);
    const int closeError = errno;
    fd = -1;
    if (closed != 0) return abandon(InFolder::Write, closeError);
    if (const int injected = atFileOperationSeam("replacement-written"))
        return abandon(InFolder::Replace, injected);
    if (::rename(fresh.constData(), target.constData()) != 0)
        return abandon(InFolder::Replace, errno);
    atFileOperationSeam("replaced");
    // The rename itself reaches the disk with the folder.
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? target.left(slash) : QByteArray(".");
    const int dfd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return {};
}

static int setLock(NativeFile fd, short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0; // to the end of the file, however far it grows
    fl.l_pid = 0; // required for OFD locks
    return ::fcntl(static_cast<int>(fd), F_OFD_SETLK, &fl) == 0 ? 0 : errno;
}

int LockedFile::lockWhole(bool exclusive) { return setLock(m_file, exclusive ? F_WRLCK : F_RDLCK); }

int LockedFile::unlockWhole() { return setLock(m_file, F_UNLCK); }

int LockedFile::writeWhole(qint64 offset, const QByteArray& data) {
    qint64 done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pwrite(static_cast<int>(m_file), data.constData() + done,
                                   static_cast<size_t>(data.size() - done),
                                   static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        done += n;
    }
    return 0;
}

int LockedFile::truncateTo(qint64 length) {
    return ::ftruncate(static_cast<int>(m_file), static_cast<off_t>(length)) == 0 ? 0 : errno;
}

} // namespace kz
