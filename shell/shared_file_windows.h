#pragma once
// What the Windows file operations of every layer share.
#include <QDir>
#include <QString>
#include <string>
#include <windows.h>

namespace kz {

// Win32 calls take backslashes; a Japanese folder name on the share stays wide throughout.
inline std::wstring nativePath(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

// Every opener shares reading, writing and deleting (an erase replaces a file others hold).
inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

} // namespace kz
