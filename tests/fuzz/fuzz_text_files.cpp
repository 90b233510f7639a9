// Any bytes as a text file: the CP932 check, the field and line readers, the number slots, and
// the readers of the criteria and sound-name files must neither crash nor loop.
#include "media/sounds.h"
#include "records/criteria_table.h"
#include "shell/field_reader.h"
#include "shell/text_codec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString text;
    qsizetype bad = 0;
    if (!kz::decodeCp932(bytes, &text, &bad))
        return 0;
    kz::FieldReader r(text);
    int guard = 0;
    while (!r.atEnd() && guard++ < 1000000) {
        const kz::Field f = r.next();
        (void)f.toText();
        (void)f.toInteger(-32768, 32767);
        (void)kz::DecimalNumber::leading(f.raw()).floorTimes(2147483647);
        (void)kz::DecimalNumber::leading(f.raw()).text();
    }
    (void)kz::readFieldLines(text);
    kz::CriteriaTable t;
    (void)t.read(text);
    kz::SoundTable s;
    (void)s.load(text);
    (void)kz::fixedCp932Field(text, 5);
    return 0;
}
