#include "Replies.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>
#include <span>

#include "XmlWriter.h"

namespace vendorcenter::server {
namespace {

bool isDigitAt(std::string_view text, std::size_t i)
{
    return text[i] >= '0' && text[i] <= '9';
}

bool hasDatePattern(std::string_view text)
{
    if (text.size() < 10 || text[4] != '-' || text[7] != '-')
        return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (!isDigitAt(text, i))
            return false;
    }
    return true;
}

std::string decimal(std::int64_t value)
{
    return std::to_string(value);
}

bool isBlank(std::string_view text)
{
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    }
    return true;
}

} // namespace

void appendReplyDateEscaped(std::string &out, std::string_view stored)
{
    const bool withTime = stored.size() > 10 && (stored[10] == ' ' || stored[10] == 'T');
    if (!hasDatePattern(stored) || (stored.size() > 10 && !withTime)) {
        appendEscapedXml(out, stored);
        return;
    }
    const char date[10] = {
        stored[5], stored[6], '/', stored[8], stored[9], '/', stored[0], stored[1], stored[2], stored[3]};
    out.append(date, sizeof date);
    if (withTime) {
        out += ' ';
        appendEscapedXml(out, stored.substr(11, 8));
    }
}

std::string replyDate(std::string_view stored)
{
    std::string out;
    appendReplyDateEscaped(out, stored);
    return out;
}

std::string replyFee(double fee)
{
    if (!std::isfinite(fee) || fee == 0.0)
        return "0"; // no "-0"
    char buffer[400];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, fee, std::chars_format::fixed);
    if (error != std::errc())
        return "0";
    return std::string(buffer, end);
}

std::string selectedCenterName(std::int64_t centerId, std::string_view storedName)
{
    // A whitespace-only name is dropped by the reader and would fail the load.
    if (!isBlank(storedName))
        return std::string(storedName);
    return "Center " + decimal(centerId);
}

std::string countsReplyXml(std::int32_t vendorId, const VendorCounts &counts)
{
    XmlWriter xml;
    xml.open("VendorCenter");
    xml.open("Counts");
    xml.openWithAttribute("Vendor", "VendorID", decimal(vendorId));
    xml.element("DutyDefault", counts.dutyDefault != 0 ? "1" : "0");
    xml.element("NonSelectedCount", decimal(counts.nonSelectedCount));
    xml.element("SelectedCount", decimal(counts.selectedCount));
    xml.close("Vendor");
    xml.close("Counts");
    xml.close("VendorCenter");
    return xml.take();
}

// Rows are written from fixed markup pieces: the lists can be long, and the
// generic writer would spend most of its time on tags.
namespace {

constexpr std::size_t kInitialReplyBytes = 64 * 1024;

void appendInteger(std::string &out, std::int64_t value)
{
    char buffer[24];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, error == std::errc() ? end : buffer);
}

void appendTextField(
    std::string &out, std::string_view open, std::string_view text, std::string_view close, std::string_view empty)
{
    if (text.empty()) {
        out += empty;
        return;
    }
    out += open;
    appendEscapedXml(out, text);
    out += close;
}

std::string listHead(std::int32_t vendorId)
{
    XmlWriter xml(kInitialReplyBytes);
    xml.open("VendorCenter");
    xml.emptyElementWithAttribute("Vendor", "VendorID", decimal(vendorId));
    std::string head = xml.take();
    head.pop_back(); // the writer's final line break; the rows follow directly
    return head;
}

constexpr std::string_view kRowsOpen = "\n  <Centers>";
constexpr std::string_view kRowsClose = "\n  </Centers>\n</VendorCenter>\n";
constexpr std::string_view kNoRows = "\n  <Centers/>\n</VendorCenter>\n";

} // namespace

ActiveCentersReply::ActiveCentersReply(std::int32_t vendorId) : out_(listHead(vendorId)) { }

void ActiveCentersReply::add(const ActiveCenterRow &center)
{
    if (rows_++ == 0)
        out_ += kRowsOpen;
    out_ += "\n    <Center>\n      <CenterID>";
    appendInteger(out_, center.centerId);
    out_ += "</CenterID>";
    appendTextField(out_, "\n      <CenterName>", center.centerName, "</CenterName>", "\n      <CenterName/>");
    out_ += "\n      <CountryID>";
    appendInteger(out_, center.countryId);
    out_ += "</CountryID>\n      <Active>";
    appendInteger(out_, center.active);
    out_ += "</Active>";
    appendTextField(out_, "\n      <City>", center.city.value_or(std::string_view()), "</City>", "\n      <City/>");
    if (center.dateUpdated && !center.dateUpdated->empty()) {
        out_ += "\n      <DateUpdated>";
        appendReplyDateEscaped(out_, *center.dateUpdated);
        out_ += "</DateUpdated>";
    } else {
        out_ += "\n      <DateUpdated/>";
    }
    out_ += "\n    </Center>";
}

std::string ActiveCentersReply::finish()
{
    out_ += rows_ == 0 ? kNoRows : kRowsClose;
    return std::move(out_);
}

