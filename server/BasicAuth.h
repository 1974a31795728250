#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vendorcenter::server {

// SHA-256 of the bytes, as 64 lower-case hex digits.
std::string sha256Hex(std::string_view data);

// The bytes of standard base64 (RFC 4648, "=" padding required); nothing for
// anything else.
std::optional<std::string> decodeBase64(std::string_view text);

// Who may use the server page: the lines of a users file,
//   user:salt:hash
// where hash is the hex SHA-256 of the salt text followed directly by the
// password (UTF-8). Blank lines and lines starting with "#" are passed over.
// A user name holds no ":" (HTTP Basic splits there); the salt holds no ":".
class UserTable {
public:
    struct Parsed;
    static Parsed parse(std::string_view text);

    // True when the user is listed and the password gives the stored hash.
    bool accepts(std::string_view user, std::string_view password) const;
    // True for the value of an Authorization header "Basic <base64 of user:password>"
    // that `accepts`.
    bool acceptsAuthorization(std::string_view headerValue) const;

    std::size_t size() const { return users_.size(); }

private:
    struct Entry {
        std::string salt;
        std::string hash;  // lower-case hex
    };
    std::map<std::string, Entry, std::less<>> users_;
};

struct UserTable::Parsed {
    std::optional<UserTable> users;
    std::string error;  // with the line number, when users is empty
};

// Reads and parses a users file; an unreadable or empty file is an error.
UserTable::Parsed loadUsersFile(const std::string& path);

// One line of a users file for this user and password, with a fresh random salt.
std::string userLine(std::string_view user, std::string_view password);
std::string userLine(std::string_view user, std::string_view password, std::string_view salt);

// --hash-password USER: reads the password from the first line of `in` and
// writes the user's line to `out`. Returns the process exit code.
int printUserLine(const std::string& user, std::istream& in, std::ostream& out, std::ostream& errors);

// The value of WWW-Authenticate that asks for credentials.
inline constexpr std::string_view kAuthenticateChallenge = R"(Basic realm="VendorCenter", charset="UTF-8")";

}  // namespace vendorcenter::server
