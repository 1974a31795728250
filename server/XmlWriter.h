#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vendorcenter::server {

// Appends text escaped for XML content or attribute values. Invalid UTF-8 and
// characters XML 1.0 cannot carry become U+FFFD, so a reply stays well-formed
// whatever the database holds.
void appendEscapedXml(std::string &out, std::string_view text);

// A small indenting writer for the replies. Indentation is whitespace-only
// text, which the control's reader drops, so it never shifts positions.
class XmlWriter
{
public:
    explicit XmlWriter(std::size_t expectedSize = 256);

    void open(std::string_view name);
    void openWithAttribute(std::string_view name, std::string_view attribute, std::string_view value);
    void close(std::string_view name);
    // <name>text</name>, or <name/> for empty text.
    void element(std::string_view name, std::string_view text);
    void emptyElementWithAttribute(std::string_view name, std::string_view attribute, std::string_view value);

    // The finished document; the writer is left empty.
    std::string take();

private:
    void newLine();

    std::string out_;
    int depth_ = 0;
};

} // namespace vendorcenter::server
