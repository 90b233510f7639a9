#include "locked_file.h"
#include "shell/system_error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSysInfo>

#ifdef _WIN32
#include <algorithm>
#include <string>
#include <vector>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kz {

LockedFile::~LockedFile() { close(); }

std::function<int(const char* point)>& fileOperationSeam() {
    static std::function<int(const char* point)> seam;
    return seam;
}

int atFileOperationSeam(const char* point) {
    const auto& seam = fileOperationSeam();
    return seam ? seam(point) : 0;
}

bool againAfterStale(int* tries, const std::function<void()>& wait) {
    if (++*tries == 1) return true;
    if (wait) {
        wait();
        return true;
    }
    return *tries <= 3;
}

LockedFile::Status lockForWriting(LockedFile& f, const QString& path,
                                  const std::function<void()>& wait) {
    using Status = LockedFile::Status;
    for (int stale = 0;;) {
        Status st = untilUnlocked([&] { return f.open(path, true); }, wait);
        if (st != Status::Ok) return st;
        bool same = false;
        st = untilUnlocked([&] { return f.lockExclusive(); }, wait);
        if (st == Status::Ok) st = f.namesOpenFile(path, &same);
        if (st == Status::Stale && againAfterStale(&stale, wait)) {
            f.close(); // the handle outlived its file: what the path names now is the file
            continue;
        }
        if (st != Status::Ok) return st;
        if (same) {
            atFileOperationSeam("write-locked");
            return Status::Ok;
        }
        atFileOperationSeam("reopen");
        f.close();
    }
}

QString replacementNameBeside(const QString& path) {
    QString host;
    for (const QChar c : QSysInfo::machineHostName().left(32))
        host += (c.unicode() < 128 && c.isLetterOrNumber()) || c == u'-' ? c : QChar(u'_');
    // One arg call: a folder named with a "%" must come through as it is.
    return QStringLiteral("%1.new-%2-%3-%4")
        .arg(path, host, QString::number(QCoreApplication::applicationPid()),
             QStringLiteral("%1").arg(QRandomGenerator::system()->generate64(), 16, 16, QChar(u'0')));
}

namespace {
// Why a replacement failed names the folder: the new file is made, written and renamed there,
// so the folder's permissions and free space are what stop it, not the file's.
enum class InFolder { Create, Write, Replace };
QString folderProblem(const QString& path, InFolder step, int code) {
    static const char16_t* const what[] = {u"新しいファイルを作れません", u"新しいファイルを書けません",
                                           u"ファイルを置き換えられません"};
    const QString folder = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
    return QStringLiteral("フォルダ %1 で%2: %3")
        .arg(folder, QString::fromUtf16(what[static_cast<int>(step)]), systemErrorText(code));
}
} // namespace

QString replaceSharedFile(const QString& path, const QByteArray& bytes,
                          const std::function<void()>& wait) {
    // The lock's open makes a missing file; one that the replacement then fails to fill must
    // not stay behind empty, where every computer would read it at start.
    const bool existed = QFileInfo::exists(path);
    LockedFile f;
    const LockedFile::Status st = lockForWriting(f, path, wait);
    if (st == LockedFile::Status::Locked) return f.errorText();
    // A file this computer may not open for writing (read-only, on a share that refuses locks)
    // is still replaced as before; the replacement reports what really stops it.
    const QString error = replaceFileWhole(path, bytes);
    qint64 left = -1;
    if (!error.isEmpty() && !existed && st == LockedFile::Status::Ok &&
        f.size(&left) == LockedFile::Status::Ok && left == 0)
        QFile::remove(path);
    return error;
}

LockedFile::Status LockedFile::open(const QString& path, bool create) { return openWith(path, true, create); }
LockedFile::Status LockedFile::openReadOnly(const QString& path) { return openWith(path, false, false); }

#ifndef _WIN32

