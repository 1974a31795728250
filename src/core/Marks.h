#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// The rules of the change marks. A row's duty text is its flag ("0" or "1")
// with the pending edit written directly behind it:
//   "N"  newly selected            (selected list)  -> INSERT on save
//   "U"  fee changed               (selected list)  -> UPDATE on save
//   "D"  deselected since the load (other list)     -> DELETE on save
//   "DU" deselected after a fee change (other list) -> DELETE on save
namespace vendorcenter::marks {

// What a commit does for a row with this duty text, in the selected list or
// in the other one: in the selected list "N" is an INSERT and "U" an UPDATE;
// in the other list every mark is a DELETE.
enum class Change { None, Add, FeeChange, Remove };
Change changeOf(const QString &duty, bool inSelectedList);

// The number at the start of the text in plain decimal form: "1DU" -> "1",
// "0N" -> "0". Letters never count as an exponent; no digits at all gives "0".
QString flagOf(const QString &duty);

// Duty text of the row created in the selected list from a row of the other
// list (">" and ">>"); nullopt when no rule covers the text.
std::optional<QString> dutyOnAdd(const QString &duty);

// Duty text of the row created in the other list from a selected row ("<" and "<<").
std::optional<QString> dutyOnRemove(const QString &duty);

// Duty text of a selected row once its fee was saved: an unmarked row gets
// "U"; a row that already carries a mark keeps it.
QString dutyOnFeeSaved(const QString &duty);

// The hidden sort key: an id that reads as a number gets at least four digits
// ("7" -> "0007", "12345" stays); any other id is kept as it is.
QString sortKeyFor(const QString &id);

// "Date Updated" stamps: ">" writes date and time, ">>" the date alone.
QString stampDateTime(const QDateTime &when);
QString stampDate(const QDate &when);

} // namespace vendorcenter::marks
