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
        Failed,   // anything else; see errorText()
    };

    LockedFile() = default;
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    Status open(const QString& path, bool create);
    void close();
    bool isOpen() const;

    Status size(qint64* bytes);
    Status lockExclusive(); // write lock on the whole file
    Status lockShared();    // read lock on the whole file
    Status unlock();
    Status readAt(qint64 offset, qint64 length, QByteArray* out); // short at end of file
    Status writeAt(qint64 offset, const QByteArray& data);
    Status truncate(qint64 length);

    QString errorText() const { return m_errorText; }
    int errorCode() const { return m_errorCode; }

private:
    Status fail(int code);
#ifdef _WIN32
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
    QString m_errorText;
    int m_errorCode = 0;
};

} // namespace kz
