#include "RequestHandling.h"

#include "FormDecoding.h"
#include "Replies.h"
#include "StatementParser.h"
#include "UserTable.h"
#include "storage/SelectedListTag.h"

#include <strings.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <ctime>
#include <variant>
#include <vector>

namespace vendorcenter::server {
namespace {

HttpReply reply(int status, std::string_view contentType, std::string body)
{
    HttpReply made;
    made.status = status;
    made.contentType = contentType;
    made.body = std::move(body);
    return made;
}

HttpReply text(int status, std::string body)
{
    return reply(status, kTextContentType, std::move(body));
}
HttpReply xml(std::string body)
{
    return reply(200, kXmlContentType, std::move(body));
}

bool isOn(const QueryParameters &parameters, const std::string &name)
{
    const auto found = parameters.find(name);
    return found != parameters.end() && found->second == "1";
}

const char *const kNothingSaved = "\nNothing was saved.";
const char *const kUnreachable = "The database cannot be reached just now. Try again shortly.";

HttpReply queryReply(Storage &storage, const QueryParameters &parameters)
{
    const bool count = isOn(parameters, "count");
    const bool active = isOn(parameters, "active");
    const bool selected = isOn(parameters, "selected");
    if (int(count) + int(active) + int(selected) != 1) {
        return text(400, "Unknown query: give exactly one of count=1, active=1 or selected=1, with VendorID.");
    }
    if (parameters.count("VendorID") != 1) {
        return text(400, "VendorID must be given once.");
    }
    const auto vendorId = parseInt32(parameters.find("VendorID")->second);
    if (!vendorId) {
        return text(400, "VendorID must be a whole number.");
    }

    try {
        if (count)
            return xml(countsReplyXml(*vendorId, storage.counts(*vendorId)));
        if (active) {
            ActiveCentersReply reply(*vendorId);
            storage.readActiveCenters(*vendorId, [&](const ActiveCenterRow &center) { reply.add(center); });
            return xml(reply.finish());
        }
        SelectedCentersReply reply(*vendorId);
        SelectedListTag tag(*vendorId);
        storage.readSelectedCenters(*vendorId, [&](const SelectedCenterRow &center) {
            reply.add(center);
            tag.add(center);
        });
        HttpReply listed = xml(reply.finish());
        listed.headers.emplace_back("ETag", tag.finish());
        return listed;
    } catch (const StorageUnavailable &error) {
        HttpReply failed = text(503, kUnreachable);
        failed.diagnostic = error.what();
        return failed;
    } catch (const StorageError &error) {
        HttpReply failed = text(500, "The database could not be read.");
        failed.diagnostic = error.what();
        return failed;
    }
}

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The list a post sent with If-Match guards: one tag of the selected list's
// form, naming the vendor of every statement. Anything else is answered 400
// ("*" or several tags would name no one list).
std::variant<ListPrecondition, HttpReply> preconditionOf(
    std::string_view ifMatch, const std::vector<Statement> &statements)
{
    const std::string_view tag = trimmed(ifMatch);
    const std::optional<std::int32_t> vendorId = SelectedListTag::vendorOf(tag);
    if (!vendorId) {
        return text(400,
            "If-Match must hold one tag, as the ETag of the selected list gave it, and nothing else."
                + std::string(kNothingSaved));
    }
    for (const Statement &statement : statements) {
        if (vendorOf(statement) != *vendorId) {
            return text(400,
                "The If-Match tag is for vendor " + std::to_string(*vendorId) + ", but the changes are for vendor "
                    + std::to_string(vendorOf(statement)) + "." + kNothingSaved);
        }
    }
    return ListPrecondition {*vendorId, std::string(tag)};
}

HttpReply saveReply(Storage &storage, std::string_view body, std::string_view timestamp,
    std::optional<std::string_view> ifMatch, ServerTiming &timing)
{
    if (body.size() > kMaxSaveBodyBytes)
        return tooLargeSaveReply();
    const DecodedSaveForm form = decodeSaveForm(body);
    timing.mark("decode");
    if (!form.ok()) {
        return text(400, "The changes could not be read: " + form.error + "." + kNothingSaved);
    }
    if (form.statements.empty()) {
        return text(400, "Nothing to save");
    }
    if (form.statements.size() > kMaxStatements) {
        return text(400,
            "The changes hold " + std::to_string(form.statements.size()) + " statements, more than the "
                + std::to_string(kMaxStatements) + " taken at once." + kNothingSaved);
    }

    std::vector<Statement> statements;
    statements.reserve(form.statements.size());
    for (std::size_t i = 0; i < form.statements.size(); ++i) {
        ParsedStatement parsed = parseStatement(form.statements[i]);
        if (!parsed.statement) {
            return text(400,
                "Statement " + std::to_string(i + 1) + " (\"" + statementExcerpt(form.statements[i])
                    + "\") was refused: " + parsed.error + "." + kNothingSaved);
        }
        statements.push_back(std::move(*parsed.statement));
    }
    std::optional<ListPrecondition> precondition;
    if (ifMatch) {
        auto guarded = preconditionOf(*ifMatch, statements);
        if (auto *refused = std::get_if<HttpReply>(&guarded))
            return std::move(*refused);
        precondition = std::get<ListPrecondition>(std::move(guarded));
    }
    timing.mark("parse");

    const ApplyResult result = storage.apply(statements, timestamp, precondition ? &*precondition : nullptr);
    timing.mark("apply");
    switch (result.outcome) {
    case ApplyResult::Outcome::Applied: {
        HttpReply saved = text(200, savedReplyText(statements, result));
        timing.mark("reply");
        return saved;
    }
    case ApplyResult::Outcome::UnknownReference:
        return text(422,
            "Statement " + std::to_string(result.failedStatementIndex + 1) + " (\""
                + statementExcerpt(form.statements[result.failedStatementIndex]) + "\") names " + result.detail + "."
                + kNothingSaved);
    case ApplyResult::Outcome::PreconditionFailed:
        return text(412,
            "Someone else saved changes to vendor " + std::to_string(precondition->vendorId)
                + " after these lists were loaded. Load them again to see the changes." + kNothingSaved);
    case ApplyResult::Outcome::StorageFailure:
        break;
    case ApplyResult::Outcome::Unavailable: {
        HttpReply failed = text(503, std::string(kUnreachable) + kNothingSaved);
        failed.diagnostic = result.detail;
        return failed;
    }
    case ApplyResult::Outcome::CommitUncertain: {
        // The commit may have gone through: saying "nothing was saved" could be false.
        HttpReply failed = text(503,
            "The connection to the database broke while the changes were being committed: they "
            "were saved either in full or not at all. Reload the lists to see which.");
        failed.diagnostic = result.detail;
        return failed;
    }
    }
    HttpReply failed = text(500, std::string("The database could not save the changes.") + kNothingSaved);
    failed.diagnostic = result.detail;
    return failed;
}

bool sameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::size_t headerCount(const RequestHead &head, std::string_view name)
{
    return static_cast<std::size_t>(
        std::ranges::count_if(head.headers, [&](const auto &header) { return sameText(header.first, name); }));
}

HttpReply refusal(int status, std::string body)
{
    HttpReply refused = text(status, std::move(body));
    refused.closeConnection = true;
    return refused;
}

// "host", "host:port", "[v6]" or "[v6]:port" split in two; nullopt when malformed.
std::optional<std::pair<std::string_view, std::string_view>> splitAuthority(std::string_view authority)
{
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        const std::string_view rest = authority.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':'))
            return std::nullopt;
        return std::pair(authority.substr(1, close - 1), rest.empty() ? rest : rest.substr(1));
    }
    const std::size_t colon = authority.find(':');
    if (colon == std::string_view::npos)
        return std::pair(authority, std::string_view());
    if (authority.find(':', colon + 1) != std::string_view::npos)
        return std::nullopt;
    return std::pair(authority.substr(0, colon), authority.substr(colon + 1));
}

