#include "StatementParser.h"

#include "TextHelpers.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace vendorcenter::server {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool isWordStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isWordChar(char c)
{
    return isWordStart(c) || isDigit(c);
}
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

enum class TokenKind { Word, Number, Punct };

struct Token
{
    TokenKind kind;
    std::string_view text;
};

struct Tokens
{
    std::vector<Token> tokens;
    std::string error;
};

std::string quoted(std::string_view text)
{
    constexpr std::size_t kLongest = 30;
    std::string out = "\"";
    out.append(text.substr(0, kLongest));
    if (text.size() > kLongest)
        out += "...";
    out += '"';
    return out;
}

// Splits the text into words, numbers and the punctuation the three shapes
// use. Characters that could start a comment, a string or a second statement
// are refused here already, with a reason a person can act on.
Tokens tokenize(std::string_view text)
{
    Tokens result;
    // An INSERT has 28 tokens: one allocation instead of six for a post of thousands.
    result.tokens.reserve(32);
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (isBlank(c)) {
            ++i;
            continue;
        }
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (isWordStart(c)) {
            std::size_t end = i + 1;
            while (end < text.size() && isWordChar(text[end]))
                ++end;
            result.tokens.push_back({TokenKind::Word, text.substr(i, end - i)});
            i = end;
        } else if (isDigit(c) || (c == '-' && isDigit(next)) || (c == '.' && isDigit(next))) {
            // Take everything that could belong to a number so that "1e3" or
            // "0x10" are judged as one token instead of a number and a word.
            std::size_t end = i + 1;
            while (end < text.size() && (isWordChar(text[end]) || text[end] == '.'))
                ++end;
            result.tokens.push_back({TokenKind::Number, text.substr(i, end - i)});
            i = end;
        } else if (c == '(' || c == ')' || c == ',' || c == '=') {
            result.tokens.push_back({TokenKind::Punct, text.substr(i, 1)});
            ++i;
        } else if (c == ';') {
            result.error = "a \";\" is not accepted (one statement per field)";
            return result;
        } else if (c == '-' && next == '-') {
            result.error = "comments (\"--\") are not accepted";
            return result;
        } else if (c == '/' && next == '*') {
            result.error = "comments (\"/*\") are not accepted";
            return result;
        } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
            result.error = "quoted text is not accepted";
            return result;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x21 && byte < 0x7F) {
                result.error = std::string("the character \"") + c + "\" is not accepted";
            } else {
                result.error = "a character outside the statement's alphabet is not accepted";
            }
            return result;
        }
    }
    return result;
}

// One expected element of a statement shape.
enum class Expect { Keyword, Punct, Int32, Decimal, DutyFlag, IdList };

struct Step
{
    Expect expect;
    std::string_view text; // the keyword or punctuation, or a name for values
};

constexpr Step kw(std::string_view word)
{
    return {Expect::Keyword, word};
}
constexpr Step p(std::string_view punct)
{
    return {Expect::Punct, punct};
}
constexpr Step value(Expect kind, std::string_view name)
{
    return {kind, name};
}

const std::vector<Step> &insertShape()
{
    static const std::vector<Step> shape = {kw("INSERT"), kw("INTO"), kw("VendorCenterCrossReference"), p("("),
        kw("VendorID"), p(","), kw("CenterID"), p(","), kw("CenterHandlingFee"), p(","), kw("DutyBrokerageFee"), p(","),
        kw("RecordLastUpdated"), p(")"), kw("VALUES"), p("("), value(Expect::Int32, "the vendor id"), p(","),
        value(Expect::Int32, "the center id"), p(","), value(Expect::Decimal, "the handling fee"), p(","),
        value(Expect::DutyFlag, "the duty brokerage flag"), p(","), kw("GETDATE"), p("("), p(")"), p(")")};
    return shape;
}

const std::vector<Step> &updateShape()
{
    static const std::vector<Step> shape = {kw("UPDATE"), kw("VendorCenterCrossReference"), kw("SET"),
        kw("CenterHandlingFee"), p("="), value(Expect::Decimal, "the handling fee"), p(","), kw("DutyBrokerageFee"),
        p("="), value(Expect::DutyFlag, "the duty brokerage flag"), p(","), kw("RecordLastUpdated"), p("="),
        kw("GETDATE"), p("("), p(")"), kw("WHERE"), kw("CenterID"), p("="), value(Expect::Int32, "the center id"),
        kw("AND"), kw("VendorID"), p("="), value(Expect::Int32, "the vendor id")};
    return shape;
}

const std::vector<Step> &deleteShape()
{
    static const std::vector<Step> shape = {kw("DELETE"), kw("FROM"), kw("VendorCenterCrossReference"), kw("WHERE"),
        kw("VendorID"), p("="), value(Expect::Int32, "the vendor id"), kw("AND"), kw("CenterID"), kw("IN"), p("("),
        value(Expect::IdList, "the center ids"), p(")")};
    return shape;
}

struct Captured
{
    std::vector<std::int32_t> ints;
    std::vector<double> decimals;
    std::vector<int> flags;
    std::vector<std::int32_t> ids;
};

std::string describe(const Token &token)
{
    return quoted(token.text);
}

