#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>

// Numbers as the user reads and types them: every conversion follows the
// user's regional settings (QLocale()), without digit grouping on output.
namespace vendorcenter::formats {

// The text without the blanks at both ends. Only the space character counts
// as a blank: a tab or a line break stays.
QString withoutBlanks(const QString &text);
QStringView withoutBlanks(QStringView text);

// The user's locale, set to write numbers without group separators.
QLocale userLocale();

// A number with a fixed count of decimals ("0.00" is decimals = 2).
QString fixed(double value, int decimals);

// A number read under the user's settings, blanks around it allowed.
std::optional<double> readNumber(const QString &text);

// A number in a server reply. Replies never group digits, so any group
// separator is refused; the user's decimal separator is tried first, then the
// point, so that a reply written with a point reads the same under every
// regional setting ("0.125" is never taken for 125).
std::optional<double> readReplyNumber(const QString &text);

// The digit predicates of the control, one for each kind of number text it
// meets. None of them allows blanks around the text.

// ASCII digits and nothing else, at least one ("0", "0042").
bool isAsciiDigits(QStringView text);

// An optional "-" and ASCII digits ("7", "-12", "0007"): a center id that may
// stand unquoted in a statement.
bool isAsciiInteger(QStringView text);

// ASCII digits with at most one point between them, no sign ("12", "0.08"):
// a number as a server page writes it, read alike under every regional setting.
bool isPointDecimal(QStringView text);

// An optional sign and digits with at most one decimal separator of the
// user's regional settings among them, at least one digit ("5", "5.", ".5",
// "-5.25"): a number as the user types it.
bool isUserDecimal(QStringView text);

// A 16-bit count from a reply: a half rounds to the even neighbour; throws
// Failure 13 (not a number) or 6 (outside -32768..32767).
qint16 toInt16(const QString &text);

// A flag from a reply: "true"/"false" in any letter case, or a number (0 is false).
// Throws Failure 13 for anything else.
bool toBoolean(const QString &text);

// A number in an SQL statement: point as decimal separator under every
// regional setting, at most 15 significant digits, plain notation, no
// trailing zeros ("0.08", "0.125", "0").
QString sqlNumber(double value);

} // namespace vendorcenter::formats
