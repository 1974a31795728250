#include "core/Statements.h"

#include "core/Failure.h"
#include "core/Formats.h"
#include "core/Marks.h"
#include "core/FormEncoding.h"

#include <QHash>

#include <algorithm>
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

// Where statement text goes: begin(), the pieces of one statement, end().

// Each statement as text.
class StatementTexts
{
public:
    void begin() { current_ = QString(); }
    void append(QStringView piece) { current_ += piece; }
    void end() { texts_.append(std::move(current_)); }

    QStringList take() { return std::move(texts_); }

private:
    QString current_;
    QStringList texts_;
};

// The form body: "SQL=" + the encoded statement + "&" per statement.
class FormBody
{
public:
    // Room for `statements` INSERTs of short values is taken at once: growing
    // a body of megabytes step by step copies it each time, while room never
    // written costs no memory.
    explicit FormBody(int statements) { body_.reserve(static_cast<qsizetype>(statements) * kRoomPerStatement); }

    void begin() { body_.append("SQL="); }
    void append(QStringView piece) { appendUrlEncoded(body_, piece); }
    void end() { body_.append('&'); }

    QByteArray take() { return std::move(body_); }

private:
    static constexpr qsizetype kRoomPerStatement = 256;
    QByteArray body_;
};

// Writes the statements of one vendor. A save writes thousands of them with a
// handful of distinct fees and flags, so each distinct text is turned into
// its SQL number once.
class StatementWriter
{
public:
    explicit StatementWriter(qint32 vendorId) : vendorId_(QString::number(vendorId)) {}

    template<typename Sink>
    void writeInsert(Sink &sink, const CenterRow &row)
    {
        const QString &id = checkedId(row);
        sink.append(u"INSERT INTO VendorCenterCrossReference "
                   u"(VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,RecordLastUpdated) VALUES (");
        sink.append(vendorId_);
        sink.append(u",");
        sink.append(id);
        sink.append(u",");
        sink.append(feeValue(row));
        sink.append(u",");
        sink.append(dutyValue(row));
        sink.append(u",GETDATE() ) ");
    }

    template<typename Sink>
    void writeUpdate(Sink &sink, const CenterRow &row)
    {
        const QString &id = checkedId(row);
        sink.append(u"UPDATE VendorCenterCrossReference SET CenterHandlingFee= ");
        sink.append(feeValue(row));
        sink.append(u", DutyBrokerageFee= ");
        sink.append(dutyValue(row));
        sink.append(u", RecordLastUpdated = GETDATE()  WHERE CenterID = ");
        sink.append(id);
        sink.append(u" AND vendorID = ");
        sink.append(vendorId_);
    }

    // `ids` are plain integers, and there is at least one.
    template<typename Sink>
    void writeDelete(Sink &sink, const QStringList &ids) const
    {
        sink.append(u"DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=");
        sink.append(vendorId_);
        sink.append(u" AND CenterID IN(");
        for (qsizetype i = 0; i < ids.size(); ++i) {
            if (i > 0)
                sink.append(u",");
            sink.append(ids.at(i));
        }
        sink.append(u")");
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
        // A single digit and its mark, as the moves and the fee panel leave it.
        if (duty.size() >= 2 && duty.front() >= QLatin1Char('0') && duty.front() <= QLatin1Char('9')
            && std::all_of(duty.begin() + 1, duty.end(),
                           [](QChar c) { return c >= QLatin1Char('A') && c <= QLatin1Char('Z'); }))
            return QStringView(duty).first(1);
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
    return statementText(vendorId, [&row](StatementWriter &writer, StatementTexts &texts) { writer.writeInsert(texts, row); });
}

QString updateStatement(qint32 vendorId, const CenterRow &row)
{
    return statementText(vendorId, [&row](StatementWriter &writer, StatementTexts &texts) { writer.writeUpdate(texts, row); });
}

QString deleteStatement(qint32 vendorId, const QStringList &ids)
{
    return statementText(vendorId, [&ids](StatementWriter &writer, StatementTexts &texts) { writer.writeDelete(texts, ids); });
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
