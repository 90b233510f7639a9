#pragma once
#include "shell/shared_file.h"

#include <functional>
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
        Stale,    // the open file is gone from under the handle (an NFS "stale file handle", a
                  // vanished file): open the path again and repeat the operation
        InUse,    // another program holds the file open without sharing it for writing (a
                  // teacher looking at it in a spreadsheet): wait a bounded time, then give up
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
    // The system's side (locked_file_posix.cpp, locked_file_windows.cpp): 0 or the system's code.
    int lockWhole(bool exclusive);
    int unlockWhole();
    int writeWhole(qint64 offset, const QByteArray& data);
    int truncateTo(qint64 length);
    NativeFile m_file = kNoFile;
    QString m_errorText;
    int m_errorCode = 0;
};

// How many waits a writer spends on a file another program holds open (InUse) before it gives
// up: with the program's one-second wait, about ten seconds. A pupil's run waits without limit.
inline constexpr int kInUseWaits = 10;
inline constexpr int kWaitWithoutLimit = -1;

// Opens path for writing (creating it) and takes the whole-file write lock, each step retried
// through wait while another computer holds the lock (no wait: Locked is returned). An open
// refused because another program holds the file is waited for inUseWaits times, then InUse
// is returned. After locking, the path must still name the open file: one replaced meanwhile
// is dropped and the new one opened, so nothing is written into a file that no longer has a name.
LockedFile::Status lockForWriting(LockedFile& f, const QString& path,
                                  const std::function<void()>& wait,
                                  int inUseWaits = kInUseWaits);

// Runs one step until it no longer meets another computer's lock, waiting between tries (no
// wait: the first Locked is returned); after maxWaits waits (unless kWaitWithoutLimit) the
// Locked is returned too.
template <typename Op>
LockedFile::Status untilUnlocked(Op&& op, const std::function<void()>& wait,
                                 int maxWaits = kWaitWithoutLimit) {
    for (int waited = 0;; ++waited) {
        const LockedFile::Status st = op();
        if (st != LockedFile::Status::Locked || !wait || waited == maxWaits) return st;
        wait();
    }
}

// After a stale handle: whether to open the path again and repeat. The first time at once; a
// share that keeps answering so is waited for (without a wait, a few tries and then no).
bool againAfterStale(int* tries, const std::function<void()>& wait);

// A name beside path for a file that will replace it, unique across the computers sharing the
// folder: host, process and a random part.
QString replacementNameBeside(const QString& path);

// Whether a new file can be made beside path, as a replacement makes one (the teacher's erase,
// the criteria save): a uniquely named file is created and removed at once. Empty, or what
// stops it, naming the folder.
QString tryNewFileBeside(const QString& path);

// Why a replacement failed names the folder: the new file is made, written and renamed there,
// so the folder's permissions and free space are what stop it, not the file's.
enum class InFolder { Create, Write, Replace };
QString folderProblem(const QString& path, InFolder step, int code);

// Replaces the file at path by one holding bytes: the bytes go to a new file beside it
// (created exclusively, with the user's umask; an existing file's permissions are kept), reach
// the disk, and one rename puts that file in the old one's place, so the path names either
// the complete old file or the complete new one at every moment, whatever stops the process.
// The new file is removed again when any step fails. Returns an empty string or the error text,
// which names the folder.
QString replaceFileWhole(const QString& path, const QByteArray& bytes);

// The same for a file that other computers replace too (the criteria file): the replacement
// happens under the old file's write lock, so two computers saving at once take turns.
// Another program holding the file (InUse) is waited for kInUseWaits times; then the text
// says so and that nothing was saved.
QString replaceSharedFile(const QString& path, const QByteArray& bytes,
                          const std::function<void()>& wait);

// The text for a save or change given up because another program holds the file: what to do,
// then the system's own text.
QString inUseText(int code);

} // namespace kz