SelectedCentersReply::SelectedCentersReply(std::int32_t vendorId) : head_(listHead(vendorId))
{
    rows_.reserve(kInitialReplyBytes);
}

void SelectedCentersReply::add(const SelectedCenterRow &center)
{
    ++rowCount_;
    rows_ += "\n    <Center>\n      <CenterID>";
    appendInteger(rows_, center.centerId);
    rows_ += "</CenterID>\n      <CenterName>";
    if (isBlank(center.centerName)) {
        appendEscapedXml(rows_, selectedCenterName(center.centerId, center.centerName));
    } else {
        appendEscapedXml(rows_, center.centerName);
    }
    // Fees repeat from row to row; formatting one is the costly part of a row.
    if (center.handlingFee != lastFee_ || std::signbit(center.handlingFee) != std::signbit(lastFee_)) {
        lastFee_ = center.handlingFee;
        lastFeeText_ = replyFee(center.handlingFee);
    }
    rows_ += "</CenterName>\n      <CenterHandlingFee>";
    rows_ += lastFeeText_;
    rows_ += center.dutyBrokerageFee != 0 ? "</CenterHandlingFee>\n      <DutyBrokerageFee>1</DutyBrokerageFee>"
                                          : "</CenterHandlingFee>\n      <DutyBrokerageFee>0</DutyBrokerageFee>";
    if (center.recordLastUpdated.empty()) {
        rows_ += "\n      <RecordLastUpdated/>";
    } else {
        rows_ += "\n      <RecordLastUpdated>";
        appendReplyDateEscaped(rows_, center.recordLastUpdated);
        rows_ += "</RecordLastUpdated>";
    }
    rows_ += "\n    </Center>";
}

std::string SelectedCentersReply::finish()
{
    // The count stands before the rows: it goes in front of them in their
    // own buffer rather than both being copied into a new one.
    std::string front = std::move(head_);
    front += "\n  <SelectedCount>";
    appendInteger(front, static_cast<std::int64_t>(rowCount_));
    front += "</SelectedCount>";
    if (rowCount_ == 0) {
        front += kNoRows;
        return front;
    }
    front += kRowsOpen;
    rows_ += kRowsClose;
    rows_.insert(0, front);
    return std::move(rows_);
}

std::string activeCentersReplyXml(std::int32_t vendorId, const std::vector<ActiveCenterRow> &centers)
{
    ActiveCentersReply reply(vendorId);
    for (const ActiveCenterRow &center : centers)
        reply.add(center);
    return reply.finish();
}

std::string selectedCentersReplyXml(std::int32_t vendorId, const std::vector<SelectedCenterRow> &centers)
{
    SelectedCentersReply reply(vendorId);
    for (const SelectedCenterRow &center : centers)
        reply.add(center);
    return reply.finish();
}

std::string savedReplyText(const std::vector<Statement> &statements, const ApplyResult &result)
{
    std::set<std::int32_t> vendors;
    for (const Statement &statement : statements)
        vendors.insert(vendorOf(statement));

    std::string text;
    if (result.changedRows == 0) {
        text = "No changes saved";
    } else {
        text = decimal(static_cast<std::int64_t>(result.changedRows))
            + (result.changedRows == 1 ? " change saved" : " changes saved");
    }
    if (vendors.size() == 1)
        text += " for vendor " + decimal(*vendors.begin());
    text += '.';

    // A post may name a pair thousands of times; past a screenful the rest
    // is only counted.
    constexpr std::size_t kListedSkips = 40;
    const std::size_t listed = std::min(result.skipped.size(), kListedSkips);
    for (const SkippedChange &skip : std::span(result.skipped).first(listed)) {
        const std::string center = "Center " + decimal(skip.centerId);
        const std::string vendor = " for vendor " + decimal(skip.vendorId);
        text += '\n';
        switch (skip.reason) {
        case SkipReason::AlreadySelected:
            text += center + " was already selected" + vendor + "; not added again.";
            break;
        case SkipReason::NotSelectedToUpdate:
            text += center + " is not selected" + vendor + "; its fee was not changed.";
            break;
        case SkipReason::NotSelectedToRemove:
            text += center + " was not selected" + vendor + "; nothing to remove.";
            break;
        }
    }
    if (const std::size_t more = result.skipped.size() - listed; more > 0)
        text += "\n... and " + decimal(static_cast<std::int64_t>(more))
            + (more == 1 ? " more change was skipped." : " more changes were skipped.");
    return text;
}

std::string statementExcerpt(std::string_view statement)
{
    constexpr std::size_t kCharacters = 60;
    std::string out;
    std::size_t characters = 0;
    std::size_t i = 0;
    while (i < statement.size() && characters < kCharacters) {
        const auto c = static_cast<unsigned char>(statement[i]);
        std::size_t length = 1;
        if (c >= 0xF0)
            length = 4;
        else if (c >= 0xE0)
            length = 3;
        else if (c >= 0xC0)
            length = 2;
        if (c < 0x20 || c == 0x7F) {
            out += ' ';
        } else {
            out.append(statement.substr(i, length));
        }
        i += length;
        ++characters;
    }
    if (i < statement.size())
        out += "...";
    return out;
}

} // namespace vendorcenter::server
