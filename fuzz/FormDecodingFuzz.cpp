// Any save body through the server page's form decoding, and every statement
// it yields through the statement parser, as a post is handled. A body is
// either refused with a reason or gives statements of well-formed UTF-8.
#include "FormDecoding.h"
#include "StatementParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace vendorcenter::server;

namespace {

bool isWellFormedUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        if (lead >= 0xF0)
            return false; // decoding never leaves the Basic Multilingual Plane
        if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC2)
            length = 2;
        else if (lead >= 0x80)
            return false;
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view body(reinterpret_cast<const char *>(data), size);
    const DecodedSaveForm form = decodeSaveForm(body);
    if (!form.ok()) {
        if (!form.statements.empty())
            std::abort(); // a refused body hands out nothing
        return 0;
    }
    for (const std::string &statement : form.statements) {
        if (!isWellFormedUtf8(statement))
            std::abort();
        (void)parseStatement(statement);
    }
    return 0;
}
