#include "text_codec.h"
#include "system_error.h"

#include "shared_file.h"

#include <algorithm>
#include <QFile>
#include <QSaveFile>
#include <unicode/ucnv.h>

#include <QDir>

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

TextFile readCp932File(const QString& path) {
    TextFile result;
    const QString shown = QDir::toNativeSeparators(path); // as the school writes it
    // Only the open's own answer says "missing": while another computer renames a new file
    // over this one, a separate existence check can meet the name between the two files.
    const WholeRead read = readWholeShared(path);
    switch (read.result) {
    case WholeRead::Result::Missing:
        result.error = QStringLiteral("ファイルがありません: %1").arg(shown);
        return result;
    case WholeRead::Result::OpenFailed:
        result.error = QStringLiteral("ファイルを開けません: %1 (%2)").arg(shown, read.why);
        return result;
    case WholeRead::Result::ReadFailed: // a share gone half-way: never taken for a short file
        result.error = QStringLiteral("ファイルを読めません: %1 (%2)").arg(shown, read.why);
        return result;
    case WholeRead::Result::Ok:
        break;
    }
    const QByteArray& bytes = read.bytes;
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
    const auto failed = [&] {
        return QStringLiteral("ファイルに書けません: %1 (%2)").arg(QDir::toNativeSeparators(path), failedFileText(file));
    };
    clearSystemError();
    if (!file.open(QIODevice::WriteOnly)) return failed();
    file.write(encodeCp932(text));
    if (!file.commit()) return failed();
    return {};
}

} // namespace kz
