#include "text_codec.h"
#include "system_error.h"

#include <algorithm>
#include <QFile>
#include <QSaveFile>
#include <unicode/ucnv.h>

#include <QDir>
#ifdef _WIN32
#include <string>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kz {

// ICU's converter for code page 932, called directly rather than through Qt, so that the same
// converter serves wherever the program runs (a Qt built without ICU has none for it).
static constexpr const char* kCodec = "windows-31j";

namespace {
// One converter per thread, reset before each use: opening one costs more than converting a
// record's short fields. Stops at the first sequence the code page does not hold.
UConverter* converter() {
    struct Holder {
        UConverter* cnv = nullptr;
        Holder() {
            UErrorCode status = U_ZERO_ERROR;
            cnv = ucnv_open(kCodec, &status);
            if (U_FAILURE(status)) {
                cnv = nullptr;
                return;
            }
            ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
            ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                                  &status);
        }
        ~Holder() {
            if (cnv) ucnv_close(cnv);
        }
    };
    thread_local Holder holder;
    if (holder.cnv) ucnv_reset(holder.cnv);
    return holder.cnv;
}
} // namespace

bool decodeCp932(const QByteArray& bytes, QString* out, qsizetype* badOffset) {
    UConverter* cnv = converter();
    if (!cnv) {
        if (badOffset) *badOffset = 0;
        return false;
    }
    // One byte never becomes more than one UTF-16 unit in this code page.
    QString text(bytes.size() + 1, Qt::Uninitialized);
    UChar* target = reinterpret_cast<UChar*>(text.data());
    UChar* const targetStart = target;
    const char* source = bytes.constData();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(cnv, &target, targetStart + text.size(), &source, source + bytes.size(), nullptr,
                   true, &status);
    if (U_FAILURE(status)) {
        if (badOffset) {
            // The source stops just past the refused bytes (a lone lead byte at the end included).
            char invalid[32];
            int8_t invalidLength = sizeof invalid;
            UErrorCode ignored = U_ZERO_ERROR;
            ucnv_getInvalidChars(cnv, invalid, &invalidLength, &ignored);
            *badOffset = std::max<qsizetype>(0, source - bytes.constData() - invalidLength);
        }
        return false;
    }
    if (out) {
        text.truncate(target - targetStart);
        *out = text;
    }
    return true;
}

QByteArray encodeCp932(const QString& text, bool* ok) {
    UConverter* cnv = converter();
    if (ok) *ok = cnv != nullptr;
    if (!cnv) return QByteArray(text.size(), '?');
    QByteArray bytes;
    const UChar* source = reinterpret_cast<const UChar*>(text.utf16());
    const UChar* const sourceEnd = source + text.size();
    while (true) {
        // At most two bytes for each UTF-16 unit.
        const qsizetype had = bytes.size();
        bytes.resize(had + 2 * (sourceEnd - source) + 2);
        char* target = bytes.data() + had;
        UErrorCode status = U_ZERO_ERROR;
        ucnv_fromUnicode(cnv, &target, bytes.data() + bytes.size(), &source, sourceEnd, nullptr,
                         true, &status);
        bytes.truncate(target - bytes.constData());
        if (U_SUCCESS(status)) break;
        // A character the code page cannot hold (a surrogate pair counts as one) becomes one "?";
        // the source is already past it.
        bytes.append('?');
        if (ok) *ok = false;
        ucnv_reset(cnv);
        if (source >= sourceEnd) break;
    }
    return bytes;
}

static bool isLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

QByteArray fixedCp932Field(const QString& text, int width) {
    QByteArray bytes = encodeCp932(text);
    if (bytes.size() > width) {
        // Walk characters so that a lead byte is never separated from its trail byte.
        qsizetype i = 0;
        while (i < width) {
            const bool lead = isLeadByte(static_cast<unsigned char>(bytes[i]));
            if (lead && i + 1 >= width)
                break;
            i += lead ? 2 : 1;
        }
        bytes.truncate(i);
    }
    while (bytes.size() < width)
        bytes.append(' ');
    return bytes;
}

