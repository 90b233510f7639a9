#include "locked_file.h"
#include "shell/shared_file_windows.h"

#include <algorithm>
#include <QDir>
#include <QFileInfo>
#include <string>
#include <vector>
#include <windows.h>

namespace kz {

namespace {
HANDLE handleOf(NativeFile file) { return reinterpret_cast<HANDLE>(file); }

// A replacement given up because another program holds the file says so; anything else is
// the folder's problem.
QString replacementErrorText(const QString& path, InFolder step, DWORD code) {
    const int c = static_cast<int>(code);
    return conditionOf(c, false) == FileCondition::InUse ? inUseText(c)
                                                         : folderProblem(path, step, c);
}
} // namespace

// The volume serial number and file index identify a file as device and inode do.
LockedFile::Status LockedFile::namesOpenFile(const QString& path, bool* same) {
    BY_HANDLE_FILE_INFORMATION mine{}, named{};
    if (!GetFileInformationByHandle(handleOf(m_file), &mine))
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
        return replacementErrorText(path, InFolder::Create, GetLastError());
    CloseHandle(h);
    DeleteFileW(nativePath(fresh).c_str());
    return {};
}

QString replaceFileWhole(const QString& path, const QByteArray& bytes) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QString fresh;
    const HANDLE h = createFreshBeside(absolute, &fresh);
    if (h == INVALID_HANDLE_VALUE)
        return replacementErrorText(path, InFolder::Create, GetLastError());
    const std::wstring freshW = nativePath(fresh), targetW = nativePath(absolute);
    auto failed = [&](DWORD code, InFolder step = InFolder::Write) {
        DeleteFileW(freshW.c_str());
        return replacementErrorText(path, step, code);
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
        return failed(static_cast<DWORD>(injected), InFolder::Replace);
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
            .arg(replacementErrorText(path, InFolder::Replace, code),
                 QDir::toNativeSeparators(fresh));
    }
}

int LockedFile::lockWhole(bool exclusive) {
    OVERLAPPED ov{};
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    return LockFileEx(handleOf(m_file), flags, 0, MAXDWORD, MAXDWORD, &ov)
               ? 0
               : static_cast<int>(GetLastError());
}

int LockedFile::unlockWhole() {
    OVERLAPPED ov{};
    return UnlockFileEx(handleOf(m_file), 0, MAXDWORD, MAXDWORD, &ov)
               ? 0
               : static_cast<int>(GetLastError());
}

int LockedFile::writeWhole(qint64 offset, const QByteArray& data) {
    OVERLAPPED ov{};
    ov.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD put = 0;
    if (!WriteFile(handleOf(m_file), data.constData(), static_cast<DWORD>(data.size()), &put, &ov))
        return static_cast<int>(GetLastError());
    // A full disk or share: never leave a torn record unreported.
    return put == static_cast<DWORD>(data.size()) ? 0 : ERROR_WRITE_FAULT;
}

int LockedFile::truncateTo(qint64 length) {
    LARGE_INTEGER li;
    li.QuadPart = length;
    if (!SetFilePointerEx(handleOf(m_file), li, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(handleOf(m_file)))
        return static_cast<int>(GetLastError());
    return 0;
}

} // namespace kz