bool isAllowedHost(std::string_view host, const HostAllowList &hosts)
{
    return !host.empty()
        && (sameText(host, hosts.localAddress)
            || std::ranges::any_of(hosts.names, [&](const std::string &name) { return sameText(host, name); }));
}

// A browser names the page that made a request in Origin; a write from a page
// of another site is what a cross-site form post looks like.
bool isForeignOrigin(std::string_view origin, std::string_view hostPort, const HostAllowList &hosts)
{
    const std::size_t scheme = origin.find("://");
    if (scheme == std::string_view::npos)
        return true; // "null" and anything else that names no site
    const auto authority = splitAuthority(origin.substr(scheme + 3));
    return !authority || !isAllowedHost(authority->first, hosts) || authority->second != hostPort;
}

std::optional<HttpReply> framingRefusal(const RequestHead &head)
{
    const std::size_t lengths = headerCount(head, "Content-Length");
    const std::size_t encodings = headerCount(head, "Transfer-Encoding");
    if (lengths > 1)
        return refusal(400, "The request has more than one Content-Length.");
    if (const auto length = headerValue(head, "Content-Length")) {
        const std::string_view digits = trimmed(*length);
        std::uint64_t value = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
            return refusal(400, "The Content-Length of the request is not a number.");
    }
    if (encodings > 1 || (encodings == 1 && !sameText(trimmed(*headerValue(head, "Transfer-Encoding")), "chunked")))
        return refusal(400, "Only the chunked Transfer-Encoding is taken.");
    if (encodings == 1 && lengths == 1)
        return refusal(400, "The request has both a Content-Length and a Transfer-Encoding.");
    return std::nullopt;
}

} // namespace

