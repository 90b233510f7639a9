#pragma once
#include <QByteArray>
#include <QString>

namespace kz {

// A file opened for shared reading and writing, with whole-file byte-range locks that every
// process on every computer sharing the folder respects (Linux: fcntl OFD locks, Windows:
// LockFileEx). Each operation reports how it failed, so callers can apply their retry rules.
class LockedFile {
public:
    enum class Status {
        Ok,
        Locked,   // another process holds a conflicting lock: wait and try again
        NotFound, // the file (or its folder) does not exist
        Failed,   // anything else, a refused open included; see errorText()
    };

    LockedFile() = default;
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    // Read and write access; create makes a missing file. A refused open (no permission, a
    // read-only share) is Failed, never Locked: only a lock conflict is worth waiting for.
    Status open(const QString& path, bool create);
    // Read access only, so a share that grants no write access can still be read.
    Status openReadOnly(const QString& path);
    void close();
    bool isOpen() const;

    Status size(qint64* bytes);
    Status lockExclusive(); // write lock on the whole file
    Status lockShared();    // read lock on the whole file
    Status unlock();
    Status readAt(qint64 offset, qint64 length, QByteArray* out); // short at end of file
    Status writeAt(qint64 offset, const QByteArray& data);
    Status truncate(qint64 length);
    // Whether path still names the file this object has open (same device and inode). A
    // file replaced by a rename since it was opened no longer does: reopen before writing.
    Status namesOpenFile(const QString& path, bool* same);

    QString errorText() const { return m_errorText; }
    int errorCode() const { return m_errorCode; }

private:
    // lockStep: the code came from a lock, read or write, where a conflict means "locked".
    Status fail(int code, bool lockStep = true);
    Status openWith(const QString& path, bool write, bool create);
#ifdef _WIN32
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
    QString m_errorText;
    int m_errorCode = 0;
};

// Replaces the file at path by one holding bytes: the bytes go to a new file beside it, reach
// the disk, and one rename puts that file in the old one's place, so the path names either
// the complete old file or the complete new one at every moment, whatever stops the process.
// Returns an empty string or the error text.
QString replaceFileWhole(const QString& path, const QByteArray& bytes);

} // namespace kz