#ifdef _WIN32
namespace {
enum class WholeRead { Ok, Missing, Failed };

// Reads a whole file, sharing read, write and delete with every other opener. Another
// computer's save renames the old file away and the new one in, and holds the old file's lock
// meanwhile (Windows locks stop reads too): a name missing for that moment, or a read refused
// by the lock, is tried again for up to four seconds, longer than a save holds the lock.
WholeRead readWholeFile(const QString& path, QByteArray* bytes, QString* why) {
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    DWORD code = 0;
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (attempt > 0) Sleep(100);
        HANDLE h = CreateFileW(native.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            code = GetLastError();
            if ((code == ERROR_FILE_NOT_FOUND && attempt < 2) || code == ERROR_SHARING_VIOLATION)
                continue;
            if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return WholeRead::Missing;
            break;
        }
        LARGE_INTEGER size{};
        bool ok = GetFileSizeEx(h, &size);
        bytes->resize(ok ? static_cast<qsizetype>(size.QuadPart) : 0);
        qsizetype done = 0;
        while (ok && done < bytes->size()) {
            DWORD got = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<qsizetype>(bytes->size() - done, 1 << 30));
            ok = ReadFile(h, bytes->data() + done, chunk, &got, nullptr);
            if (ok && got == 0) break; // it shrank meanwhile
            done += got;
        }
        code = ok ? 0 : GetLastError();
        CloseHandle(h);
        if (ok) {
            bytes->resize(done);
            return WholeRead::Ok;
        }
        if (code != ERROR_LOCK_VIOLATION) break;
    }
    *why = systemErrorText(static_cast<int>(code));
    return WholeRead::Failed;
}
} // namespace
#endif

TextFile readCp932File(const QString& path) {
    TextFile result;
    QByteArray bytes;
    const QString shown = QDir::toNativeSeparators(path); // as the school writes it
#ifdef _WIN32
    QString why;
    switch (readWholeFile(path, &bytes, &why)) {
    case WholeRead::Missing:
        result.error = QStringLiteral("ファイルがありません: %1").arg(shown);
        return result;
    case WholeRead::Failed:
        result.error = QStringLiteral("ファイルを開けません: %1 (%2)").arg(shown, why);
        return result;
    case WholeRead::Ok:
        break;
    }
#else
    // Open first and ask nothing before: while another computer renames a new file over this
    // one, a separate existence check can meet the name between the two files. Only the open's
    // own answer says "missing".
    int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    int openError = fd < 0 ? errno : 0;
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) { // a folder opens, but is no file
        ::close(fd);
        fd = -1;
        openError = EISDIR;
    }
    if (openError == ENOENT || openError == ENOTDIR) {
        result.error = QStringLiteral("ファイルがありません: %1").arg(shown);
        return result;
    }
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        const QString why =
            fd < 0 ? systemErrorText(openError) : file.errorString();
        result.error = QStringLiteral("ファイルを開けません: %1 (%2)").arg(shown, why);
        return result;
    }
    bytes = file.readAll();
    // A read that fails half-way (a share gone) must not pass for a short file.
    if (file.error() != QFileDevice::NoError) {
        result.error = QStringLiteral("ファイルを読めません: %1 (%2)").arg(shown, file.errorString());
        return result;
    }
#endif
    qsizetype bad = 0;
    if (!decodeCp932(bytes, &result.text, &bad)) {
        result.text.clear();
        result.error = QStringLiteral("Shift_JIS (CP932) として読めないバイトがあります: %1 (%2 バイト目)")
                           .arg(shown, QString::number(bad + 1));
    }
    return result;
}

QString writeCp932File(const QString& path, const QString& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("ファイルに書けません: %1 (%2)").arg(path, file.errorString());
    file.write(encodeCp932(text));
    if (!file.commit())
        return QStringLiteral("ファイルに書けません: %1 (%2)").arg(path, file.errorString());
    return {};
}

} // namespace kz
