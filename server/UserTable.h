#pragma once

#include <cstddef>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vendorcenter::server {

// The bytes of standard base64 (RFC 4648, "=" padding required); nothing for
// anything else.
std::optional<std::string> decodeBase64(std::string_view text);

// Who may use the server page: the lines of a users file,
//   user:$y$...        a crypt(3) hash: yescrypt (--hash-password, mkpasswd),
//                      bcrypt (htpasswd -B) or SHA-crypt
//   user:salt:hash     the older form: hex SHA-256 of the salt followed by the
//                      password; still accepted, but to be rehashed
// Blank lines and lines starting with "#" are passed over. A user name holds
// no ":" (HTTP Basic splits there).
class UserTable
{
public:
    struct Parsed;
    static Parsed parse(std::string_view text);

    // True when the user is listed and the password matches the stored hash.
    bool accepts(std::string_view user, std::string_view password) const;
    // True for the value of an Authorization header "Basic <base64 of user:password>"
    // that `accepts`.
    bool acceptsAuthorization(std::string_view headerValue) const;

    std::size_t size() const { return users_.size(); }
    // The users whose lines are in the older SHA-256 form, in name order.
    std::vector<std::string> usersToRehash() const;

private:
    struct Entry
    {
        std::string hash; // crypt(3) form, or lower-case hex of the older form
        std::string legacySalt; // the older form only
        bool legacy = false;
    };
    struct VerifiedPasswords;

    bool matchesSlowly(const Entry &entry, std::string_view password) const;

    std::map<std::string, Entry, std::less<>> users_;
    // Shared by copies: the table itself never changes once parsed.
    std::shared_ptr<VerifiedPasswords> verified_;
};

struct UserTable::Parsed
{
    std::optional<UserTable> users;
    std::string error; // with the line number, when users is empty
};

// Reads and parses a users file; an unreadable or empty file is an error.
UserTable::Parsed loadUsersFile(const std::string &path);

// One line of a users file for this user and password: a yescrypt hash with a
// fresh random salt. Empty when the hash cannot be made.
std::string userLine(std::string_view user, std::string_view password);

// --hash-password USER: reads the password from the first line of `in` and
// writes the user's line to `out`. Returns the process exit code.
int printUserLine(const std::string &user, std::istream &in, std::ostream &out, std::ostream &errors);

// The value of WWW-Authenticate that asks for credentials.
inline constexpr std::string_view kAuthenticateChallenge = R"(Basic realm="VendorCenter", charset="UTF-8")";

} // namespace vendorcenter::server
