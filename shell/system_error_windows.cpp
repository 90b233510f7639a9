// How Windows' error codes read for a teacher, and the system's own text of them.
#include "system_error.h"
#include "system_error_cause.h"

#include <windows.h>

namespace kz {

Cause causeOf(int code) {
    switch (static_cast<DWORD>(code)) {
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
        return Cause::NoPermission;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return Cause::DiskFull;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return Cause::InUse;
    case ERROR_NETNAME_DELETED:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_REM_NOT_LIST:
        return Cause::NetworkGone;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return Cause::Missing;
    default:
        return Cause::Other;
    }
}

void clearSystemError() {
    SetLastError(0);
}

int lastSystemError() {
    return static_cast<int>(GetLastError());
}

QString systemOwnErrorText(int code) {
    wchar_t* buf = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&buf), 0, nullptr);
    QString text = buf ? QString::fromWCharArray(buf).trimmed() : QString();
    if (buf) LocalFree(buf);
    return text.isEmpty() ? QStringLiteral("Windows error ") + QString::number(code) : text;
}

} // namespace kz