// Walks the tokens along one shape; returns an empty string on a match.
std::string match(const std::vector<Token> &tokens, const std::vector<Step> &shape, Captured &captured)
{
    std::size_t at = 0;
    auto missing = [](std::string_view what) {
        return "the statement ends where " + std::string(what) + " should follow";
    };

    for (const Step &step : shape) {
        switch (step.expect) {
        case Expect::Keyword:
        case Expect::Punct: {
            // Built only for the message: a post runs this some 25 times per statement.
            const auto expected = [&step] { return "\"" + std::string(step.text) + "\""; };
            if (at >= tokens.size())
                return missing(expected());
            const Token &token = tokens[at];
            const bool ok = step.expect == Expect::Keyword
                ? token.kind == TokenKind::Word && equalsIgnoringCase(token.text, step.text)
                : token.kind == TokenKind::Punct && token.text == step.text;
            if (!ok)
                return "expected " + expected() + " but found " + describe(token);
            ++at;
            break;
        }
        case Expect::Int32:
        case Expect::DutyFlag:
        case Expect::Decimal: {
            if (at >= tokens.size())
                return missing(step.text);
            const Token &token = tokens[at];
            if (token.kind != TokenKind::Number) {
                return std::string(step.text) + " must be a number, found " + describe(token);
            }
            if (step.expect == Expect::Decimal) {
                auto fee = parsePlainDecimal(token.text);
                if (!fee)
                    return std::string(step.text) + " " + describe(token) + " is not a plain decimal number";
                // Stored as a fraction: 0 to 100 %.
                if (*fee < 0.0 || *fee > 1.0)
                    return std::string(step.text) + " " + describe(token) + " is outside 0 to 1 (0 to 100 %)";
                captured.decimals.push_back(*fee);
            } else {
                auto number = parseInt32(token.text);
                if (!number)
                    return std::string(step.text) + " " + describe(token) + " is not a whole number in range";
                if (step.expect == Expect::DutyFlag) {
                    if (*number != 0 && *number != 1)
                        return std::string(step.text) + " must be 0 or 1, found " + describe(token);
                    captured.flags.push_back(*number);
                } else {
                    captured.ints.push_back(*number);
                }
            }
            ++at;
            break;
        }
        case Expect::IdList: {
            while (true) {
                if (at >= tokens.size())
                    return missing(step.text);
                const Token &token = tokens[at];
                auto id = token.kind == TokenKind::Number ? parseInt32(token.text) : std::nullopt;
                if (!id)
                    return "a center id must be a whole number in range, found " + describe(token);
                if (captured.ids.size() == kMaxIdsInList)
                    return "more than " + std::to_string(kMaxIdsInList) + " center ids in one IN list";
                captured.ids.push_back(*id);
                ++at;
                if (at < tokens.size() && tokens[at].kind == TokenKind::Punct && tokens[at].text == ",") {
                    ++at;
                    continue;
                }
                break;
            }
            break;
        }
        }
    }
    if (at != tokens.size())
        return "unexpected " + describe(tokens[at]) + " after the end of the statement";
    return {};
}

} // namespace

std::optional<std::int32_t> parseInt32(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    std::size_t digitsFrom = text.front() == '-' ? 1 : 0;
    if (digitsFrom == text.size())
        return std::nullopt;
    for (std::size_t i = digitsFrom; i < text.size(); ++i) {
        if (!isDigit(text[i]))
            return std::nullopt;
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<double> parsePlainDecimal(std::string_view text)
{
    // -?digits[.digits]: what the control writes; no exponent, no hex, no blanks.
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-')
        ++i;
    const std::size_t intStart = i;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    if (i == intStart)
        return std::nullopt;
    if (i < text.size() && text[i] == '.') {
        ++i;
        const std::size_t fracStart = i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        if (i == fracStart)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

ParsedStatement parseStatement(std::string_view text)
{
    ParsedStatement result;
    Tokens tokens = tokenize(text);
    if (!tokens.error.empty()) {
        result.error = std::move(tokens.error);
        return result;
    }
    if (tokens.tokens.empty()) {
        result.error = "the statement is empty";
        return result;
    }

    const Token &first = tokens.tokens.front();
    Captured captured;
    if (first.kind == TokenKind::Word && equalsIgnoringCase(first.text, "INSERT")) {
        result.error = match(tokens.tokens, insertShape(), captured);
        if (result.error.empty()) {
            result.statement =
                InsertCrossReference {captured.ints[0], captured.ints[1], captured.decimals[0], captured.flags[0]};
        }
    } else if (first.kind == TokenKind::Word && equalsIgnoringCase(first.text, "UPDATE")) {
        result.error = match(tokens.tokens, updateShape(), captured);
        if (result.error.empty()) {
            // The WHERE clause names the center first, then the vendor.
            result.statement =
                UpdateCrossReference {captured.ints[1], captured.ints[0], captured.decimals[0], captured.flags[0]};
        }
    } else if (first.kind == TokenKind::Word && equalsIgnoringCase(first.text, "DELETE")) {
        result.error = match(tokens.tokens, deleteShape(), captured);
        if (result.error.empty()) {
            result.statement = DeleteCrossReferences {captured.ints[0], std::move(captured.ids)};
        }
    } else {
        result.error =
            "only INSERT, UPDATE and DELETE on VendorCenterCrossReference are accepted, found " + describe(first);
    }
    return result;
}

std::int32_t vendorOf(const Statement &statement)
{
    return std::visit([](const auto &s) { return s.vendorId; }, statement);
}

} // namespace vendorcenter::server
