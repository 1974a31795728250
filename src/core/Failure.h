#pragma once

#include <QString>

#include <exception>

namespace vendorcenter {

// A failed step, carried up unchanged to whoever reports it (the load's event
// log entry, the save's message box). The numbers are the classic runtime
// error numbers that hosts of this control know.
class Failure : public std::exception
{
public:
    enum Number : int {
        InvalidProcedureCall = 5,
        Overflow = 6,
        SubscriptOutOfRange = 9,
        TypeMismatch = 13,
        MissingObject = 91,
        InvalidPropertyValue = 380,
    };

    Failure(int number, QString description, QString source = QStringLiteral("KelvoVendor_Center"))
        : number_(number), description_(std::move(description)), source_(std::move(source))
    { }

    static Failure overflow() { return {Overflow, QStringLiteral("Overflow")}; }
    static Failure subscriptOutOfRange() { return {SubscriptOutOfRange, QStringLiteral("Subscript out of range")}; }
    static Failure typeMismatch() { return {TypeMismatch, QStringLiteral("Type mismatch")}; }
    static Failure missingObject()
    {
        return {MissingObject, QStringLiteral("Object variable or With block variable not set")};
    }
    static Failure invalidPropertyValue() { return {InvalidPropertyValue, QStringLiteral("Invalid property value")}; }

    int number() const noexcept { return number_; }
    const QString &description() const noexcept { return description_; }
    const QString &source() const noexcept { return source_; }
    const char *what() const noexcept override { return "vendorcenter::Failure"; }

private:
    int number_;
    QString description_;
    QString source_;
};

} // namespace vendorcenter