std::optional<std::string_view> headerValue(const RequestHead &head, std::string_view name)
{
    const auto found =
        std::ranges::find_if(head.headers, [&](const auto &header) { return sameText(header.first, name); });
    return found == head.headers.end() ? std::nullopt : std::optional(found->second);
}

bool announcesBody(const RequestHead &head)
{
    if (headerValue(head, "Transfer-Encoding"))
        return true;
    const auto length = headerValue(head, "Content-Length");
    return length && trimmed(*length).find_first_not_of('0') != std::string_view::npos;
}

std::optional<HttpReply> screenRequest(const RequestHead &head, const HostAllowList &hosts)
{
    if (auto refused = framingRefusal(head))
        return refused;
    std::string_view hostPort;
    if (headerCount(head, "Host") > 1)
        return refusal(400, "The request has more than one Host.");
    if (const auto host = headerValue(head, "Host")) {
        const auto authority = splitAuthority(trimmed(*host));
        if (!authority || !isAllowedHost(authority->first, hosts)) {
            return refusal(
                421, "This server page is not served under that name (see vendorcenter-server --allowed-host).");
        }
        hostPort = authority->second;
    } else if (!head.http10) {
        return refusal(400, "The request has no Host.");
    }
    if (headerValue(head, "Content-Encoding")) {
        HttpReply refused = text(415, "Compressed requests are not taken.");
        refused.closeConnection = announcesBody(head);
        return refused;
    }
    const bool safe = head.method == "GET" || head.method == "HEAD";
    if (!safe) {
        const auto origin = headerValue(head, "Origin");
        const auto fetchSite = headerValue(head, "Sec-Fetch-Site");
        if ((origin && isForeignOrigin(trimmed(*origin), hostPort, hosts))
            || (fetchSite && sameText(trimmed(*fetchSite), "cross-site"))) {
            HttpReply refused = text(403, "Changes are not taken from pages of other sites.");
            refused.closeConnection = announcesBody(head);
            return refused;
        }
    }
    if (announcesBody(head) && !(head.method == "POST" && head.path == kPagePath)) {
        if (head.path != kPagePath && head.path != kHealthPath) {
            HttpReply refused = notFoundReply();
            refused.closeConnection = true;
            return refused;
        }
        if (!safe) {
            HttpReply refused = methodNotAllowedReply();
            refused.closeConnection = true;
            return refused;
        }
        return refusal(400, "Only a POST to /VendorCenter.asp may carry a body.");
    }
    return std::nullopt;
}

HttpReply notFoundReply()
{
    return text(404, "Not found: the server page is /VendorCenter.asp.");
}

HttpReply methodNotAllowedReply()
{
    HttpReply refused = text(405, "Only GET and POST are served here.");
    refused.headers.emplace_back("Allow", "GET, HEAD, POST");
    return refused;
}

HttpReply credentialsNeededReply()
{
    HttpReply refused = text(401, "Credentials are needed for the server page.");
    refused.headers.emplace_back("WWW-Authenticate", std::string(kAuthenticateChallenge));
    return refused;
}

HttpReply throttledReply(long long seconds)
{
    HttpReply refused = text(429, "Too many failed logins from this address; try again later.");
    refused.headers.emplace_back("Retry-After", std::to_string(seconds));
    return refused;
}

HttpReply healthReply(bool healthy)
{
    return healthy ? text(200, "ok") : text(503, "unavailable");
}

HttpReply failedRequestReply(int status)
{
    return text(status, "The request could not be served.");
}

HttpReply answerQuery(Storage &storage, const QueryParameters &parameters, ServerTiming timing)
{
    HttpReply reply = queryReply(storage, parameters);
    timing.mark("query");
    reply.serverTiming = timing.header();
    return reply;
}

HttpReply answerSave(Storage &storage, std::string_view body, std::string_view timestamp, ServerTiming timing,
    std::optional<std::string_view> ifMatch)
{
    HttpReply reply = saveReply(storage, body, timestamp, ifMatch, timing);
    reply.serverTiming = timing.header();
    return reply;
}

HttpReply tooLargeSaveReply()
{
    return text(413, std::string("The changes are too large to be sent at once.") + kNothingSaved);
}

std::string currentLocalTimestamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char buffer[32];
    const std::size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(buffer, length);
}

} // namespace vendorcenter::server
