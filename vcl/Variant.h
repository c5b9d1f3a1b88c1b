// A small variant value: null, empty, integer, double, currency, string, date
// or boolean. Text conversion is locale-free: numbers use "." and the shortest
// digits that read back to the same double, booleans read "True"/"False",
// currency has four decimals with trailing zeros trimmed, dates are written as
// ISO-8601 ("2024-03-05", or "2024-03-05T14:30:00" when a time is present).
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "vcl/System.h"

namespace vcl {

enum TVarType : uint8_t { varEmpty, varNull, varInteger, varDouble, varCurrency, varString, varDate, varBoolean };

class Variant {
public:
    Variant() = default; // empty
    Variant(int32_t v) : kind_(varInteger), v_(int64_t{v}) {}
    Variant(int64_t v) : kind_(varInteger), v_(v) {}
    Variant(double v) : kind_(varDouble), v_(v) {}
    Variant(bool v) : kind_(varBoolean), v_(v) {}
    Variant(std::string v) : kind_(varString), v_(std::move(v)) {}
    Variant(const char* v) : kind_(varString), v_(std::string(v)) {}

    static Variant Null() { Variant r; r.kind_ = varNull; return r; }
    // Currency is held as a count of ten-thousandths.
    static Variant FromCurrency(int64_t TenThousandths);
    // A date and time as days since 1899-12-30, the fraction being the time of day.
    static Variant FromDate(double Days);

    TVarType VarType() const noexcept { return kind_; }
    bool IsNull() const noexcept { return kind_ == varNull; }
    bool IsEmpty() const noexcept { return kind_ == varEmpty; }
    bool IsNumeric() const noexcept { return kind_ == varInteger || kind_ == varDouble || kind_ == varCurrency; }

    // The numeric value of integer, double and currency kinds; 0 for the others.
    double AsDouble() const noexcept;
    // The text form; empty for null and empty.
    std::string AsString() const;

    // The raw payloads; each is meaningful only for its kinds.
    int64_t RawInteger() const noexcept; // integer, currency (ten-thousandths)
    double RawDouble() const noexcept;   // double, date
    bool RawBoolean() const noexcept;
    const std::string& RawString() const noexcept;

    friend bool operator==(const Variant& a, const Variant& b) noexcept
    {
        return a.kind_ == b.kind_ && a.v_ == b.v_;
    }

private:
    TVarType kind_ = varEmpty;
    std::variant<std::monostate, int64_t, double, bool, std::string> v_;
};

} // namespace vcl
