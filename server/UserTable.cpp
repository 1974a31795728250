#include "UserTable.h"

#include "TextHelpers.h"

#include <crypt.h>
#include <nettle/hmac.h>
#include <nettle/memops.h>
#include <nettle/sha2.h>
#include <sys/random.h>
#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <istream>
#include <mutex>
#include <ostream>
#include <sstream>

namespace vendorcenter::server {
namespace {

using Digest = std::array<std::uint8_t, SHA256_DIGEST_SIZE>;

// Compares without stopping at the first difference, so the time taken does
// not tell how much of a guess was right.
bool sameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && memeql_sec(a.data(), b.data(), a.size()) != 0;
}

bool isLowerHex(std::string_view text)
{
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

std::string toHex(const Digest &bytes)
{
    constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const std::uint8_t byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xF];
    }
    return hex;
}

// The older form of a users file line: SHA-256 of the salt and the password.
std::string legacyHash(std::string_view salt, std::string_view password)
{
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, salt.size(), reinterpret_cast<const std::uint8_t *>(salt.data()));
    sha256_update(&context, password.size(), reinterpret_cast<const std::uint8_t *>(password.data()));
    Digest digest {};
    sha256_digest(&context, digest.size(), digest.data());
    return toHex(digest);
}

// crypt(3) of the password with the stored hash as its setting; empty when
// the library refuses (it then returns a string starting with "*").
std::string cryptHash(std::string_view password, const std::string &setting)
{
    // crypt(3) stops at a NUL: "password\0junk" would pass as "password".
    if (password.find('\0') != std::string_view::npos)
        return {};
    auto data = std::make_unique<crypt_data>();
    const std::string phrase(password);
    const char *hashed = crypt_rn(phrase.c_str(), setting.c_str(), data.get(), sizeof *data);
    if (hashed == nullptr || hashed[0] == '*')
        return {};
    return hashed;
}

int base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<std::string> decodeBase64(std::string_view text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
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
            if (padding > 0)
                return std::nullopt; // data after "="
            values[k] = base64Value(c);
            if (values[k] < 0)
                return std::nullopt;
        }
        const std::uint32_t group =
            static_cast<std::uint32_t>(values[0] << 18 | values[1] << 12 | values[2] << 6 | values[3]);
        out += static_cast<char>(group >> 16);
        if (padding < 2)
            out += static_cast<char>((group >> 8) & 0xFF);
        if (padding < 1)
            out += static_cast<char>(group & 0xFF);
    }
    return out;
}

// A slow hash takes tens of milliseconds, and the control sends its credentials
// with every request. A password that passed is remembered per user as a keyed
// SHA-256 under a key of this process, so that its next requests are checked
// in microseconds; the password itself is never kept.
struct UserTable::VerifiedPasswords
{
    VerifiedPasswords()
    {
        if (getrandom(key.data(), key.size(), 0) != static_cast<ssize_t>(key.size()))
            std::abort();
    }

    Digest keyed(std::string_view user, std::string_view password) const
    {
        hmac_sha256_ctx context;
        hmac_sha256_set_key(&context, key.size(), key.data());
        hmac_sha256_update(&context, user.size(), reinterpret_cast<const std::uint8_t *>(user.data()));
        hmac_sha256_update(&context, 1, reinterpret_cast<const std::uint8_t *>(":"));
        hmac_sha256_update(&context, password.size(), reinterpret_cast<const std::uint8_t *>(password.data()));
        Digest digest {};
        hmac_sha256_digest(&context, digest.size(), digest.data());
        return digest;
    }

    std::array<std::uint8_t, 32> key {};
    std::mutex mutex;
    std::map<std::string, Digest, std::less<>> byUser;
};

