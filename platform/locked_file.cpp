#include "locked_file.h"

#include <QFile>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kz {

LockedFile::~LockedFile() { close(); }

#ifndef _WIN32

LockedFile::Status LockedFile::fail(int code) {
    m_errorCode = code;
    m_errorText = QString::fromLocal8Bit(std::strerror(code));
    if (code == EAGAIN || code == EACCES || code == EWOULDBLOCK)
        return Status::Locked;
    if (code == ENOENT || code == ENOTDIR)
        return Status::NotFound;
    return Status::Failed;
}

LockedFile::Status LockedFile::open(const QString& path, bool create) {
    close();
    const QByteArray native = QFile::encodeName(path);
    int flags = O_RDWR | O_CLOEXEC;
    if (create)
        flags |= O_CREAT;
    m_fd = ::open(native.constData(), flags, 0666);
    if (m_fd < 0)
        return fail(errno);
    return Status::Ok;
}

void LockedFile::close() {
    if (m_fd >= 0)
        ::close(m_fd); // closing the description also drops its OFD locks
    m_fd = -1;
}

bool LockedFile::isOpen() const { return m_fd >= 0; }

LockedFile::Status LockedFile::size(qint64* bytes) {
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
    return setLock(m_fd, F_WRLCK) == 0 ? Status::Ok : fail(errno);
}

LockedFile::Status LockedFile::lockShared() {
    return setLock(m_fd, F_RDLCK) == 0 ? Status::Ok : fail(errno);
}

LockedFile::Status LockedFile::unlock() {
    return setLock(m_fd, F_UNLCK) == 0 ? Status::Ok : fail(errno);
}

LockedFile::Status LockedFile::readAt(qint64 offset, qint64 length, QByteArray* out) {
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

LockedFile::Status LockedFile::fail(int code) {
    m_errorCode = code;
    wchar_t* buf = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&buf), 0, nullptr);
    m_errorText = buf ? QString::fromWCharArray(buf).trimmed() : QString::number(code);
    if (buf)
        LocalFree(buf);
    if (code == ERROR_LOCK_VIOLATION || code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED)
        return Status::Locked;
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
        return Status::NotFound;
    return Status::Failed;
}

LockedFile::Status LockedFile::open(const QString& path, bool create) {
    close();
    HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return fail(static_cast<int>(GetLastError()));
    m_handle = h;
    return Status::Ok;
}

void LockedFile::close() {
    if (m_handle)
        CloseHandle(static_cast<HANDLE>(m_handle));
    m_handle = nullptr;
}

bool LockedFile::isOpen() const { return m_handle != nullptr; }

LockedFile::Status LockedFile::size(qint64* bytes) {
    LARGE_INTEGER li;
    if (!GetFileSizeEx(static_cast<HANDLE>(m_handle), &li))
        return fail(static_cast<int>(GetLastError()));
    *bytes = li.QuadPart;
    return Status::Ok;
}

LockedFile::Status LockedFile::lockExclusive() {
    OVERLAPPED ov{};
    if (LockFileEx(static_cast<HANDLE>(m_handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                   MAXDWORD, MAXDWORD, &ov))
        return Status::Ok;
    return fail(static_cast<int>(GetLastError()));
}

LockedFile::Status LockedFile::lockShared() {
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
    out->resize(length);
    OVERLAPPED ov{};
    ov.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(static_cast<HANDLE>(m_handle), out->data(), static_cast<DWORD>(length), &got, &ov) &&
        GetLastError() != ERROR_HANDLE_EOF)
        return fail(static_cast<int>(GetLastError()));
    out->resize(got);
    return Status::Ok;
}

LockedFile::Status LockedFile::writeAt(qint64 offset, const QByteArray& data) {
    OVERLAPPED ov{};
    ov.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD put = 0;
    if (!WriteFile(static_cast<HANDLE>(m_handle), data.constData(), static_cast<DWORD>(data.size()), &put, &ov))
        return fail(static_cast<int>(GetLastError()));
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
