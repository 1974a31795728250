#include "core/FormEncoding.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace vendorcenter {

namespace {

constexpr unsigned char kQuestionMark = 63;

constexpr bool passesUnchanged(unsigned code)
{
    return code == 42 || code == 45 || code == 46 || (code >= 48 && code <= 57) || (code >= 65 && code <= 90)
        || code == 95 || (code >= 97 && code <= 122);
}

// What each byte becomes in the body, packed for one store: up to three
// output units in the low bits ("+", the character itself, or "%" and two
// upper-case hex digits) and the count of units above them. UTF-16 units go
// in 8 bytes, single bytes in 4.
static_assert(std::endian::native == std::endian::little, "the packed pieces are stored little-endian");

template<typename Unit, typename Piece>
constexpr Piece packed(Piece first, Piece second, Piece third, Piece count)
{
    constexpr unsigned bits = sizeof(Unit) * 8;
    return first | second << bits | third << 2 * bits | count << 3 * bits;
}

template<typename Unit, typename Piece>
constexpr std::array<Piece, 256> makePieces()
{
    constexpr char hex[] = "0123456789ABCDEF";
    std::array<Piece, 256> pieces{};
    for (unsigned code = 0; code < 256; ++code) {
        if (code == 32)
            pieces[code] = packed<Unit, Piece>('+', 0, 0, 1);
        else if (passesUnchanged(code))
            pieces[code] = packed<Unit, Piece>(code, 0, 0, 1);
        else
            pieces[code] = packed<Unit, Piece>('%', Piece(hex[code >> 4]), Piece(hex[code & 0xF]), 3);
    }
    return pieces;
}

constexpr auto kUtf16Pieces = makePieces<char16_t, std::uint64_t>();
constexpr auto kBytePieces = makePieces<char, std::uint32_t>();

} // namespace

unsigned char windows1252Byte(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return static_cast<unsigned char>(unit);
    switch (unit) {
    case 0x20AC: return 0x80; // €
    case 0x201A: return 0x82; // ‚
    case 0x0192: return 0x83; // ƒ
    case 0x201E: return 0x84; // „
    case 0x2026: return 0x85; // …
    case 0x2020: return 0x86; // †
    case 0x2021: return 0x87; // ‡
    case 0x02C6: return 0x88; // ˆ
    case 0x2030: return 0x89; // ‰
    case 0x0160: return 0x8A; // Š
    case 0x2039: return 0x8B; // ‹
    case 0x0152: return 0x8C; // Œ
    case 0x017D: return 0x8E; // Ž
    case 0x2018: return 0x91; // left single quote
    case 0x2019: return 0x92; // right single quote
    case 0x201C: return 0x93; // left double quote
    case 0x201D: return 0x94; // right double quote
    case 0x2022: return 0x95; // •
    case 0x2013: return 0x96; // –
    case 0x2014: return 0x97; // —
    case 0x02DC: return 0x98; // ˜
    case 0x2122: return 0x99; // ™
    case 0x0161: return 0x9A; // š
    case 0x203A: return 0x9B; // ›
    case 0x0153: return 0x9C; // œ
    case 0x017E: return 0x9E; // ž
    case 0x0178: return 0x9F; // Ÿ
    default: return kQuestionMark; // C1 controls, the five unused bytes, anything beyond the set
    }
}

namespace {

// Encodes `length` units into `out`, which must have room for 3 units per
// input unit and one more; returns the number of units written.
template<typename Unit, typename Piece>
qsizetype encodeInto(const char16_t *in, qsizetype length, Unit *out, const std::array<Piece, 256> &pieces)
{
    constexpr unsigned countShift = 3 * sizeof(Unit) * 8;
    auto pieceOf = [&pieces](char16_t unit) { return pieces[unit < 0x80 ? unit : windows1252Byte(unit)]; };
    // Every piece is stored whole; the slack unit keeps the last store inside.
    auto store = [](Unit *at, Piece piece) {
        std::memcpy(at, &piece, sizeof piece);
        return static_cast<qsizetype>(piece >> countShift);
    };
    Unit *const start = out;
    qsizetype i = 0;
    // Four at a time, so the table look-ups do not wait on each other's lengths.
    for (; i + 4 <= length; i += 4) {
        const Piece p0 = pieceOf(in[i]);
        const Piece p1 = pieceOf(in[i + 1]);
        const Piece p2 = pieceOf(in[i + 2]);
        const Piece p3 = pieceOf(in[i + 3]);
        Unit *at = out;
        at += store(at, p0);
        at += store(at, p1);
        at += store(at, p2);
        at += store(at, p3);
        out = at;
    }
    for (; i < length; ++i)
        out += store(out, pieceOf(in[i]));
    return out - start;
}

} // namespace

QString urlEncode(const QString &text)
{
    const qsizetype length = text.size();
    if (length == 0)
        return {};
    // Each unit becomes at most three; a piece stored whole needs a fourth at the end.
    QString encoded(length * 3 + 1, Qt::Uninitialized);
    const qsizetype written = encodeInto(reinterpret_cast<const char16_t *>(text.constData()), length,
                                         reinterpret_cast<char16_t *>(encoded.data()), kUtf16Pieces);
    encoded.truncate(written);
    return encoded;
}

void appendUrlEncoded(QByteArray &body, QStringView text)
{
    const qsizetype length = text.size();
    if (length == 0)
        return;
    const qsizetype at = body.size();
    // A piece of three bytes is stored as four.
    body.resize(at + length * 3 + 1);
    const qsizetype written = encodeInto(text.utf16(), length, body.data() + at, kBytePieces);
    body.resize(at + written);
}

} // namespace vendorcenter
