#include "system_error.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#endif

namespace kz {

namespace {

enum class Cause { Other, NoPermission, DiskFull, InUse, NetworkGone, Missing };

// The one table of explanations; the codes of each system map onto its causes below.
QString explanation(Cause cause) {
    switch (cause) {
    case Cause::NoPermission:
        return QStringLiteral("このユーザーには書き込み（または読み取り）が許可されていません");
    case Cause::DiskFull:
        return QStringLiteral("ディスク（共有）がいっぱいです");
    case Cause::InUse:
        return QStringLiteral("ほかのプログラムかコンピューターがファイルを使っています");
    case Cause::NetworkGone:
        return QStringLiteral("ネットワークの共有フォルダにつながりません");
    case Cause::Missing:
        return QStringLiteral("ファイルかフォルダがありません");
    case Cause::Other:
        break;
    }
    return {};
}

Cause causeOf(int code) {
#ifdef _WIN32
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
#else
    switch (code) {
    case EACCES:
    case EPERM:
    case EROFS:
        return Cause::NoPermission;
    case ENOSPC:
    case EDQUOT:
        return Cause::DiskFull;
    case EAGAIN: // a lock another process holds (EWOULDBLOCK is the same code here)
    case EBUSY:
    case ETXTBSY:
        return Cause::InUse;
    case ESTALE:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
    case ENOTCONN:
    case ECONNRESET:
    case ECONNABORTED:
    case ENOLINK:
        return Cause::NetworkGone;
    case ENOENT:
    case ENOTDIR:
        return Cause::Missing;
    default:
        return Cause::Other;
    }
#endif
}

} // namespace

QString systemOwnErrorText(int code) {
#ifdef _WIN32
    wchar_t* buf = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&buf), 0,
                   nullptr);
    QString text = buf ? QString::fromWCharArray(buf).trimmed() : QString();
    if (buf) LocalFree(buf);
    return text.isEmpty() ? QStringLiteral("Windows error ") + QString::number(code) : text;
#else
    return QString::fromLocal8Bit(std::strerror(code));
#endif
}

QString systemErrorText(int code) {
    const QString own = systemOwnErrorText(code);
    const QString why = explanation(causeOf(code));
    return why.isEmpty() ? own : why + u'（' + own + u'）';
}

} // namespace kz
