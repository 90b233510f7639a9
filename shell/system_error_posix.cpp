// How errno codes read for a teacher, and the system's own text of them.
#include "system_error.h"
#include "system_error_cause.h"

#include <cerrno>
#include <cstring>

namespace kz {

Cause causeOf(int code) {
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
}

void clearSystemError() {
    errno = 0;
}

int lastSystemError() {
    return errno;
}

QString systemOwnErrorText(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace kz
