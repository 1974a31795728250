// Any text through the form encoder: it never fails, and what comes out is
// made only of the 66 plain characters, "+" and well-formed "%XX".
#include "core/FormEncoding.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool isPlain(char16_t c)
{
    return c == u'*' || c == u'-' || c == u'.' || c == u'_' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z')
        || (c >= u'a' && c <= u'z');
}

bool isUpperHex(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The bytes are taken as UTF-16 units, so every unit a host could pass comes up.
    const QString text(reinterpret_cast<const QChar *>(data), static_cast<qsizetype>(size / 2));
    const QString encoded = vendorcenter::urlEncode(text);

    qsizetype pieces = 0;
    for (qsizetype i = 0; i < encoded.size(); ++pieces) {
        const char16_t c = encoded[i].unicode();
        if (c == u'%') {
            if (i + 2 >= encoded.size())
                std::abort();
            if (!isUpperHex(encoded[i + 1].unicode()) || !isUpperHex(encoded[i + 2].unicode()))
                std::abort();
            i += 3;
        } else if (c == u'+' || isPlain(c)) {
            ++i;
        } else {
            std::abort();
        }
    }
    // One piece per character of the input.
    if (pieces != text.size())
        std::abort();
    return 0;
}
