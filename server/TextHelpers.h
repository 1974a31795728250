#pragma once

#include <string>
#include <string_view>

namespace vendorcenter::server {

// Byte texts as the server page reads them: keywords compared without regard
// to the case of ASCII letters, UTF-8 checked and written.

// True when both texts are equal once ASCII letters are folded to one case;
// other bytes must match exactly.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// True when the text is UTF-8: lead and continuation bytes in order, no
// sequence cut short, no lead byte that can only start an overlong form or a
// code point past U+10FFFF.
bool isUtf8(std::string_view text);

// Appends the UTF-8 form of one code point of the Basic Multilingual Plane.
void appendUtf8(std::string &out, char16_t code);

// Every byte read as the Latin-1 character of that number, written as UTF-8.
std::string latin1AsUtf8(std::string_view text);

} // namespace vendorcenter::server