LockedFile::Status LockedFile::fail(int code, bool lockStep) {
    m_errorCode = code;
    m_errorText = systemErrorText(code);
    // On an open file, "stale" (NFS) and "no such file" (some servers) mean it was replaced.
    if (lockStep && (code == ESTALE || code == ENOENT)) return Status::Stale;
    if (lockStep && (code == EAGAIN || code == EACCES || code == EWOULDBLOCK))
        return Status::Locked;
    if (code == ENOENT || code == ENOTDIR)
        return Status::NotFound;
    return Status::Failed;
}

LockedFile::Status LockedFile::openWith(const QString& path, bool write, bool create) {
    close();
    const QByteArray native = QFile::encodeName(path);
    int flags = (write ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    if (create)
        flags |= O_CREAT;
    m_fd = ::open(native.constData(), flags, 0666);
    if (m_fd < 0)
        return fail(errno, false);
    return Status::Ok;
}

LockedFile::Status LockedFile::namesOpenFile(const QString& path, bool* same) {
    struct stat mine {}, named {};
    if (::fstat(m_fd, &mine) != 0) return fail(errno);
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

void LockedFile::close() {
    if (m_fd >= 0)
        ::close(m_fd); // closing the description also drops its OFD locks
    m_fd = -1;
}

bool LockedFile::isOpen() const { return m_fd >= 0; }

LockedFile::Status LockedFile::size(qint64* bytes) {
    if (const int injected = atFileOperationSeam("size")) return fail(injected);
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return fail(errno);
    *bytes = st.st_size;
    return Status::Ok;
}

static int setLock(int fd, short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0; // to the end of the file, however far it grows
    fl.l_pid = 0; // required for OFD locks
    return ::fcntl(fd, F_OFD_SETLK, &fl);
}

LockedFile::Status LockedFile::lockExclusive() {
    if (const int injected = atFileOperationSeam("lock")) return fail(injected);
    return setLock(m_fd, F_WRLCK) == 0 ? Status::Ok : fail(errno);
}

LockedFile::Status LockedFile::lockShared() {
    if (const int injected = atFileOperationSeam("lock")) return fail(injected);
    return setLock(m_fd, F_RDLCK) == 0 ? Status::Ok : fail(errno);
}

LockedFile::Status LockedFile::unlock() {
    return setLock(m_fd, F_UNLCK) == 0 ? Status::Ok : fail(errno);
}

LockedFile::Status LockedFile::readAt(qint64 offset, qint64 length, QByteArray* out) {
    if (const int injected = atFileOperationSeam("read")) return fail(injected);
    out->resize(length);
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(m_fd, out->data() + done, static_cast<size_t>(length - done),
                                  static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (n == 0)
            break;
        done += n;
    }
    out->resize(done);
    return Status::Ok;
}

LockedFile::Status LockedFile::writeAt(qint64 offset, const QByteArray& data) {
    if (const int injected = atFileOperationSeam("write")) return fail(injected);
    qint64 done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pwrite(m_fd, data.constData() + done,
                                   static_cast<size_t>(data.size() - done),
                                   static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        done += n;
    }
    return Status::Ok;
}

LockedFile::Status LockedFile::truncate(qint64 length) {
    return ::ftruncate(m_fd, static_cast<off_t>(length)) == 0 ? Status::Ok : fail(errno);
}

#else // _WIN32

namespace {
// Win32 calls take backslashes; a Japanese folder name on the share stays wide throughout.
std::wstring nativePath(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

// Every opener shares read, write and delete: a teacher's erase must be able to replace the file
// while pupils' computers have it open, and they must be able to keep appending.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
} // namespace

LockedFile::Status LockedFile::fail(int code, bool lockStep) {
    m_errorCode = code;
    m_errorText = systemErrorText(code);
    // A sharing violation on open is "file already open" (another computer mid-operation);
    // access denied on open is a refusal, not a lock.
    if (code == ERROR_LOCK_VIOLATION || code == ERROR_SHARING_VIOLATION ||
        (lockStep && code == ERROR_ACCESS_DENIED))
        return Status::Locked;
    // On an open file: the share went away and came back, or the file was replaced under the
    // handle. The path names the file to use now.
    // Other network errors stay failures: a stale read is taken as "nothing more to read".
    if (lockStep && (code == ERROR_NETNAME_DELETED || code == ERROR_FILE_INVALID))
        return Status::Stale;
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
        return Status::NotFound;
    return Status::Failed;
}

namespace {
// The tests' seam speaks errno; these are the Windows answers to the same conditions.
DWORD windowsCodeFor(int injected) {
    switch (injected) {
    case EAGAIN:
    case EACCES:
        return ERROR_LOCK_VIOLATION;
    case kStaleHandleErrno:
    case ENOENT:
        return ERROR_NETNAME_DELETED;
    case ENOSPC:
        return ERROR_DISK_FULL;
    default:
        return ERROR_GEN_FAILURE;
    }
}
} // namespace

LockedFile::Status LockedFile::openWith(const QString& path, bool write, bool create) {
    close();
    const std::wstring native = nativePath(path);
    const DWORD access = write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    auto openAs = [&](DWORD disposition) {
        return CreateFileW(native.c_str(), access, kShareAll, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE h = openAs(OPEN_EXISTING);
    // Another computer replacing the file renames the old one away and then the new one in: a
    // name missing for that moment must not be made into a new, empty file.
    auto missing = [&] { return h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND; };
    for (int again = 0; create && again < 2 && missing(); ++again) {
        Sleep(50);
        h = openAs(OPEN_EXISTING);
    }
    if (create && missing()) h = openAs(OPEN_ALWAYS);
    if (h == INVALID_HANDLE_VALUE)
        return fail(static_cast<int>(GetLastError()), false);
    m_handle = h;
    return Status::Ok;
}

// The volume serial number and file index identify a file as device and inode do.
LockedFile::Status LockedFile::namesOpenFile(const QString& path, bool* same) {
    BY_HANDLE_FILE_INFORMATION mine{}, named{};
    if (!GetFileInformationByHandle(static_cast<HANDLE>(m_handle), &mine))
        return fail(static_cast<int>(GetLastError()), false);
    HANDLE h = CreateFileW(nativePath(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND)
            return fail(static_cast<int>(code), false);
        *same = false; // gone: a reopen creates or finds the new one
        return Status::Ok;
    }
    const BOOL got = GetFileInformationByHandle(h, &named);
    const DWORD code = GetLastError();
    CloseHandle(h);
    if (!got) return fail(static_cast<int>(code), false);
    *same = mine.dwVolumeSerialNumber == named.dwVolumeSerialNumber &&
            mine.nFileIndexHigh == named.nFileIndexHigh &&
            mine.nFileIndexLow == named.nFileIndexLow;
    return Status::Ok;
}

// One rename that replaces the target even while others hold it open (with delete sharing),
// as a rename does on Linux: Windows 10 on NTFS. Elsewhere (older systems, some shares, Wine)
// it is refused, and the caller falls back to ReplaceFileW.
static bool renameReplacingOpenFile(const std::wstring& from, const std::wstring& to) {
    constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
    constexpr DWORD kReplaceIfExists = 0x1, kPosixSemantics = 0x2;
    HANDLE h = CreateFileW(from.c_str(), DELETE | SYNCHRONIZE, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const DWORD nameBytes = static_cast<DWORD>(to.size() * sizeof(wchar_t));
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    *reinterpret_cast<DWORD*>(info) = kReplaceIfExists | kPosixSemantics; // the Flags member
    info->RootDirectory = nullptr;
    info->FileNameLength = nameBytes;
    std::copy(to.begin(), to.end(), info->FileName);
    info->FileName[to.size()] = L'\0';
    const BOOL ok = SetFileInformationByHandle(h, kFileRenameInfoEx, info,
                                               static_cast<DWORD>(buffer.size()));
    CloseHandle(h);
    return ok;
}

// Several computers may replace files in the same shared folder: the new file's name is
// unique to this computer, process and moment, and is created only if it does not exist. The
// folder's permissions are asked by this creation itself, never by its attributes.
static HANDLE createFreshBeside(const QString& absolute, QString* fresh) {
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 16 && h == INVALID_HANDLE_VALUE; ++attempt) {
        *fresh = replacementNameBeside(absolute);
        h = CreateFileW(nativePath(*fresh).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    return h;
}

QString tryNewFileBeside(const QString& path) {
    QString fresh;
    const HANDLE h = createFreshBeside(QFileInfo(path).absoluteFilePath(), &fresh);
    if (h == INVALID_HANDLE_VALUE)
        return folderProblem(path, InFolder::Create, static_cast<int>(GetLastError()));
    CloseHandle(h);
    DeleteFileW(nativePath(fresh).c_str());
    return {};
}

QString replaceFileWhole(const QString& path, const QByteArray& bytes) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QString fresh;
    const HANDLE h = createFreshBeside(absolute, &fresh);
    if (h == INVALID_HANDLE_VALUE)
        return folderProblem(path, InFolder::Create, static_cast<int>(GetLastError()));
    const std::wstring freshW = nativePath(fresh), targetW = nativePath(absolute);
    auto failed = [&](DWORD code, InFolder step = InFolder::Write) {
        DeleteFileW(freshW.c_str());
        return folderProblem(path, step, static_cast<int>(code));
    };
    qint64 done = 0;
    while (done < bytes.size()) {
        DWORD put = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<qint64>(bytes.size() - done, 1 << 30));
        if (!WriteFile(h, bytes.constData() + done, chunk, &put, nullptr)) {
            const DWORD code = GetLastError();
            CloseHandle(h);
            return failed(code);
        }
        done += put;
    }
    if (!FlushFileBuffers(h)) {
        const DWORD code = GetLastError();
        CloseHandle(h);
        return failed(code);
    }
    CloseHandle(h);
    if (const int injected = atFileOperationSeam("replacement-written"))
        return failed(windowsCodeFor(injected), InFolder::Replace);
    if (renameReplacingOpenFile(freshW, targetW)) {
        atFileOperationSeam("replaced");
        return {};
    }
    // Otherwise: ReplaceFileW works while other processes (the caller itself included) have the old file
    // open with delete sharing; MoveFileExW with MOVEFILE_REPLACE_EXISTING is refused then.
    // ReplaceFileW needs an existing file to replace, so a missing one takes the move. A
    // reader that opened the file without delete sharing holds it for milliseconds: try again
    // for up to two seconds before reporting the refusal.
    bool oldMayBeGone = false;
    for (int attempt = 0;; ++attempt) {
        const bool missing = GetFileAttributesW(targetW.c_str()) == INVALID_FILE_ATTRIBUTES;
        // Once the old file may be gone, a file that has appeared at the name is another
        // computer's (a run appended to it, perhaps): it is never replaced, only reported.
        const bool replaced =
            missing ? MoveFileExW(freshW.c_str(), targetW.c_str(), MOVEFILE_WRITE_THROUGH)
                    : !oldMayBeGone && ReplaceFileW(targetW.c_str(), freshW.c_str(), nullptr,
                                                    REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                                                    nullptr);
        if (replaced) {
            atFileOperationSeam("replaced");
            return {};
        }
        const DWORD code = !missing && oldMayBeGone ? ERROR_ALREADY_EXISTS : GetLastError();
        // ReplaceFileW renames the old file away before it renames the new one in; when the
        // second rename fails the old file may be gone, and the new file holds the data.
        oldMayBeGone = oldMayBeGone || code == ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
                       code == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
        const bool transient =
            oldMayBeGone || code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED ||
            code == ERROR_UNABLE_TO_REMOVE_REPLACED || code == ERROR_ALREADY_EXISTS;
        if (transient && attempt < 20) {
            Sleep(100);
            continue;
        }
        if (!oldMayBeGone) return failed(code, InFolder::Replace);
        return QStringLiteral("%1 (新しい内容は %2 にあります)")
            .arg(folderProblem(path, InFolder::Replace, static_cast<int>(code)),
                 QDir::toNativeSeparators(fresh));
    }
}

void LockedFile::close() {
    if (m_handle) {
        // A lock dropped by closing is released when the system gets round to it; other
        // computers waiting for it should not wait for that.
        OVERLAPPED ov{};
        UnlockFileEx(static_cast<HANDLE>(m_handle), 0, MAXDWORD, MAXDWORD, &ov);
        CloseHandle(static_cast<HANDLE>(m_handle));
    }
    m_handle = nullptr;
}

bool LockedFile::isOpen() const { return m_handle != nullptr; }

LockedFile::Status LockedFile::size(qint64* bytes) {
    if (const int injected = atFileOperationSeam("size")) return fail(windowsCodeFor(injected));
    LARGE_INTEGER li;
    if (!GetFileSizeEx(static_cast<HANDLE>(m_handle), &li))
        return fail(static_cast<int>(GetLastError()));
    *bytes = li.QuadPart;
    return Status::Ok;
}

LockedFile::Status LockedFile::lockExclusive() {
    if (const int injected = atFileOperationSeam("lock")) return fail(windowsCodeFor(injected));
    OVERLAPPED ov{};
    if (LockFileEx(static_cast<HANDLE>(m_handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                   MAXDWORD, MAXDWORD, &ov))
        return Status::Ok;
    return fail(static_cast<int>(GetLastError()));
}

LockedFile::Status LockedFile::lockShared() {
    if (const int injected = atFileOperationSeam("lock")) return fail(windowsCodeFor(injected));
    OVERLAPPED ov{};
    if (LockFileEx(static_cast<HANDLE>(m_handle), LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &ov))
        return Status::Ok;
    return fail(static_cast<int>(GetLastError()));
}

LockedFile::Status LockedFile::unlock() {
    OVERLAPPED ov{};
    if (UnlockFileEx(static_cast<HANDLE>(m_handle), 0, MAXDWORD, MAXDWORD, &ov))
        return Status::Ok;
    return fail(static_cast<int>(GetLastError()));
}

LockedFile::Status LockedFile::readAt(qint64 offset, qint64 length, QByteArray* out) {
    if (const int injected = atFileOperationSeam("read")) return fail(windowsCodeFor(injected));
    out->resize(length);
    // A share may answer with less than asked: read on until the length or the end of the file.
    qint64 done = 0;
    while (done < length) {
        OVERLAPPED ov{};
        ov.Offset = static_cast<DWORD>((offset + done) & 0xFFFFFFFF);
        ov.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<qint64>(length - done, 1 << 30));
        DWORD got = 0;
        if (!ReadFile(static_cast<HANDLE>(m_handle), out->data() + done, chunk, &got, &ov)) {
            const DWORD code = GetLastError();
            if (code == ERROR_HANDLE_EOF) break;
            return fail(static_cast<int>(code));
        }
        if (got == 0) break;
        done += got;
    }
    out->resize(done);
    return Status::Ok;
}

LockedFile::Status LockedFile::writeAt(qint64 offset, const QByteArray& data) {
    if (const int injected = atFileOperationSeam("write")) return fail(windowsCodeFor(injected));
    OVERLAPPED ov{};
    ov.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD put = 0;
    if (!WriteFile(static_cast<HANDLE>(m_handle), data.constData(), static_cast<DWORD>(data.size()), &put, &ov))
        return fail(static_cast<int>(GetLastError()));
    if (put != static_cast<DWORD>(data.size()))
        return fail(
            ERROR_WRITE_FAULT); // a full disk or share: never leave a torn record unreported
    return Status::Ok;
}

LockedFile::Status LockedFile::truncate(qint64 length) {
    LARGE_INTEGER li;
    li.QuadPart = length;
    if (!SetFilePointerEx(static_cast<HANDLE>(m_handle), li, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(static_cast<HANDLE>(m_handle)))
        return fail(static_cast<int>(GetLastError()));
    return Status::Ok;
}

#endif

} // namespace kz
