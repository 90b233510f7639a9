#include "shared_file.h"
#include "shared_file_windows.h"

#include <algorithm>
#include <QDir>
#include <string>
#include <windows.h>

namespace kz {

int systemCodeForErrno(int injected) {
    switch (injected) {
    case EAGAIN:
    case EACCES:
        return ERROR_LOCK_VIOLATION;
    case kStaleHandleErrno:
    case ENOENT:
        return ERROR_NETNAME_DELETED;
    case kInUseErrno:
        return ERROR_SHARING_VIOLATION;
    case ENOSPC:
        return ERROR_DISK_FULL;
    default:
        return ERROR_GEN_FAILURE;
    }
}

FileCondition conditionOf(int code, bool onOpenFile) {
    // Access denied on an open is a refusal; on a lock, read or write it is another's lock.
    if (code == ERROR_LOCK_VIOLATION || (onOpenFile && code == ERROR_ACCESS_DENIED))
        return FileCondition::Locked;
    if (code == ERROR_SHARING_VIOLATION) return FileCondition::InUse;
    // On an open file: the share went away and came back, or the file was replaced under the
    // handle; the path names the file to use now. Other network errors stay failures.
    if (onOpenFile && (code == ERROR_NETNAME_DELETED || code == ERROR_FILE_INVALID))
        return FileCondition::Stale;
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
        return FileCondition::NotFound;
    return FileCondition::Failed;
}

NativeFile openShared(const QString& path, bool write, bool create, int* code) {
    const std::wstring native = nativePath(path);
    auto openAs = [&](DWORD disposition) {
        if (const int injected = write ? atFileOperationSeam("open") : 0) {
            SetLastError(static_cast<DWORD>(injected));
            return INVALID_HANDLE_VALUE;
        }
        return CreateFileW(native.c_str(), write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                           kShareAll, nullptr,
                           disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE h = openAs(OPEN_EXISTING);
    auto missing = [&] { return h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND; };
    if (create && missing() && missingAfterAMoment([&] {
            h = openAs(OPEN_EXISTING);
            return !missing();
        }))
        h = openAs(OPEN_ALWAYS);
    if (h == INVALID_HANDLE_VALUE) {
        *code = static_cast<int>(GetLastError());
        return kNoFile;
    }
    return reinterpret_cast<NativeFile>(h);
}

void closeShared(NativeFile file) {
    if (file == kNoFile) return;
    // A lock dropped by closing is released when the system gets round to it; other
    // computers waiting for it should not wait for that.
    OVERLAPPED ov{};
    UnlockFileEx(reinterpret_cast<HANDLE>(file), 0, MAXDWORD, MAXDWORD, &ov);
    CloseHandle(reinterpret_cast<HANDLE>(file));
}

bool sizeShared(NativeFile file, qint64* bytes, int* code) {
    if ((*code = atFileOperationSeam("size"))) return false;
    LARGE_INTEGER li{};
    if (!GetFileSizeEx(reinterpret_cast<HANDLE>(file), &li)) {
        *code = static_cast<int>(GetLastError());
        return false;
    }
    *bytes = li.QuadPart;
    return true;
}

bool readShared(NativeFile file, qint64 offset, qint64 length, QByteArray* out, int* code) {
    if ((*code = atFileOperationSeam("read"))) return false;
    out->resize(length);
    qint64 done = 0;
    while (done < length) {
        OVERLAPPED ov{};
        ov.Offset = static_cast<DWORD>((offset + done) & 0xFFFFFFFF);
        ov.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<qint64>(length - done, 1 << 30));
        DWORD got = 0;
        if (!ReadFile(reinterpret_cast<HANDLE>(file), out->data() + done, chunk, &got, &ov)) {
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF) break;
            *code = static_cast<int>(error);
            out->clear();
            return false;
        }
        if (got == 0) break;
        done += got;
    }
    out->resize(done);
    return true;
}

} // namespace kz
