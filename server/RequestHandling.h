#pragma once

#include "ServerTiming.h"
#include "storage/Storage.h"

#include <map>
#include <string>
#include <string_view>

namespace vendorcenter::server {

struct HttpReply
{
    int status = 200;
    std::string contentType;
    std::string body;
    std::string diagnostic; // for the server's log only, never sent
    std::string serverTiming; // the phases of the work, for the Server-Timing header
};

// Not text/xml: the packaged cpp-httplib compresses text/* replies with brotli
// at its slowest setting whenever the client accepts it (Qt's does), which
// made a 32,000-row list take seconds instead of milliseconds to serve.
inline constexpr std::string_view kXmlContentType = "application/xml; charset=utf-8";
inline constexpr std::string_view kTextContentType = "text/plain; charset=utf-8";

// Largest save body taken. The control may post 32,767 statements of about
// 250 encoded bytes, some 8 MiB.
inline constexpr std::size_t kMaxSaveBodyBytes = 16u * 1024u * 1024u;

using QueryParameters = std::multimap<std::string, std::string>;

// GET /VendorCenter.asp: ?count=1, ?active=1 or ?selected=1, each with &VendorID=N.
// The timing gets the phase "query" (the database and the XML, which are
// written row by row together).
HttpReply answerQuery(Storage &storage, const QueryParameters &parameters, ServerTiming timing = ServerTiming());

// POST /VendorCenter.asp with "SQL=<enc>&..." fields. `timestamp` stands for
// GETDATE(). Nothing is applied unless the reply is 200. The timing gets the
// phases "decode", "parse", "apply" and "reply" as far as the save gets.
HttpReply answerSave(
    Storage &storage, std::string_view body, std::string_view timestamp, ServerTiming timing = ServerTiming());

// The answer to a save body over kMaxSaveBodyBytes.
HttpReply tooLargeSaveReply();

// The current local time as 'YYYY-MM-DD HH:MM:SS'.
std::string currentLocalTimestamp();

} // namespace vendorcenter::server
