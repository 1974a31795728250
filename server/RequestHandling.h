#pragma once

#include "ServerTiming.h"
#include "storage/Storage.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vendorcenter::server {

struct HttpReply
{
    int status = 200;
    std::string contentType;
    std::string body;
    std::string diagnostic; // for the server's log only, never sent
    std::string serverTiming; // the phases of the work, for the Server-Timing header
    std::vector<std::pair<std::string, std::string>> headers; // further ones: Allow, Retry-After, ...
    bool closeConnection = false; // the connection cannot carry another request after this one
};

// Not text/xml: the replies have always been sent as application/xml, and
// clients and proxies may go by it.
inline constexpr std::string_view kXmlContentType = "application/xml; charset=utf-8";
inline constexpr std::string_view kTextContentType = "text/plain; charset=utf-8";

// Largest save body taken. The control may post 32,767 statements of about
// 250 encoded bytes, some 8 MiB.
inline constexpr std::size_t kMaxSaveBodyBytes = 16u * 1024u * 1024u;

using QueryParameters = std::multimap<std::string, std::string>;

// GET /VendorCenter.asp: ?count=1, ?active=1 or ?selected=1, each with &VendorID=N.
// The selected list carries its ETag (see SelectedListTag).
// The timing gets the phase "query" (the database and the XML, which are
// written row by row together).
HttpReply answerQuery(Storage &storage, const QueryParameters &parameters, ServerTiming timing = ServerTiming());

// POST /VendorCenter.asp with "SQL=<enc>&..." fields. `timestamp` stands for
// GETDATE(). Nothing is applied unless the reply is 200. The timing gets the
// phases "decode", "parse", "apply" and "reply" as far as the save gets.
// `ifMatch`, the request's If-Match, makes the save depend on the selected
// list it names still having that ETag: 412 when it has another.
HttpReply answerSave(Storage &storage, std::string_view body, std::string_view timestamp,
    ServerTiming timing = ServerTiming(), std::optional<std::string_view> ifMatch = std::nullopt);

// The answer to a save body over kMaxSaveBodyBytes.
HttpReply tooLargeSaveReply();

inline constexpr std::string_view kPagePath = "/VendorCenter.asp";
inline constexpr std::string_view kHealthPath = "/healthz";

// What the checks before routing see of a request: its line and its headers
// as received (names in any letter case, values untouched).
struct RequestHead
{
    std::string_view method;
    std::string_view path; // without the query
    bool http10 = false;
    std::vector<std::pair<std::string_view, std::string_view>> headers;
};

// The host names a request may be addressed to, besides the numeric address
// the connection came in on: "localhost", the listen host, --allowed-host.
struct HostAllowList
{
    std::vector<std::string> names; // compared in any letter case
    std::string localAddress; // of the connection, numeric
};

// The framing, the Host, the Origin of a write and the body of a request,
// checked before it is routed and before a byte of its body is read. The
// refusal, or nothing when the request may go on.
std::optional<HttpReply> screenRequest(const RequestHead &head, const HostAllowList &hosts);

// True when the head announces a body (a Content-Length above 0 or chunked).
bool announcesBody(const RequestHead &head);

// The value of the one header `name`, or nullopt when it is absent.
std::optional<std::string_view> headerValue(const RequestHead &head, std::string_view name);

// The usual refusals, as the routes send them.
HttpReply notFoundReply();
HttpReply methodNotAllowedReply();
HttpReply credentialsNeededReply();
HttpReply throttledReply(long long seconds);
HttpReply healthReply(bool healthy);
HttpReply failedRequestReply(int status);

// The current local time as 'YYYY-MM-DD HH:MM:SS'.
std::string currentLocalTimestamp();

} // namespace vendorcenter::server
