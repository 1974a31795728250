#include "BasicAuth.h"

#include <array>
#include <fstream>
#include <istream>
#include <ostream>
#include <random>
#include <sstream>

namespace vendorcenter::server {
namespace {

constexpr std::array<std::uint32_t, 64> kRoundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t rotateRight(std::uint32_t value, int bits) {
    return (value >> bits) | (value << (32 - bits));
}

void compressBlock(std::array<std::uint32_t, 8>& state, const unsigned char* block) {
    std::array<std::uint32_t, 64> w{};
    for (std::size_t i = 0; i < 16; ++i) {
        w[i] = std::uint32_t{block[4 * i]} << 24 | std::uint32_t{block[4 * i + 1]} << 16 |
               std::uint32_t{block[4 * i + 2]} << 8 | std::uint32_t{block[4 * i + 3]};
    }
    for (std::size_t i = 16; i < 64; ++i) {
        const std::uint32_t s0 = rotateRight(w[i - 15], 7) ^ rotateRight(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const std::uint32_t s1 = rotateRight(w[i - 2], 17) ^ rotateRight(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    auto [a, b, c, d, e, f, g, h] = state;
    for (std::size_t i = 0; i < 64; ++i) {
        const std::uint32_t s1 = rotateRight(e, 6) ^ rotateRight(e, 11) ^ rotateRight(e, 25);
        const std::uint32_t choice = (e & f) ^ (~e & g);
        const std::uint32_t t1 = h + s1 + choice + kRoundConstants[i] + w[i];
        const std::uint32_t s0 = rotateRight(a, 2) ^ rotateRight(a, 13) ^ rotateRight(a, 22);
        const std::uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
        const std::uint32_t t2 = s0 + majority;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    const std::array<std::uint32_t, 8> added = {a, b, c, d, e, f, g, h};
    for (std::size_t i = 0; i < 8; ++i) state[i] += added[i];
}

std::string toHex(const unsigned char* bytes, std::size_t count) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0xF];
    }
    return hex;
}

bool isLowerHex(std::string_view text) {
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

// Compares without stopping at the first difference, so the time taken does
// not tell how much of a guess was right.
bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return difference == 0;
}

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool isUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        if (lead >= 0xF5 || (lead >= 0x80 && lead < 0xC2)) return false;
        if (lead >= 0xF0) length = 4;
        else if (lead >= 0xE0) length = 3;
        else if (lead >= 0xC2) length = 2;
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

std::string latin1AsUtf8(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string sha256Hex(std::string_view data) {
    std::array<std::uint32_t, 8> state = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                          0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    std::size_t whole = data.size() / 64 * 64;
    for (std::size_t offset = 0; offset < whole; offset += 64) compressBlock(state, bytes + offset);

    // The tail, a 1 bit, zeros, and the length in bits: one or two blocks.
    std::array<unsigned char, 128> tail{};
    const std::size_t rest = data.size() - whole;
    for (std::size_t i = 0; i < rest; ++i) tail[i] = bytes[whole + i];
    tail[rest] = 0x80;
    const std::size_t tailLength = rest + 9 <= 64 ? 64 : 128;
    const std::uint64_t bits = static_cast<std::uint64_t>(data.size()) * 8;
    for (std::size_t i = 0; i < 8; ++i) tail[tailLength - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
    for (std::size_t offset = 0; offset < tailLength; offset += 64) compressBlock(state, tail.data() + offset);

    std::array<unsigned char, 32> digest{};
    for (std::size_t i = 0; i < 8; ++i) {
        for (std::size_t k = 0; k < 4; ++k) digest[4 * i + k] = static_cast<unsigned char>(state[i] >> (24 - 8 * k));
    }
    return toHex(digest.data(), digest.size());
}

std::optional<std::string> decodeBase64(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int values[4];
        int padding = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const char c = text[i + k];
            if (c == '=' && last && k >= 2) {
                values[k] = 0;
                ++padding;
                continue;
            }
            if (padding > 0) return std::nullopt;  // data after "="
            values[k] = base64Value(c);
            if (values[k] < 0) return std::nullopt;
        }
        const std::uint32_t group = static_cast<std::uint32_t>(values[0] << 18 | values[1] << 12 | values[2] << 6 | values[3]);
        out += static_cast<char>(group >> 16);
        if (padding < 2) out += static_cast<char>((group >> 8) & 0xFF);
        if (padding < 1) out += static_cast<char>(group & 0xFF);
    }
    return out;
}

UserTable::Parsed UserTable::parse(std::string_view text) {
    Parsed parsed;
    UserTable table;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#') continue;

        const std::string where = "line " + std::to_string(lineNumber);
        const std::size_t first = line.find(':');
        const std::size_t second = first == std::string_view::npos ? first : line.find(':', first + 1);
        if (second == std::string_view::npos || line.find(':', second + 1) != std::string_view::npos) {
            parsed.error = where + " is not user:salt:hash";
            return parsed;
        }
        const std::string_view user = line.substr(0, first);
        const std::string_view salt = line.substr(first + 1, second - first - 1);
        const std::string_view hash = line.substr(second + 1);
        if (user.empty()) {
            parsed.error = where + " has no user name";
            return parsed;
        }
        if (hash.size() != 64 || !isLowerHex(hash)) {
            parsed.error = where + ": the hash must be 64 lower-case hex digits";
            return parsed;
        }
        if (!table.users_.emplace(std::string(user), Entry{std::string(salt), std::string(hash)}).second) {
            parsed.error = where + " names user \"" + std::string(user) + "\" a second time";
            return parsed;
        }
    }
    if (table.users_.empty()) {
        parsed.error = "it lists no user";
        return parsed;
    }
    parsed.users = std::move(table);
    return parsed;
}

bool UserTable::accepts(std::string_view user, std::string_view password) const {
    const auto found = users_.find(user);
    if (found == users_.end()) return false;
    std::string salted = found->second.salt;
    salted.append(password);
    return sameText(sha256Hex(salted), found->second.hash);
}

bool UserTable::acceptsAuthorization(std::string_view headerValue) const {
    headerValue = trimmed(headerValue);
    const std::size_t blank = headerValue.find(' ');
    if (blank == std::string_view::npos || !equalsIgnoringCase(headerValue.substr(0, blank), "Basic")) return false;
    auto credentials = decodeBase64(trimmed(headerValue.substr(blank + 1)));
    if (!credentials) return false;
    // The challenge asks for UTF-8, but some clients send Latin-1 all the
    // same; bytes that cannot be UTF-8 are read as Latin-1.
    if (!isUtf8(*credentials)) credentials = latin1AsUtf8(*credentials);
    const std::size_t colon = credentials->find(':');
    if (colon == std::string::npos) return false;
    return accepts(std::string_view(*credentials).substr(0, colon), std::string_view(*credentials).substr(colon + 1));
}

UserTable::Parsed loadUsersFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return {std::nullopt, "cannot read " + path};
    std::ostringstream content;
    content << file.rdbuf();
    UserTable::Parsed parsed = UserTable::parse(content.str());
    if (!parsed.users) parsed.error = path + ": " + parsed.error;
    return parsed;
}

std::string userLine(std::string_view user, std::string_view password, std::string_view salt) {
    std::string salted(salt);
    salted.append(password);
    return std::string(user) + ":" + std::string(salt) + ":" + sha256Hex(salted);
}

std::string userLine(std::string_view user, std::string_view password) {
    std::random_device random;
    std::array<unsigned char, 16> salt{};
    for (auto& byte : salt) byte = static_cast<unsigned char>(random() & 0xFF);
    return userLine(user, password, toHex(salt.data(), salt.size()));
}

int printUserLine(const std::string& user, std::istream& in, std::ostream& out, std::ostream& errors) {
    if (user.empty() || user.find(':') != std::string::npos || user.find('\n') != std::string::npos) {
        errors << "vendorcenter-server: a user name must not be empty or hold \":\"\n";
        return 2;
    }
    std::string password;
    if (!std::getline(in, password)) {
        errors << "vendorcenter-server: give the password on the first line of standard input\n";
        return 2;
    }
    if (!password.empty() && password.back() == '\r') password.pop_back();
    if (password.empty()) {
        errors << "vendorcenter-server: the password must not be empty\n";
        return 2;
    }
    out << userLine(user, password) << "\n";
    return 0;
}

}  // namespace vendorcenter::server
