#include "XmlWriter.h"

#include <array>
#include <cstdint>
#include <utility>

namespace vendorcenter::server {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the valid UTF-8 sequence at `at` that XML may carry, or 0.
std::size_t acceptableSequenceLength(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = byte(at + i);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3Fu);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    const bool nonCharacter = code == 0xFFFE || code == 0xFFFF;
    if (overlong || surrogate || nonCharacter || code > 0x10FFFF)
        return 0;
    return length;
}

// Bytes that are copied as they stand: printable ASCII but the five markup characters.
constexpr std::array<bool, 256> kPlainBytes = [] {
    std::array<bool, 256> plain {};
    for (int c = 0x20; c < 0x7F; ++c)
        plain[static_cast<std::size_t>(c)] = true;
    for (char c : {'&', '<', '>', '"', '\''})
        plain[static_cast<unsigned char>(c)] = false;
    return plain;
}();

} // namespace

void appendEscapedXml(std::string &out, std::string_view text)
{
    std::size_t runStart = 0;
    std::size_t i = 0;
    auto flush = [&] { out.append(text.data() + runStart, i - runStart); };
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (kPlainBytes[c]) {
            ++i;
            continue;
        }
        flush();
        std::size_t consumed = 1;
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        case '\t':
            out += '\t';
            break;
        case '\n':
            out += '\n';
            break;
        case '\r':
            out += "&#13;";
            break; // a raw CR would be normalised away by the reader
        default:
            if (c >= 0x80) {
                consumed = acceptableSequenceLength(text, i);
                if (consumed > 0) {
                    out.append(text.data() + i, consumed);
                } else {
                    out += kReplacement;
                    consumed = 1;
                }
            } else {
                out += kReplacement; // C0 controls and DEL
            }
            break;
        }
        i += consumed;
        runStart = i;
    }
    flush();
}

XmlWriter::XmlWriter(std::size_t expectedSize)
{
    out_.reserve(expectedSize);
    out_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
}

void XmlWriter::newLine()
{
    out_ += '\n';
    out_.append(static_cast<std::size_t>(depth_) * 2, ' ');
}

void XmlWriter::open(std::string_view name)
{
    newLine();
    out_ += '<';
    out_ += name;
    out_ += '>';
    ++depth_;
}

void XmlWriter::openWithAttribute(std::string_view name, std::string_view attribute, std::string_view value)
{
    newLine();
    out_ += '<';
    out_ += name;
    out_ += ' ';
    out_ += attribute;
    out_ += "=\"";
    appendEscapedXml(out_, value);
    out_ += "\">";
    ++depth_;
}

void XmlWriter::close(std::string_view name)
{
    --depth_;
    newLine();
    out_ += "</";
    out_ += name;
    out_ += '>';
}

void XmlWriter::element(std::string_view name, std::string_view text)
{
    newLine();
    out_ += '<';
    out_ += name;
    if (text.empty()) {
        out_ += "/>";
        return;
    }
    out_ += '>';
    appendEscapedXml(out_, text);
    out_ += "</";
    out_ += name;
    out_ += '>';
}

void XmlWriter::emptyElementWithAttribute(std::string_view name, std::string_view attribute, std::string_view value)
{
    newLine();
    out_ += '<';
    out_ += name;
    out_ += ' ';
    out_ += attribute;
    out_ += "=\"";
    appendEscapedXml(out_, value);
    out_ += "\"/>";
}

std::string XmlWriter::take()
{
    out_ += '\n';
    depth_ = 0;
    return std::exchange(out_, std::string());
}

} // namespace vendorcenter::server
