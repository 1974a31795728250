#include "core/Statements.h"

#include "core/Failure.h"
#include "core/FormEncoding.h"
#include "core/Formats.h"
#include "core/Marks.h"

#include <QHash>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace vendorcenter::statements {

namespace {

Failure notAPlainInteger(const QString &id)
{
    return {Failure::TypeMismatch, QStringLiteral("Center id is not a whole number: %1").arg(id)};
}

// The id goes into the statement unquoted, so anything but a plain integer
// would become part of the SQL itself.
const QString &checkedId(const CenterRow &row)
{
    if (!formats::isAsciiInteger(row.id))
        throw notAPlainInteger(row.id);
    return row.id;
}

// Where statement text goes. `fixed` takes the SQL around the values, always
// one of the literals below; `plain` takes ids and numbers, which are made of
// digits, "-" and "." only.

// Each statement as text.
class StatementTexts
{
public:
    void begin() { current_ = QString(); }
    void fixed(QStringView sql) { current_ += sql; }
    void plain(QStringView value) { current_ += value; }
    void end() { texts_.append(std::move(current_)); }

    QStringList take() { return std::move(texts_); }

private:
    QString current_;
    QStringList texts_;
};

// The form body: "SQL=" + the encoded statement + "&" per statement. Digits,
// "-" and "." stand for themselves in the encoding, so values are copied as
// they are, and each SQL literal is encoded only the first time it is used.
class FormBody
{
public:
    // Room for `statements` INSERTs of short values is taken at once: growing
    // a body of megabytes step by step copies it and faults in fresh pages
    // each time, while room never written costs no memory.
    explicit FormBody(int statements) { body_.resize(static_cast<qsizetype>(statements) * kRoomPerStatement); }

    void begin() { put("SQL=", 4); }
    void fixed(QStringView sql)
    {
        const QByteArray &bytes = encoded(sql);
        put(bytes.constData(), bytes.size());
    }
    void plain(QStringView value)
    {
        char *out = room(value.size());
        for (const QChar c : value)
            *out++ = static_cast<char>(c.unicode());
        used_ += value.size();
    }
    void end() { put("&", 1); }

    QByteArray take()
    {
        body_.truncate(used_);
        return std::move(body_);
    }

private:
    // Room for `size` more bytes at the end of what is written so far.
    char *room(qsizetype size)
    {
        if (used_ + size > body_.size())
            body_.resize(std::max(body_.size() * 2, used_ + size + 4096));
        return body_.data() + used_;
    }

    void put(const char *bytes, qsizetype size)
    {
        std::memcpy(room(size), bytes, static_cast<std::size_t>(size));
        used_ += size;
    }

    const QByteArray &encoded(QStringView sql)
    {
        // The literals are few and keep their addresses.
        for (const auto &[literal, bytes] : encoded_) {
            if (literal == sql.utf16())
                return bytes;
        }
        QByteArray bytes;
        appendUrlEncoded(bytes, sql);
        return encoded_.emplace_back(sql.utf16(), std::move(bytes)).second;
    }

    static constexpr qsizetype kRoomPerStatement = 256;
    QByteArray body_; // written up to used_, the rest is room
    qsizetype used_ = 0;
    std::vector<std::pair<const char16_t *, QByteArray>> encoded_;
};

// Writes the statements of one vendor. A save writes thousands of them with a
// handful of distinct fees and flags, so each distinct text is turned into
// its SQL number once.
class StatementWriter
{
public:
    explicit StatementWriter(qint32 vendorId) : vendorId_(QString::number(vendorId)) { }

    template<typename Sink>
    void writeInsert(Sink &sink, const CenterRow &row)
    {
        const QString &id = checkedId(row);
        sink.fixed(u"INSERT INTO VendorCenterCrossReference "
                   u"(VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,RecordLastUpdated) VALUES (");
        sink.plain(vendorId_);
        sink.fixed(u",");
        sink.plain(id);
        sink.fixed(u",");
        sink.plain(feeValue(row));
        sink.fixed(u",");
        sink.plain(dutyValue(row));
        sink.fixed(u",GETDATE() ) ");
    }

    template<typename Sink>
    void writeUpdate(Sink &sink, const CenterRow &row)
    {
        const QString &id = checkedId(row);
        sink.fixed(u"UPDATE VendorCenterCrossReference SET CenterHandlingFee= ");
        sink.plain(feeValue(row));
        sink.fixed(u", DutyBrokerageFee= ");
        sink.plain(dutyValue(row));
        sink.fixed(u", RecordLastUpdated = GETDATE()  WHERE CenterID = ");
        sink.plain(id);
        sink.fixed(u" AND vendorID = ");
        sink.plain(vendorId_);
    }