UserTable::Parsed UserTable::parse(std::string_view text)
{
    Parsed parsed;
    UserTable table;
    table.verified_ = std::make_shared<VerifiedPasswords>();
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;

        const std::string where = "line " + std::to_string(lineNumber);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            parsed.error = where + " is not user:hash";
            return parsed;
        }
        const std::string_view user = line.substr(0, colon);
        const std::string_view rest = line.substr(colon + 1);
        if (user.empty()) {
            parsed.error = where + " has no user name";
            return parsed;
        }
        Entry entry;
        if (rest.starts_with('$')) {
            entry.hash = rest;
            // Only hashes the library can check and still counts as sound: no
            // Apache MD5 ($apr1$), no traditional DES or MD5-crypt.
            if (rest.find(':') != std::string_view::npos || crypt_checksalt(entry.hash.c_str()) != CRYPT_SALT_OK
                || cryptHash("", entry.hash).size() != entry.hash.size()) {
                parsed.error = where
                    + ": the hash is not one of yescrypt, bcrypt or SHA-crypt "
                      "(make one with vendorcenter-server --hash-password USER)";
                return parsed;
            }
            // bcrypt's cost is the log of its rounds; below 10 a guess costs too little.
            constexpr int kLowestBcryptCost = 10;
            if (rest.size() > 7 && (rest.starts_with("$2a$") || rest.starts_with("$2b$") || rest.starts_with("$2y$"))
                && std::stoi(std::string(rest.substr(4, 2))) < kLowestBcryptCost) {
                parsed.error = where + ": the bcrypt cost " + std::string(rest.substr(4, 2)) + " is below "
                    + std::to_string(kLowestBcryptCost)
                    + " (make a new line with vendorcenter-server --hash-password USER, or htpasswd -B -C 12)";
                return parsed;
            }
        } else {
            const std::size_t second = rest.find(':');
            const std::string_view hash =
                second == std::string_view::npos ? std::string_view() : rest.substr(second + 1);
            if (second == std::string_view::npos || hash.find(':') != std::string_view::npos) {
                parsed.error = where + " is not user:hash";
                return parsed;
            }
            if (hash.size() != 64 || !isLowerHex(hash)) {
                parsed.error = where + ": the hash must be 64 lower-case hex digits";
                return parsed;
            }
            entry = Entry {std::string(hash), std::string(rest.substr(0, second)), true};
        }
        if (!table.users_.emplace(std::string(user), std::move(entry)).second) {
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

bool UserTable::matchesSlowly(const Entry &entry, std::string_view password) const
{
    if (entry.legacy)
        return sameText(legacyHash(entry.legacySalt, password), entry.hash);
    const std::string hashed = cryptHash(password, entry.hash);
    return !hashed.empty() && sameText(hashed, entry.hash);
}

bool UserTable::accepts(std::string_view user, std::string_view password) const
{
    const auto found = users_.find(user);
    if (found == users_.end()) {
        // As slow as a wrong password, so that the time taken does not tell
        // which user names exist.
        if (!users_.empty())
            matchesSlowly(users_.begin()->second, password);
        return false;
    }
    const Digest keyed = verified_->keyed(user, password);
    {
        std::lock_guard lock(verified_->mutex);
        const auto remembered = verified_->byUser.find(user);
        if (remembered != verified_->byUser.end()
            && memeql_sec(remembered->second.data(), keyed.data(), keyed.size()) != 0) {
            return true;
        }
    }
    if (!matchesSlowly(found->second, password))
        return false;
    std::lock_guard lock(verified_->mutex);
    verified_->byUser.insert_or_assign(found->first, keyed);
    return true;
}

bool UserTable::acceptsAuthorization(std::string_view headerValue) const
{
    headerValue = trimmed(headerValue);
    const std::size_t blank = headerValue.find(' ');
    if (blank == std::string_view::npos || !equalsIgnoringCase(headerValue.substr(0, blank), "Basic"))
        return false;
    auto credentials = decodeBase64(trimmed(headerValue.substr(blank + 1)));
    if (!credentials)
        return false;
    // The challenge asks for UTF-8, but some clients send Latin-1 all the
    // same; bytes that cannot be UTF-8 are read as Latin-1.
    if (!isUtf8(*credentials))
        credentials = latin1AsUtf8(*credentials);
    const std::size_t colon = credentials->find(':');
    if (colon == std::string::npos)
        return false;
    return accepts(std::string_view(*credentials).substr(0, colon), std::string_view(*credentials).substr(colon + 1));
}

std::vector<std::string> UserTable::usersToRehash() const
{
    std::vector<std::string> names;
    for (const auto &[user, entry] : users_) {
        if (entry.legacy)
            names.push_back(user);
    }
    return names;
}

UserTable::Parsed loadUsersFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {std::nullopt, "cannot read " + path};
    // Like sshd and PostgreSQL with their secrets: hashes others can read
    // can be guessed at offline.
    struct stat status
    { };
    if (::stat(path.c_str(), &status) == 0 && (status.st_mode & (S_IROTH | S_IWOTH)) != 0)
        return {std::nullopt, path + " may be read or written by other users; make it private first (chmod o-rw)"};
    std::ostringstream content;
    content << file.rdbuf();
    UserTable::Parsed parsed = UserTable::parse(content.str());
    if (!parsed.users)
        parsed.error = path + ": " + parsed.error;
    return parsed;
}

std::string userLine(std::string_view user, std::string_view password)
{
    // yescrypt at the library's default cost, salted from the system's random source.
    std::unique_ptr<char, decltype(&std::free)> setting(crypt_gensalt_ra("$y$", 0, nullptr, 0), &std::free);
    if (!setting)
        return {};
    const std::string hashed = cryptHash(password, setting.get());
    if (hashed.empty())
        return {};
    return std::string(user) + ":" + hashed;
}

int printUserLine(const std::string &user, std::istream &in, std::ostream &out, std::ostream &errors)
{
    if (user.empty() || user.find(':') != std::string::npos || user.find('\n') != std::string::npos) {
        errors << "vendorcenter-server: a user name must not be empty or hold \":\"\n";
        return 2;
    }
    std::string password;
    if (!std::getline(in, password)) {
        errors << "vendorcenter-server: give the password on the first line of standard input\n";
        return 2;
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    if (password.empty()) {
        errors << "vendorcenter-server: the password must not be empty\n";
        return 2;
    }
    const std::string line = userLine(user, password);
    if (line.empty()) {
        errors << "vendorcenter-server: the password could not be hashed\n";
        return 1;
    }
    out << line << "\n";
    return 0;
}

} // namespace vendorcenter::server
