#include "FormDecoding.h"

#include "TextHelpers.h"

#include <array>
#include <cstdint>

namespace vendorcenter::server {
namespace {

// 0x80..0x9F in Windows-1252. The five unassigned codes keep their own value,
// as the platform's conversion does.
constexpr std::array<std::uint16_t, 32> kWindows1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020,
    0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D,
    0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string fieldNumber(std::size_t index)
{
    return "field " + std::to_string(index + 1);
}

} // namespace

void appendWindows1252AsUtf8(std::string &out, unsigned char byte)
{
    appendUtf8(out, byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80u] : byte);
}

DecodedSaveForm decodeSaveForm(std::string_view body)
{
    DecodedSaveForm form;
    std::size_t fieldIndex = 0;
    std::size_t start = 0;
    while (start <= body.size()) {
        std::size_t end = body.find('&', start);
        if (end == std::string_view::npos)
            end = body.size();
        const std::string_view field = body.substr(start, end - start);
        start = end + 1;
        if (field.empty())
            continue;

        const std::size_t equals = field.find('=');
        if (equals == std::string_view::npos) {
            form.error = fieldNumber(fieldIndex) + " has no \"=\"";
            form.statements.clear();
            return form;
        }
        const std::string_view name = field.substr(0, equals);
        if (name != "SQL") {
            form.error = fieldNumber(fieldIndex) + " is not named SQL";
            form.statements.clear();
            return form;
        }

        const std::string_view encoded = field.substr(equals + 1);
        std::string text;
        text.reserve(encoded.size());
        for (std::size_t i = 0; i < encoded.size(); ++i) {
            const char c = encoded[i];
            if (c == '+') {
                text += ' ';
            } else if (c == '%') {
                const int high = i + 1 < encoded.size() ? hexValue(encoded[i + 1]) : -1;
                const int low = i + 2 < encoded.size() ? hexValue(encoded[i + 2]) : -1;
                if (high < 0 || low < 0) {
                    form.error = fieldNumber(fieldIndex) + " holds a broken percent escape at character "
                        + std::to_string(i + 1);
                    form.statements.clear();
                    return form;
                }
                appendWindows1252AsUtf8(text, static_cast<unsigned char>(high * 16 + low));
                i += 2;
            } else if (static_cast<unsigned char>(c) < 0x80) {
                // A run of characters that stand for themselves, copied at once.
                std::size_t runEnd = i + 1;
                while (runEnd < encoded.size() && encoded[runEnd] != '+' && encoded[runEnd] != '%'
                    && static_cast<unsigned char>(encoded[runEnd]) < 0x80)
                    ++runEnd;
                text.append(encoded.substr(i, runEnd - i));
                i = runEnd - 1;
            } else {
                appendWindows1252AsUtf8(text, static_cast<unsigned char>(c));
            }
        }
        form.statements.push_back(std::move(text));
        ++fieldIndex;
    }
    return form;
}

} // namespace vendorcenter::server
