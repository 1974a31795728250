#include "core/FormEncoding.h"

#include <array>

namespace vendorcenter {

namespace {

constexpr unsigned char kQuestionMark = 63;

} // namespace

unsigned char windows1252Byte(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return static_cast<unsigned char>(unit);
    switch (unit) {
    case 0x20AC:
        return 0x80; // €
    case 0x201A:
        return 0x82; // ‚
    case 0x0192:
        return 0x83; // ƒ
    case 0x201E:
        return 0x84; // „
    case 0x2026:
        return 0x85; // …
    case 0x2020:
        return 0x86; // †
    case 0x2021:
        return 0x87; // ‡
    case 0x02C6:
        return 0x88; // ˆ
    case 0x2030:
        return 0x89; // ‰
    case 0x0160:
        return 0x8A; // Š
    case 0x2039:
        return 0x8B; // ‹
    case 0x0152:
        return 0x8C; // Œ
    case 0x017D:
        return 0x8E; // Ž
    case 0x2018:
        return 0x91; // left single quote
    case 0x2019:
        return 0x92; // right single quote
    case 0x201C:
        return 0x93; // left double quote
    case 0x201D:
        return 0x94; // right double quote
    case 0x2022:
        return 0x95; // •
    case 0x2013:
        return 0x96; // –
    case 0x2014:
        return 0x97; // —
    case 0x02DC:
        return 0x98; // ˜
    case 0x2122:
        return 0x99; // ™
    case 0x0161:
        return 0x9A; // š
    case 0x203A:
        return 0x9B; // ›
    case 0x0153:
        return 0x9C; // œ
    case 0x017E:
        return 0x9E; // ž
    case 0x0178:
        return 0x9F; // Ÿ
    default:
        return kQuestionMark; // C1 controls, the five unused bytes, anything beyond the set
    }
}

namespace {

// What one Windows-1252 byte becomes in a form body: "+" for a blank, the
// character itself for letters, digits and * - . _, else "%" and two
// upper-case hex digits.
struct EncodedByte
{
    char text[3];
    int length;
};

constexpr EncodedByte encodedByte(unsigned byte)
{
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    if (byte == ' ')
        return {{'+'}, 1};
    if (byte == '*' || byte == '-' || byte == '.' || byte == '_' || (byte >= '0' && byte <= '9')
        || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z'))
        return {{static_cast<char>(byte)}, 1};
    return {{'%', kHexDigits[byte >> 4], kHexDigits[byte & 0xF]}, 3};
}

constexpr std::array<EncodedByte, 256> makeEncodedBytes()
{
    std::array<EncodedByte, 256> table {};
    for (unsigned byte = 0; byte < 256; ++byte)
        table[byte] = encodedByte(byte);
    return table;
}

// Looked up once per character: a save encodes megabytes.
constexpr std::array<EncodedByte, 256> kEncodedBytes = makeEncodedBytes();

// Writes what one UTF-16 unit becomes at `out`, which has room for three
// more units; returns the end of what it wrote.
template<typename Unit>
Unit *encodeUnit(Unit *out, char16_t unit)
{
    const EncodedByte &encoded = kEncodedBytes[windows1252Byte(unit)];
    for (int i = 0; i < encoded.length; ++i)
        *out++ = static_cast<Unit>(encoded.text[i]);
    return out;
}

} // namespace

QString urlEncode(const QString &text)
{
    if (text.isEmpty())
        return {};
    // Each unit becomes at most three.
    QString encoded(text.size() * 3, Qt::Uninitialized);
    char16_t *const start = reinterpret_cast<char16_t *>(encoded.data());
    char16_t *out = start;
    for (const QChar c : text)
        out = encodeUnit(out, c.unicode());
    encoded.truncate(out - start);
    return encoded;
}

void appendUrlEncoded(QByteArray &body, QStringView text)
{
    const qsizetype at = body.size();
    body.resize(at + text.size() * 3);
    char *const start = body.data() + at;
    char *out = start;
    for (const QChar c : text)
        out = encodeUnit(out, c.unicode());
    body.truncate(at + (out - start));
}

} // namespace vendorcenter
