// Feeds arbitrary bytes to what the server reads of a request: the call envelope
// (WireEnvelope::decodeRequest, over JsonCodec::decodeObject) and a lone wire value
// (JsonCodec::decode). Refusals (EErro) are the readers' answer to bad input; a crash, a sanitizer
// finding, or a value that reads back different once written, is a fault.
#include "EErro.h"
#include "JsonCodec.h"
#include "WireEnvelope.h"

#include <cstddef>
#include <cstdint>

using namespace cns;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // No NUL after the bytes: the sanitizer sees any read past the body.
    const QByteArrayView json(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        WireEnvelope::decodeRequest(json);
    } catch (const EErro &) {
    }
    Value value;
    try {
        value = JsonCodec::decode(json);
    } catch (const EErro &) {
        return 0;
    }
    if (!(JsonCodec::decode(JsonCodec::encode(value)) == value))
        __builtin_trap();
    return 0;
}
