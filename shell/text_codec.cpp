#include "text_codec.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kz {

static constexpr const char* kCodec = "windows-31j";

static bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// True when the bytes end in a lead byte with no trail byte: the decoder would keep it waiting
// for more input instead of reporting it.
static bool endsInLoneLeadByte(const QByteArray& bytes) {
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n) {
        if (isLeadByte(static_cast<unsigned char>(bytes[i]))) {
            if (i + 1 >= n)
                return true;
            i += 2;
        } else {
            ++i;
        }
    }
    return false;
}

bool decodeCp932(const QByteArray& bytes, QString* out, qsizetype* badOffset) {
    QStringDecoder decoder(kCodec);
    QString text = decoder.decode(bytes);
    if (!decoder.hasError() && !endsInLoneLeadByte(bytes)) {
        if (out)
            *out = text;
        return true;
    }
    if (badOffset) {
        // Find the first byte sequence the decoder refuses by decoding growing prefixes
        // one character at a time; only runs on the error path.
        qsizetype i = 0;
        *badOffset = 0;
        while (i < bytes.size()) {
            const bool lead = isLeadByte(static_cast<unsigned char>(bytes[i]));
            const qsizetype len = lead ? 2 : 1;
            QStringDecoder one(kCodec);
            const QString piece = one.decode(bytes.mid(i, len));
            Q_UNUSED(piece);
            if (one.hasError() || (lead && i + 1 >= bytes.size())) {
                *badOffset = i;
                break;
            }
            i += len;
        }
    }
    return false;
}

QByteArray encodeCp932(const QString& text, bool* ok) {
    QStringEncoder encoder(kCodec);
    QByteArray bytes = encoder.encode(text);
    if (ok)
        *ok = !encoder.hasError();
    if (encoder.hasError()) {
        // Re-encode character by character so that each unknown character becomes one "?".
        bytes.clear();
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            QStringEncoder one(kCodec);
            QByteArray b = one.encode(QStringView(text).mid(i, len));
            bytes += one.hasError() ? QByteArray("?") : b;
            i += len - 1;
        }
    }
    return bytes;
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

TextFile readCp932File(const QString& path) {
    TextFile result;
    // Open first and ask nothing before: while another computer renames a new file over this
    // one, a separate existence check can meet the name between the two files. Only the open's
    // own answer says "missing".
#ifdef _WIN32
    int fd = ::_wopen(reinterpret_cast<const wchar_t*>(path.utf16()),
                      _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    int openError = fd < 0 ? errno : 0;
#else
    int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    int openError = fd < 0 ? errno : 0;
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) { // a folder opens, but is no file
        ::close(fd);
        fd = -1;
        openError = EISDIR;
    }
#endif
    if (openError == ENOENT || openError == ENOTDIR) {
        result.error = QStringLiteral("ファイルがありません: %1").arg(path);
        return result;
    }
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        const QString why =
            fd < 0 ? QString::fromLocal8Bit(std::strerror(openError)) : file.errorString();
        result.error = QStringLiteral("ファイルを開けません: %1 (%2)").arg(path, why);
        return result;
    }
    const QByteArray bytes = file.readAll();
    qsizetype bad = 0;
    if (!decodeCp932(bytes, &result.text, &bad)) {
        result.text.clear();
        result.error = QStringLiteral("Shift_JIS (CP932) として読めないバイトがあります: %1 (%2 バイト目)")
                           .arg(path)
                           .arg(bad + 1);
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
