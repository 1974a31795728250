// Any save body through the server page's form decoding, and every statement
// it yields through the statement parser, as a post is handled. A body is
// either refused with a reason or gives statements of well-formed UTF-8.
#include "FormDecoding.h"
#include "StatementParser.h"
#include "TextHelpers.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace vendorcenter::server;

namespace {

// Decoding never leaves the Basic Multilingual Plane: no four-byte sequences.
bool isWellFormedUtf8(std::string_view text)
{
    return isUtf8(text)
        && std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xF0; });
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
