#pragma once

#include "core/CenterRow.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <span>

// The save's pure part: the change marks on the rows of both lists become the
// SQL statements the server page runs, and those become the form body.
namespace vendorcenter::statements {

// The statement count is a 16-bit signed counter on the server's side of things.
inline constexpr int kMaxStatements = 32'767;

// The rows of one list, in list order.
using CenterRows = std::span<const CenterRow>;

QString insertStatement(qint32 vendorId, const CenterRow &row);
QString updateStatement(qint32 vendorId, const CenterRow &row);
// `ids` must not be empty.
QString deleteStatement(qint32 vendorId, const QStringList &ids);

// Every pending change in statement order: the INSERTs and UPDATEs of the
// selected list's marked rows as they stand, then one DELETE of every marked
// row of the other list. Throws Failure when a fee text is not a number (13),
// a center id is not a plain integer (13), or there are more than
// kMaxStatements statements (6); nothing is returned in that case.
QStringList saveStatements(qint32 vendorId, const CenterRows &selected, const CenterRows &nonSelected);

// "SQL=" + encoded statement + "&" for each statement; empty for none.
QByteArray postBody(const QStringList &statements);

// postBody(saveStatements(...)) without holding every statement at once.
QByteArray saveBody(qint32 vendorId, const CenterRows &selected, const CenterRows &nonSelected);

} // namespace vendorcenter::statements
