#include "server/Statements.h"

#include "control/Failure.h"
#include "editing/Formats.h"
#include "editing/Marks.h"
#include "server/FormEncoding.h"

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
    if (!isPlainInteger(row.id))
        throw notAPlainInteger(row.id);
    return row.id;
}

// The row shows percent in the user's number format; the table stores a fraction.
QString feeValue(const CenterRow &row)
{
    const std::optional<double> percent = formats::readNumber(row.handlingFee());
    if (!percent)
        throw Failure::typeMismatch();
    return formats::sqlNumber(*percent / 100.0);
}

// The flag in front of the mark, always written with a point.
QString dutyValue(const CenterRow &row)
{
    return formats::sqlNumber(marks::flagOf(row.duty()).toDouble());
}

void append(QStringList &statements, QString statement)
{
    if (statements.size() >= kMaxStatements)
        throw Failure::overflow();
    statements.append(std::move(statement));
}

} // namespace

bool isPlainInteger(const QString &id)
{
    qsizetype i = id.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (i == id.size())
        return false;
    for (; i < id.size(); ++i) {
        const char16_t c = id.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

QString insertStatement(qint32 vendorId, const CenterRow &row)
{
    const QString &id = checkedId(row);
    return QStringLiteral("INSERT INTO VendorCenterCrossReference "
                          "(VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,RecordLastUpdated) VALUES (")
        + QString::number(vendorId) + QLatin1Char(',') + id + QLatin1Char(',') + feeValue(row) + QLatin1Char(',')
        + dutyValue(row) + QStringLiteral(",GETDATE() ) ");
}

QString updateStatement(qint32 vendorId, const CenterRow &row)
{
    const QString &id = checkedId(row);
    return QStringLiteral("UPDATE VendorCenterCrossReference SET CenterHandlingFee= ") + feeValue(row)
        + QStringLiteral(", DutyBrokerageFee= ") + dutyValue(row)
        + QStringLiteral(", RecordLastUpdated = GETDATE()  WHERE CenterID = ") + id
        + QStringLiteral(" AND vendorID = ") + QString::number(vendorId);
}

QString deleteStatement(qint32 vendorId, const QStringList &ids)
{
    return QStringLiteral("DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=") + QString::number(vendorId)
        + QStringLiteral(" AND CenterID IN(") + ids.join(QLatin1Char(',')) + QLatin1Char(')');
}

QStringList saveStatements(qint32 vendorId, const CenterRows &selected, const CenterRows &nonSelected)
{
    QStringList statements;
    for (int position = 0; position < selected.count(); ++position) {
        const CenterRow &row = selected.at(position);
        if (marks::isUnmarked(row.duty()))
            continue;
        const QChar mark = marks::lastLetter(row.duty());
        if (mark == QLatin1Char('N'))
            append(statements, insertStatement(vendorId, row));
        else if (mark == QLatin1Char('U'))
            append(statements, updateStatement(vendorId, row));
    }

    QStringList removed;
    for (int position = 0; position < nonSelected.count(); ++position) {
        const CenterRow &row = nonSelected.at(position);
        if (!marks::isUnmarked(row.duty()))
            removed.append(checkedId(row));
    }
    if (!removed.isEmpty())
        append(statements, deleteStatement(vendorId, removed));
    return statements;
}

QByteArray postBody(const QStringList &statements)
{
    QByteArray body;
    for (const QString &statement : statements) {
        body += "SQL=";
        body += urlEncode(statement).toLatin1();
        body += '&';
    }
    return body;
}

} // namespace vendorcenter::statements
