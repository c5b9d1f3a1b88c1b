// The date/time picker: a field showing a date or a time in a pattern, whose
// parts the user steps with the arrow keys or types.
#pragma once

#include "vcl/Controls.h"
#include "vcl/DateTime.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vcl {

enum TDateTimeKind : uint8_t { dtkDate, dtkTime };

// Format letters (a run of one letter is one field):
//   y yy yyyy   year without century (no padding / two digits), full year
//   M MM        month (no padding / two digits); MMM, MMMM short, long name
//   d dd        day; ddd, dddd short, long weekday name (shown, not a field)
//   H HH        hour 0..23; h hh hour 1..12
//   m mm, s ss  minute, second
//   t tt        "A"/"P", "AM"/"PM"
//   '...'       literal text ('' is a quote); any other character is copied.
// An empty Format shows "yyyy-MM-dd" (date kind) or "HH:mm:ss" (time kind).
//
// Keys: Left and Right move between the fields, Home and End to the first and
// last; Up and Down step the focused field by one, wrapping within it (day
// within its month, month within the year, hour, minute and second around
// the clock; years stop at 1 and 9999, and a day past the end of a new month
// is clamped); digits type the field's value and move on when it is
// complete. Every user change fires OnChange; writes by the program fire
// nothing.
class TDateTimePicker : public TWinControl {
public:
    explicit TDateTimePicker(TComponent* AOwner);

    TDateTimeKind GetKind() const noexcept { return kind_; }
    void SetKind(TDateTimeKind v);
    const std::string& GetFormat() const noexcept { return format_; }
    void SetFormat(const std::string& v);
    // Values that are not finite or outside the years 1..9999 are ignored.
    TDateTime GetDateTime() const noexcept { return value_; }
    void SetDateTime(TDateTime v);
    // The whole days and the time of day of the value.
    TDateTime GetDate() const noexcept;
    void SetDate(TDateTime v);
    TDateTime GetTime() const noexcept;
    void SetTime(TDateTime v);

    // The value as shown.
    std::string GetText() const { return FormatValue(EffectiveFormat(), value_); }
    static std::string FormatValue(const std::string& Format, TDateTime Value);

    // The editable fields, counted from 0, and the focused one.
    int GetFieldCount() const noexcept { return static_cast<int>(fields_.size()); }
    int GetFocusedField() const noexcept { return focused_; }
    void SetFocusedField(int v);
    // The format letter of a field (0 outside the range).
    char FieldLetter(int Field) const noexcept;

    TNotifyEvent OnChange;

protected:
    virtual void Change();
    void Paint() override;
    void KeyDown(uint16_t& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void FontChanged() override;

private:
    struct TToken {
        char Letter = 0; // 0: literal text
        int Count = 0;
        std::string Literal;
    };
    static std::vector<TToken> Tokenize(const std::string& Format);
    static std::string TokenText(const TToken& T, TDateTime Value);
    std::string EffectiveFormat() const;
    void Reparse();
    void Step(int Delta);
    void TypeDigit(int Digit);
    void UserSet(int Y, int Mo, int D, int H, int Mi, int S, int Ms);
    TRect ButtonRect() const;
    void AdjustHeight();

    TDateTimeKind kind_ = dtkDate;
    std::string format_;
    TDateTime value_ = 0;
    std::vector<TToken> tokens_;
    std::vector<int> fields_; // token index of each field
    int focused_ = 0;
    std::string typed_; // digits typed into the focused field so far
};

} // namespace vcl
