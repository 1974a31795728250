// Any statement text through the server page's parser. It either refuses the
// text with a reason or yields values; values written back in the control's
// own statement shape must read back the same.
#include "StatementParser.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace vendorcenter::server;

namespace {

std::string plain(double value)
{
    char buffer[400];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (error != std::errc())
        std::abort();
    return std::string(buffer, end);
}

std::string rendered(const Statement &statement)
{
    if (const auto *insert = std::get_if<InsertCrossReference>(&statement)) {
        return "INSERT INTO VendorCenterCrossReference (VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,"
               "RecordLastUpdated) VALUES ("
            + std::to_string(insert->vendorId) + "," + std::to_string(insert->centerId) + ","
            + plain(insert->handlingFee) + "," + std::to_string(insert->dutyBrokerageFee) + ",GETDATE() ) ";
    }
    if (const auto *update = std::get_if<UpdateCrossReference>(&statement)) {
        return "UPDATE VendorCenterCrossReference SET CenterHandlingFee= " + plain(update->handlingFee)
            + ", DutyBrokerageFee= " + std::to_string(update->dutyBrokerageFee)
            + ", RecordLastUpdated = GETDATE()  WHERE CenterID = " + std::to_string(update->centerId)
            + " AND vendorID = " + std::to_string(update->vendorId);
    }
    const auto &remove = std::get<DeleteCrossReferences>(statement);
    std::string text = "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=" + std::to_string(remove.vendorId)
        + " AND CenterID IN(";
    for (const std::int32_t id : remove.centerIds)
        text += std::to_string(id) + ",";
    text.back() = ')';
    return text;
}

bool sameValues(const Statement &a, const Statement &b)
{
    if (a.index() != b.index())
        return false;
    if (const auto *x = std::get_if<InsertCrossReference>(&a)) {
        const auto &y = std::get<InsertCrossReference>(b);
        return x->vendorId == y.vendorId && x->centerId == y.centerId && x->handlingFee == y.handlingFee
            && x->dutyBrokerageFee == y.dutyBrokerageFee;
    }
    if (const auto *x = std::get_if<UpdateCrossReference>(&a)) {
        const auto &y = std::get<UpdateCrossReference>(b);
        return x->vendorId == y.vendorId && x->centerId == y.centerId && x->handlingFee == y.handlingFee
            && x->dutyBrokerageFee == y.dutyBrokerageFee;
    }
    const auto &x = std::get<DeleteCrossReferences>(a);
    const auto &y = std::get<DeleteCrossReferences>(b);
    return x.vendorId == y.vendorId && x.centerIds == y.centerIds;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const ParsedStatement parsed = parseStatement(text);
    if (parsed.statement.has_value() == !parsed.error.empty())
        std::abort(); // exactly one of a statement or a reason
    if (!parsed.statement)
        return 0;
    if (const auto *remove = std::get_if<DeleteCrossReferences>(&*parsed.statement);
        remove && remove->centerIds.empty())
        std::abort();
    const ParsedStatement again = parseStatement(rendered(*parsed.statement));
    if (!again.statement || !sameValues(*parsed.statement, *again.statement))
        std::abort();
    return 0;
}
