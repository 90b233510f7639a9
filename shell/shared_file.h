#pragma once
#include <cerrno>
#include <functional>
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "shell/system_error.h" // systemErrorText: every error text of this layer

namespace kz {

// The bottom of every file operation on the school's share: opening a file that other
// computers have open too, reading it whole or in part, and what the system's answers mean.
// The text reader and the record file's layer both stand on it. One source file per system
// (shared_file_posix.cpp, shared_file_windows.cpp); the rules they share are in shared_file.cpp.

// The system's handle of an open file: a descriptor, or a Windows HANDLE (-1 is "none" for both).
using NativeFile = qintptr;
inline constexpr NativeFile kNoFile = -1;

// What a failed step met, from the system's error code.
enum class FileCondition {
    Locked,   // another computer's lock: wait and try again
    InUse,    // another program holds the file open without sharing it for writing
    Stale,    // the open file is gone from under the handle: open the path again
    NotFound, // the file or its folder does not exist
    Failed,   // anything else
};
// onOpenFile: the code came from a lock, read or write on an open handle, where a refusal
// means another computer's lock and a vanished file means "replaced". On an open it does not.
FileCondition conditionOf(int code, bool onOpenFile);

// Opens path sharing reading, writing and deleting with every other opener (a teacher's erase
// replaces the file while pupils' computers have it open). With create, a missing file is
// made, but only after a name missing for a moment has been waited out (see below).
// kNoFile and the system's code on failure.
NativeFile openShared(const QString& path, bool write, bool create, int* code);
void closeShared(NativeFile file);
// The file's length; the seam's "size" point comes first.
bool sizeShared(NativeFile file, qint64* bytes, int* code);
// Reads from offset until length bytes or the end of the file (a share may answer with less
// than asked); false and the system's code on failure. The seam's "read" point comes first.
bool readShared(NativeFile file, qint64 offset, qint64 length, QByteArray* out, int* code);

// Another computer replacing a file may rename the old one away before it renames the new one
// in (Windows' fallback does): a name missing for that moment is tried again this many times,
// this far apart, before it counts as missing.
inline constexpr int kMissingNameRetries = 2;
inline constexpr int kMissingNameWaitMs = 100;
// Whether path is missing for longer than such a moment: runs tryOpen (true: found) again.
bool missingAfterAMoment(const std::function<bool()>& tryOpen);

// A whole file read from the share. A read that meets another computer's lock (Windows' locks
// stop reads, and so do some shares) or a program holding the file is tried again for up to
// kLockedReadMs, longer than a save holds its lock.
struct WholeRead {
    enum class Result { Ok, Missing, OpenFailed, ReadFailed };
    Result result = Result::Ok;
    QByteArray bytes;
    QString why; // the system's text when not Ok
};
inline constexpr int kLockedReadMs = 4000;
inline constexpr int kLockedReadWaitMs = 100;
WholeRead readWholeShared(const QString& path);

// A file's length and last change as the system gives them, taken before the file is read: a
// later stamp that differs says the file may have changed since; an equal one that it has not
// been appended to nor replaced (an in-place change within the share's time resolution can
// pass unseen). A missing or unreadable file is never known, so it never matches.
struct FileStamp {
    qint64 size = -1;
    QDateTime modified;
    static FileStamp of(const QString& path);
    bool known() const { return size >= 0; }
    bool sameAs(const FileStamp& other) const {
        return known() && size == other.size && modified == other.modified;
    }
};

// A seam for the tests of the sharing rules, empty in the program. It is called at named
// points of the file operations: "open" (an open for writing), "lock", "read", "write",
// "size" (before that step on an open file), "written" (after a write the system took),
// "write-locked" (a writer holds the lock on the file its path names), "reopen" (the path
// named another file), "replacement-written" (before the rename) and "replaced" (after it).
// A non-zero return is an errno with which that step fails.
std::function<int(const char* point)>& fileOperationSeam();
// The seam's answer at point as the system's own error code (0: go on).
int atFileOperationSeam(const char* point);
// The seam's codes for a stale handle and for a file another program holds: Windows' C library
// has no ESTALE, and only Windows refuses opens for sharing.
#ifdef ESTALE
inline constexpr int kStaleHandleErrno = ESTALE;
#else
inline constexpr int kStaleHandleErrno = 116;
#endif
inline constexpr int kInUseErrno = ETXTBSY;

} // namespace kz
