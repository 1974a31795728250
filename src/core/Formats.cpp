#include "core/Formats.h"

#include "core/Failure.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vendorcenter::formats {

QStringView withoutBlanks(QStringView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.sliced(first, last - first);
}

QString withoutBlanks(const QString &text)
{
    const QStringView trimmed = withoutBlanks(QStringView(text));
    return trimmed.size() == text.size() ? text : trimmed.toString();
}

QLocale userLocale()
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

QString fixed(double value, int decimals)
{
    return userLocale().toString(value, 'f', decimals);
}

std::optional<double> readNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = userLocale().toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> readReplyNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    for (QLocale locale : {QLocale(), QLocale::c()}) {
        locale.setNumberOptions(QLocale::RejectGroupSeparator);
        bool ok = false;
        const double value = locale.toDouble(trimmed, &ok);
        if (ok && std::isfinite(value))
            return value;
    }
    return std::nullopt;
}

bool isAsciiDigits(QStringView text)
{
    return !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; });
}

bool isAsciiInteger(QStringView text)
{
    return isAsciiDigits(text.startsWith(QLatin1Char('-')) ? text.sliced(1) : text);
}

bool isPointDecimal(QStringView text)
{
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0)
        return isAsciiDigits(text);
    return isAsciiDigits(text.first(point)) && isAsciiDigits(text.sliced(point + 1));
}

bool isUserDecimal(QStringView text)
{
    // The common texts need no locale: digits alone (a flag or an id), or a
    // change mark at the end. No decimal separator is a digit or a letter.
    if (!text.isEmpty()) {
        const char16_t last = text.back().unicode();
        if ((last >= u'A' && last <= u'Z') || (last >= u'a' && last <= u'z'))
            return false;
        if (isAsciiDigits(text))
            return true;
    }
    const QLocale locale = userLocale();
    const QString separator = locale.decimalPoint();
    const QString negativeSign = locale.negativeSign();
    qsizetype i = 0;
    if (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')))
        i = 1;
    else if (!negativeSign.isEmpty() && text.startsWith(negativeSign))
        i = negativeSign.size();
    bool sawSeparator = false;
    int digits = 0;
    while (i < text.size()) {
        if (text.at(i).unicode() >= '0' && text.at(i).unicode() <= '9') {
            ++digits;
            ++i;
        } else if (!sawSeparator && text.sliced(i).startsWith(separator)) {
            sawSeparator = true;
            i += separator.size();
        } else {
            return false;
        }
    }
    return digits > 0;
}

qint16 toInt16(const QString &text)
{
    const std::optional<double> value = readReplyNumber(text);
    if (!value)
        throw Failure::typeMismatch();
    const int previousMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(*value); // a half goes to the even neighbour
    std::fesetround(previousMode);
    if (rounded < -32768.0 || rounded > 32767.0)
        throw Failure::overflow();
    return static_cast<qint16>(rounded);
}

bool toBoolean(const QString &text)
{
    const QString trimmed = text.trimmed();
    // "0" and "1", what a server page sends, read alike under every locale.
    if (trimmed.size() == 1 && (trimmed.front() == QLatin1Char('0') || trimmed.front() == QLatin1Char('1')))
        return trimmed.front() == QLatin1Char('1');
    if (trimmed.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    const std::optional<double> value = readReplyNumber(trimmed);
    if (!value)
        throw Failure::typeMismatch();
    return *value != 0.0;
}

QString sqlNumber(double value)
{
    if (value == 0.0 || !std::isfinite(value))
        return QStringLiteral("0");
    // Round to 15 significant digits, then write the digits out in plain notation.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    QString digits;
    const char *p = buffer;
    for (; *p && *p != 'e'; ++p) {
        if (*p != '.')
            digits += QLatin1Char(*p);
    }
    const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
    while (digits.size() > 1 && digits.back() == QLatin1Char('0'))
        digits.chop(1);
    const int pointAt = exponent + 1; // digits before the decimal point
    QString text;
    if (pointAt <= 0)
        text = QStringLiteral("0.") + QString(-pointAt, QLatin1Char('0')) + digits;
    else if (pointAt >= digits.size())
        text = digits + QString(pointAt - digits.size(), QLatin1Char('0'));
    else
        text = digits.left(pointAt) + QLatin1Char('.') + digits.mid(pointAt);
    return value < 0 ? QLatin1Char('-') + text : text;
}

} // namespace vendorcenter::formats
