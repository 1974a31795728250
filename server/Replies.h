#pragma once

#include "storage/Storage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vendorcenter::server {

// The control reads these documents by position only, so the element order
// is fixed and nothing else (comments, text) may stand inside the root.
std::string countsReplyXml(std::int32_t vendorId, const VendorCounts &counts);

// The list replies are written row by row as the storage hands them over.
class ActiveCentersReply
{
public:
    explicit ActiveCentersReply(std::int32_t vendorId);
    void add(const ActiveCenterRow &center);
    std::string finish();

private:
    std::string out_;
    std::size_t rows_ = 0;
};

class SelectedCentersReply
{
public:
    explicit SelectedCentersReply(std::int32_t vendorId);
    void add(const SelectedCenterRow &center);
    std::string finish();

private:
    std::string head_;
    std::string rows_; // the count stands before the rows, so they wait here
    std::size_t rowCount_ = 0;
    double lastFee_ = 0.0;
    std::string lastFeeText_ = "0";
};

std::string activeCentersReplyXml(std::int32_t vendorId, const std::vector<ActiveCenterRow> &centers);
std::string selectedCentersReplyXml(std::int32_t vendorId, const std::vector<SelectedCenterRow> &centers);

// 'YYYY-MM-DD HH:MM:SS' -> 'MM/DD/YYYY HH:MM:SS'; anything else is passed on
// as stored. Both give the text XML-escaped, as it stands in a reply.
std::string replyDate(std::string_view stored);
void appendReplyDateEscaped(std::string &out, std::string_view stored);

// The shortest decimal that reads back as the same double, with a point.
std::string replyFee(double fee);

// The name sent for a selected center: the control refuses a blank one.
std::string selectedCenterName(std::int64_t centerId, std::string_view storedName);

// The text for the user's message box after a successful save.
std::string savedReplyText(const std::vector<Statement> &statements, const ApplyResult &result);

// The first characters of a posted statement, safe to show in a reply.
std::string statementExcerpt(std::string_view statement);

} // namespace vendorcenter::server
