#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace vendorcenter {

// One field value of an application/x-www-form-urlencoded body: each character
// is taken as its single Windows-1252 byte (outside that set: "?"), a blank
// becomes "+", letters, digits and * - . _ stay, anything else is %XX.
QString urlEncode(const QString &text);

// The same encoding appended to a body as the bytes it consists of.
void appendUrlEncoded(QByteArray &body, QStringView text);

// The Windows-1252 byte of one UTF-16 unit; 63 ("?") for a unit the set lacks.
unsigned char windows1252Byte(char16_t unit);

} // namespace vendorcenter
