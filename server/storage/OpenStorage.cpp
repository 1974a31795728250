#include "storage/OpenStorage.h"

#include "TextHelpers.h"
#include "storage/SqliteStorage.h"

#ifdef VENDORCENTER_HAS_POSTGRESQL
#include "storage/PostgresStorage.h"
#endif

#include <cctype>

namespace vendorcenter::server {
namespace {

constexpr std::string_view kMask = "***";

// Masks every "password=value" of a URI query ('&'-separated).
std::string maskQueryPasswords(std::string_view query)
{
    std::string out;
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string_view::npos)
            end = query.size();
        const std::string_view pair = query.substr(start, end - start);
        const std::size_t equals = pair.find('=');
        if (equals != std::string_view::npos && equalsIgnoringCase(pair.substr(0, equals), "password")) {
            out.append(pair.substr(0, equals + 1));
            out.append(kMask);
        } else {
            out.append(pair);
        }
        if (end == query.size())
            break;
        out += '&';
        start = end + 1;
    }
    return out;
}

// Masks "password = value" settings of a keyword/value connection string;
// the value may be quoted with backslash escapes.
std::string maskKeywordPasswords(std::string_view text)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const bool wordStart = i == 0 || std::isspace(static_cast<unsigned char>(text[i - 1]));
        if (wordStart && equalsIgnoringCase(text.substr(i, 8), "password")) {
            std::size_t j = i + 8;
            while (j < text.size() && text[j] == ' ')
                ++j;
            if (j < text.size() && text[j] == '=') {
                ++j;
                while (j < text.size() && text[j] == ' ')
                    ++j;
                out.append(text.substr(i, j - i));
                out.append(kMask);
                // A quoted value may hold blanks; whatever follows it up to
                // the next blank is hidden too, so that no form leaks a part.
                bool quoted = false;
                while (j < text.size() && (quoted || !std::isspace(static_cast<unsigned char>(text[j])))) {
                    if (text[j] == '\\') {
                        j += 2;
                        continue;
                    }
                    if (text[j] == '\'')
                        quoted = !quoted;
                    ++j;
                }
                i = std::min(j, text.size());
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

} // namespace

bool isPostgresDatabase(std::string_view database)
{
    return database.starts_with("postgresql://") || database.starts_with("postgres://");
}

std::string databaseForDisplay(std::string_view database)
{
    if (!isPostgresDatabase(database))
        return maskKeywordPasswords(database);
    const std::size_t authorityStart = database.find("://") + 3;
    const std::size_t queryStart = std::min(database.find('?', authorityStart), database.size());
    std::string out(database.substr(0, authorityStart));
    // The user part ends at the last '@' before the query: an unencoded '@'
    // or '/' inside the password must not let any of it through.
    const std::size_t at = database.substr(0, queryStart).rfind('@');
    std::size_t rest = authorityStart;
    if (at != std::string_view::npos && at >= authorityStart) {
        const std::string_view userInfo = database.substr(authorityStart, at - authorityStart);
        const std::size_t colon = userInfo.find(':');
        out.append(userInfo.substr(0, colon));
        if (colon != std::string_view::npos) {
            out += ':';
            out.append(kMask);
        }
        rest = at;
    }
    out.append(database.substr(rest, queryStart - rest));
    if (queryStart < database.size()) {
        out += '?';
        out.append(maskQueryPasswords(database.substr(queryStart + 1)));
    }
    return out;
}

std::unique_ptr<Storage> openStorage(const std::string &database)
{
    if (isPostgresDatabase(database)) {
#ifdef VENDORCENTER_HAS_POSTGRESQL
        return PostgresStorage::open(database);
#else
        throw StorageError("PostgreSQL databases are not supported by this build (it was made without libpq)");
#endif
    }
    return SqliteStorage::open(database);
}

} // namespace vendorcenter::server
