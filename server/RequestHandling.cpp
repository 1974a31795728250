#include "RequestHandling.h"

#include "FormDecoding.h"
#include "Replies.h"
#include "StatementParser.h"

#include <ctime>
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
        storage.readSelectedCenters(*vendorId, [&](const SelectedCenterRow &center) { reply.add(center); });
        return xml(reply.finish());
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

HttpReply saveReply(Storage &storage, std::string_view body, std::string_view timestamp, ServerTiming &timing)
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
    timing.mark("parse");

    const ApplyResult result = storage.apply(statements, timestamp);
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

} // namespace

HttpReply answerQuery(Storage &storage, const QueryParameters &parameters, ServerTiming timing)
{
    HttpReply reply = queryReply(storage, parameters);
    timing.mark("query");
    reply.serverTiming = timing.header();
    return reply;
}

HttpReply answerSave(Storage &storage, std::string_view body, std::string_view timestamp, ServerTiming timing)
{
    HttpReply reply = saveReply(storage, body, timestamp, timing);
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