    // `ids` are plain integers, and there is at least one.
    template<typename Sink>
    void writeDelete(Sink &sink, const QStringList &ids) const
    {
        sink.fixed(u"DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=");
        sink.plain(vendorId_);
        sink.fixed(u" AND CenterID IN(");
        for (qsizetype i = 0; i < ids.size(); ++i) {
            if (i > 0)
                sink.fixed(u",");
            sink.plain(ids.at(i));
        }
        sink.fixed(u")");
    }

private:
    // The row shows percent in the user's number format; the table stores a
    // fraction. Rows loaded or moved together share their fee text, which
    // makes the last one worth checking first.
    QStringView feeValue(const CenterRow &row)
    {
        const QString &fee = row.handlingFee();
        if (!lastFee_.isEmpty() && fee.constData() == lastFee_.constData() && fee.size() == lastFee_.size())
            return lastFeeValue_;
        auto known = fees_.constFind(fee);
        if (known == fees_.cend()) {
            const std::optional<double> percent = formats::readNumber(fee);
            if (!percent)
                throw Failure::typeMismatch();
            known = fees_.insert(fee, formats::sqlNumber(*percent / 100.0));
        }
        lastFee_ = fee;
        lastFeeValue_ = *known;
        return lastFeeValue_;
    }

    // The flag in front of the mark, always written with a point.
    QStringView dutyValue(const CenterRow &row)
    {
        const QString &duty = row.duty();
        // A single digit and its mark, as the moves and the fee panel leave it.
        if (duty.size() >= 2 && duty.front() >= QLatin1Char('0') && duty.front() <= QLatin1Char('9')
            && std::all_of(
                duty.begin() + 1, duty.end(), [](QChar c) { return c >= QLatin1Char('A') && c <= QLatin1Char('Z'); }))
            return QStringView(duty).first(1);
        auto known = duties_.constFind(duty);
        if (known == duties_.cend())
            known = duties_.insert(duty, formats::sqlNumber(marks::flagOf(duty).toDouble()));
        return *known;
    }

    QString vendorId_;
    QHash<QString, QString> fees_;
    QString lastFee_;
    QString lastFeeValue_;
    QHash<QString, QString> duties_;
};

// Writes every pending change into `sink` in statement order: the INSERTs and
// UPDATEs of the selected list, then one DELETE of the other list's marks.
template<typename Sink>
void writeStatements(qint32 vendorId, const CenterRows &selected, const CenterRows &nonSelected, Sink &sink)
{
    StatementWriter writer(vendorId);
    int count = 0;
    auto write = [&](auto writeOne) {
        sink.begin();
        writeOne();
        if (++count > kMaxStatements)
            throw Failure::overflow();
        sink.end();
    };

    for (int position = 0; position < selected.count(); ++position) {
        const CenterRow &row = selected.at(position);
        if (marks::isUnmarked(row.duty()))
            continue;
        const QChar mark = marks::lastLetter(row.duty());
        if (mark == QLatin1Char('N'))
            write([&] { writer.writeInsert(sink, row); });
        else if (mark == QLatin1Char('U'))
            write([&] { writer.writeUpdate(sink, row); });
    }

    QStringList removed;
    for (int position = 0; position < nonSelected.count(); ++position) {
        const CenterRow &row = nonSelected.at(position);
        if (!marks::isUnmarked(row.duty()))
            removed.append(checkedId(row));
    }
    if (!removed.isEmpty())
        write([&] { writer.writeDelete(sink, removed); });
}

// One statement through `write`, as text.
template<typename Write>
QString statementText(qint32 vendorId, Write write)
{
    StatementWriter writer(vendorId);
    StatementTexts texts;
    texts.begin();
    write(writer, texts);
    texts.end();
    return texts.take().constFirst();
}

} // namespace

QString insertStatement(qint32 vendorId, const CenterRow &row)
{
    return statementText(
        vendorId, [&row](StatementWriter &writer, StatementTexts &texts) { writer.writeInsert(texts, row); });
}

QString updateStatement(qint32 vendorId, const CenterRow &row)
{
    return statementText(
        vendorId, [&row](StatementWriter &writer, StatementTexts &texts) { writer.writeUpdate(texts, row); });
}

QString deleteStatement(qint32 vendorId, const QStringList &ids)
{
    return statementText(
        vendorId, [&ids](StatementWriter &writer, StatementTexts &texts) { writer.writeDelete(texts, ids); });
}

QStringList saveStatements(qint32 vendorId, const CenterRows &selected, const CenterRows &nonSelected)
{
    StatementTexts texts;
    writeStatements(vendorId, selected, nonSelected, texts);
    return texts.take();
}

QByteArray postBody(const QStringList &statements)
{
    QByteArray body;
    for (const QString &statement : statements) {
        body += "SQL=";
        appendUrlEncoded(body, statement);
        body += '&';
    }
    return body;
}

QByteArray saveBody(qint32 vendorId, const CenterRows &selected, const CenterRows &nonSelected)
{
    FormBody body(std::min(selected.count(), kMaxStatements));
    writeStatements(vendorId, selected, nonSelected, body);
    return body.take();
}

} // namespace vendorcenter::statements
