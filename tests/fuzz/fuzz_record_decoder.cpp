// Any 44 bytes decode to a record that encodes back to the same bytes.
#include "records/record_file.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kz::SeisekiRecord rec;
    const char* p = reinterpret_cast<const char*>(data);
    if (!kz::SeisekiRecord::decode(p, static_cast<qsizetype>(size), &rec))
        return 0;
    const QByteArray back = rec.encode();
    if (back.size() != kz::SeisekiRecord::Size || std::memcmp(back.constData(), p, kz::SeisekiRecord::Size) != 0)
        std::abort();
    (void)rec.isValidForStatistics();
    return 0;
}
