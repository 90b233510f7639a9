#include "locked_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSysInfo>

namespace kz {

LockedFile::~LockedFile() { close(); }

bool againAfterStale(int* tries, const std::function<void()>& wait) {
    if (++*tries == 1) return true;
    if (wait) {
        wait();
        return true;
    }
    return *tries <= 3;
}

LockedFile::Status lockForWriting(LockedFile& f, const QString& path,
                                  const std::function<void()>& wait, int inUseWaits) {
    using Status = LockedFile::Status;
    int inUse = 0;
    for (int stale = 0;;) {
        Status st = untilUnlocked([&] { return f.open(path, true); }, wait);
        // Another program holding the file may hold it for hours: wait a while, then say so.
        if (st == Status::InUse && wait && (inUseWaits == kWaitWithoutLimit || inUse++ < inUseWaits)) {
            wait();
            continue;
        }
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

QString folderProblem(const QString& path, InFolder step, int code) {
    static const char16_t* const what[] = {u"新しいファイルを作れません", u"新しいファイルを書けません",
                                           u"ファイルを置き換えられません"};
    const QString folder = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
    return QStringLiteral("フォルダ %1 で%2: %3")
        .arg(folder, QString::fromUtf16(what[static_cast<int>(step)]), systemErrorText(code));
}

QString inUseText(int code) {
    return QStringLiteral("ほかのプログラムがこのファイルを開いているので、何も記録していません。"
                          "そのプログラムでファイルを閉じてから、もう一度してください。（") +
           systemOwnErrorText(code) + u'）';
}

QString replaceSharedFile(const QString& path, const QByteArray& bytes,
                          const std::function<void()>& wait) {
    // The lock's open makes a missing file; one that the replacement then fails to fill must
    // not stay behind empty, where every computer would read it at start.
    const bool existed = QFileInfo::exists(path);
    LockedFile f;
    const LockedFile::Status st = lockForWriting(f, path, wait);
    if (st == LockedFile::Status::Locked) return f.errorText();
    if (st == LockedFile::Status::InUse) return inUseText(f.errorCode());
    // A file this computer may not open for writing (read-only, on a share that refuses locks)
    // is still replaced as before; the replacement reports what really stops it.
    const QString error = replaceFileWhole(path, bytes);
    qint64 left = -1;
    if (!error.isEmpty() && !existed && st == LockedFile::Status::Ok &&
        f.size(&left) == LockedFile::Status::Ok && left == 0)
        QFile::remove(path);
    return error;
}

LockedFile::Status LockedFile::fail(int code, bool lockStep) {
    m_errorCode = code;
    m_errorText = systemErrorText(code);
    switch (conditionOf(code, lockStep)) {
    case FileCondition::Locked: return Status::Locked;
    case FileCondition::InUse: return Status::InUse;
    case FileCondition::Stale: return Status::Stale;
    case FileCondition::NotFound: return Status::NotFound;
    case FileCondition::Failed: break;
    }
    return Status::Failed;
}

LockedFile::Status LockedFile::open(const QString& path, bool create) { return openWith(path, true, create); }
LockedFile::Status LockedFile::openReadOnly(const QString& path) { return openWith(path, false, false); }

LockedFile::Status LockedFile::openWith(const QString& path, bool write, bool create) {
    close();
    int code = 0;
    m_file = openShared(path, write, create, &code);
    if (m_file != kNoFile) return Status::Ok;
    const Status st = fail(code, false);
    // A reader meeting a program that holds the file waits as for a lock, as it always did.
    return st == Status::InUse && !write ? Status::Locked : st;
}

void LockedFile::close() {
    closeShared(m_file);
    m_file = kNoFile;
}

bool LockedFile::isOpen() const { return m_file != kNoFile; }

LockedFile::Status LockedFile::size(qint64* bytes) {
    int code = 0;
    return sizeShared(m_file, bytes, &code) ? Status::Ok : fail(code);
}

LockedFile::Status LockedFile::lockExclusive() {
    if (const int injected = atFileOperationSeam("lock")) return fail(injected);
    const int code = lockWhole(true);
    return code == 0 ? Status::Ok : fail(code);
}

LockedFile::Status LockedFile::lockShared() {
    if (const int injected = atFileOperationSeam("lock")) return fail(injected);
    const int code = lockWhole(false);
    return code == 0 ? Status::Ok : fail(code);
}

LockedFile::Status LockedFile::unlock() {
    const int code = unlockWhole();
    return code == 0 ? Status::Ok : fail(code);
}

LockedFile::Status LockedFile::readAt(qint64 offset, qint64 length, QByteArray* out) {
    int code = 0;
    return readShared(m_file, offset, length, out, &code) ? Status::Ok : fail(code);
}

LockedFile::Status LockedFile::writeAt(qint64 offset, const QByteArray& data) {
    if (const int injected = atFileOperationSeam("write")) return fail(injected);
    if (const int code = writeWhole(offset, data)) return fail(code);
    // The system took the write; a share can still lose the answer and report a failure.
    if (const int injected = atFileOperationSeam("written")) return fail(injected);
    return Status::Ok;
}

LockedFile::Status LockedFile::truncate(qint64 length) {
    const int code = truncateTo(length);
    return code == 0 ? Status::Ok : fail(code);
}

} // namespace kz
