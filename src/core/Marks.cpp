#include "core/Marks.h"

#include "core/Formats.h"

#include <cmath>

namespace vendorcenter::marks {

namespace {

// A plain number with optional blanks around it ("0", " 1 "): the row is as
// the server has it. Any letter behind the digits marks it; so does an empty text.
bool isUnmarked(const QString &duty)
{
    return formats::isUserDecimal(formats::withoutBlanks(QStringView(duty)));
}

// The last character once blanks at both ends are cut off; a null QChar for a blank text.
QChar lastLetter(const QString &duty)
{
    const QStringView trimmed = formats::withoutBlanks(QStringView(duty));
    return trimmed.isEmpty() ? QChar() : trimmed.back();
}

} // namespace

QString flagOf(const QString &duty)
{
    qsizetype i = 0;
    const qsizetype n = duty.size();
    while (i < n && duty.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < n && (duty.at(i) == QLatin1Char('-') || duty.at(i) == QLatin1Char('+'))) {
        negative = duty.at(i) == QLatin1Char('-');
        ++i;
    }
    QString digits;
    while (i < n && duty.at(i).isDigit() && duty.at(i).unicode() < 128)
        digits += duty.at(i++);
    QString fraction;
    if (i < n && duty.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < n && duty.at(i).isDigit() && duty.at(i).unicode() < 128)
            fraction += duty.at(i++);
    }
    while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
        digits.remove(0, 1);
    while (!fraction.isEmpty() && fraction.back() == QLatin1Char('0'))
        fraction.chop(1);
    if (digits.isEmpty())
        digits = QStringLiteral("0");
    QString result = fraction.isEmpty() ? digits : digits + QLatin1Char('.') + fraction;
    if (negative && result != QLatin1String("0"))
        result.prepend(QLatin1Char('-'));
    return result;
}

Change changeOf(const QString &duty, bool inSelectedList)
{
    if (isUnmarked(duty))
        return Change::None;
    if (!inSelectedList)
        return Change::Remove;
    const QChar mark = lastLetter(duty);
    if (mark == QLatin1Char('N'))
        return Change::Add;
    if (mark == QLatin1Char('U'))
        return Change::FeeChange;
    return Change::None;
}

QString dutyOnFeeSaved(const QString &duty)
{
    return isUnmarked(duty) ? duty + QLatin1Char('U') : duty;
}

std::optional<QString> dutyOnAdd(const QString &duty)
{
    if (isUnmarked(duty))
        return duty + QLatin1Char('N');
    const QChar last = lastLetter(duty);
    if (last == QLatin1Char('D'))
        return flagOf(duty);
    if (last == QLatin1Char('U'))
        return flagOf(duty) + QLatin1Char('U');
    return std::nullopt;
}

std::optional<QString> dutyOnRemove(const QString &duty)
{
    if (isUnmarked(duty))
        return duty + QLatin1Char('D');
    const QChar last = lastLetter(duty);
    if (last == QLatin1Char('N'))
        return flagOf(duty);
    if (last == QLatin1Char('U'))
        return flagOf(duty) + QStringLiteral("DU");
    return std::nullopt;
}

QString sortKeyFor(const QString &id)
{
    const std::optional<double> value = formats::readNumber(id);
    if (!value || !std::isfinite(*value) || std::fabs(*value) >= 1e15)
        return id;
    const qint64 whole = qRound64(*value);
    const QString digits = QString::number(whole < 0 ? -whole : whole).rightJustified(4, QLatin1Char('0'));
    return whole < 0 ? QLatin1Char('-') + digits : digits;
}

QString stampDateTime(const QDateTime &when)
{
    return when.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss"));
}

QString stampDate(const QDate &when)
{
    return when.toString(QStringLiteral("MM/dd/yyyy"));
}

} // namespace vendorcenter::marks
