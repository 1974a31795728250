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

// A piece of the SQL around the values, with its form encoding made once.
struct SqlText
{
    explicit SqlText(QStringView sql) : text(sql) { appendUrlEncoded(encoded, sql); }
    QStringView text;
    QByteArray encoded;
};

struct SqlTexts
{
    SqlText insertHead {u"INSERT INTO VendorCenterCrossReference "
                        u"(VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,RecordLastUpdated) VALUES ("};
    SqlText comma {u","};
    SqlText insertTail {u",GETDATE() ) "};
    SqlText updateHead {u"UPDATE VendorCenterCrossReference SET CenterHandlingFee= "};
    SqlText updateDuty {u", DutyBrokerageFee= "};
    SqlText updateWhere {u", RecordLastUpdated = GETDATE()  WHERE CenterID = "};
    SqlText updateVendor {u" AND vendorID = "};
    SqlText deleteHead {u"DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID="};
    SqlText deleteIds {u" AND CenterID IN("};
    SqlText deleteTail {u")"};
};

const SqlTexts &sql()
{
    static const SqlTexts texts;
    return texts;
}

// Where statement text goes. `fixed` takes the SQL around the values;
// `plain` takes ids and numbers, which are made of digits, "-" and "." only.

// Each statement as text.
class StatementTexts
{
public:
    void begin() { current_ = QString(); }
    void fixed(const SqlText &sql) { current_ += sql.text; }
    void plain(QStringView value) { current_ += value; }
    void end() { texts_.append(std::move(current_)); }

    QStringList take() { return std::move(texts_); }

private:
    QString current_;
    QStringList texts_;
};

// The form body: "SQL=" + the encoded statement + "&" per statement. Digits,
// "-" and "." stand for themselves in the encoding, so values are copied as
// they are.
class FormBody
{
public:
    // Room for `statements` INSERTs of short values is taken at once: growing
    // a body of megabytes step by step copies it and faults in fresh pages
    // each time, while room never written costs no memory.
    explicit FormBody(int statements) { body_.resize(static_cast<qsizetype>(statements) * kRoomPerStatement); }

    void begin() { put("SQL=", 4); }
    void fixed(const SqlText &sql) { put(sql.encoded.constData(), sql.encoded.size()); }
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

    static constexpr qsizetype kRoomPerStatement = 256;
    QByteArray body_; // written up to used_, the rest is room
    qsizetype used_ = 0;
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
        sink.fixed(sql().insertHead);
        sink.plain(vendorId_);
        sink.fixed(sql().comma);
        sink.plain(id);
        sink.fixed(sql().comma);
        sink.plain(feeValue(row));
        sink.fixed(sql().comma);
        sink.plain(dutyValue(row));
        sink.fixed(sql().insertTail);
    }

    template<typename Sink>
    void writeUpdate(Sink &sink, const CenterRow &row)
    {
        const QString &id = checkedId(row);
        sink.fixed(sql().updateHead);
        sink.plain(feeValue(row));
        sink.fixed(sql().updateDuty);
        sink.plain(dutyValue(row));
        sink.fixed(sql().updateWhere);
        sink.plain(id);
        sink.fixed(sql().updateVendor);
        sink.plain(vendorId_);
    }

    // `ids` are plain integers, and there is at least one.
    template<typename Sink>
    void writeDelete(Sink &sink, const QStringList &ids) const
    {
        sink.fixed(sql().deleteHead);
        sink.plain(vendorId_);
        sink.fixed(sql().deleteIds);
        for (qsizetype i = 0; i < ids.size(); ++i) {
            if (i > 0)
                sink.fixed(sql().comma);
            sink.plain(ids.at(i));
        }
        sink.fixed(sql().deleteTail);
    }

private:
    // The row shows percent in the user's number format; the table stores a
    // fraction.
    QStringView feeValue(const CenterRow &row)
    {
        const QString &fee = row.handlingFee();
        auto known = fees_.constFind(fee);
        if (known == fees_.cend()) {
            const std::optional<double> percent = formats::readNumber(fee);
            if (!percent)
                throw Failure::typeMismatch();
            known = fees_.insert(fee, formats::sqlNumber(*percent / 100.0));
        }
        return *known;
    }

    // The flag in front of the mark, always written with a point.
    QStringView dutyValue(const CenterRow &row)
    {
        const QString &duty = row.duty();
        auto known = duties_.constFind(duty);
        if (known == duties_.cend())
            known = duties_.insert(duty, formats::sqlNumber(marks::flagOf(duty).toDouble()));
        return *known;
    }

    QString vendorId_;
    QHash<QString, QString> fees_;
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

    for (const CenterRow &row : selected) {
        const marks::Change change = marks::changeOf(row.duty(), /*inSelectedList*/ true);
        if (change == marks::Change::Add)
            write([&] { writer.writeInsert(sink, row); });
        else if (change == marks::Change::FeeChange)
            write([&] { writer.writeUpdate(sink, row); });
    }

    QStringList removed;
    for (const CenterRow &row : nonSelected) {
        if (marks::changeOf(row.duty(), /*inSelectedList*/ false) == marks::Change::Remove)
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
    FormBody body(static_cast<int>(std::min<std::size_t>(selected.size(), kMaxStatements)));
    writeStatements(vendorId, selected, nonSelected, body);
    return body.take();
}

} // namespace vendorcenter::statements
