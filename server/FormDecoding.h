#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vendorcenter::server {

struct DecodedSaveForm
{
    std::vector<std::string> statements; // UTF-8, in posted order
    std::string error; // set when the body is refused
    bool ok() const { return error.empty(); }
};

// Reads a save body "SQL=<enc>&SQL=<enc>&...": "+" is a blank, "%XX" is one
// Windows-1252 byte, every other byte is taken as a Windows-1252 character too.
// Empty fields (the trailing "&") are passed over. A field with another name,
// a field without "=" or a broken escape refuses the whole body.
DecodedSaveForm decodeSaveForm(std::string_view body);

// Appends the UTF-8 form of one Windows-1252 byte.
void appendWindows1252AsUtf8(std::string &out, unsigned char byte);

} // namespace vendorcenter::server
