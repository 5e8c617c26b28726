// Numbers, dates and times as spreadsheets write them, and the small text
// helpers their readings share: what the import's classing and the value
// readers' hints both ask of a text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ce {

// Longer texts are never numbers, dates or markers as spreadsheets write
// them: they are not looked at closer (an ability text has 999 characters).
constexpr std::size_t kLongestNumber = 64, kLongestDate = 40, kLongestWord = 10;

bool is_digit(char c);
std::string lower(std::string_view text);
bool equal_ignoring_case(std::string_view a, std::string_view b);
// Without spaces (no-break spaces included) at either end.
std::string_view trim(std::string_view s);
// Runs of spaces made one space.
std::string collapsed(std::string_view s);
// The text with every digit made '9' and every letter 'a': its shape.
std::string shape(std::string_view s);

// A number as written: its value and the place of its last digit (0.01 for
// "1.50"), which is how exactly the text gives it.
struct Number {
    double value = 0;
    double unit = 1;
    bool percent = false;
};
// The text read as a number with `point` as its decimal point.
std::optional<Number> read_number(std::string_view s, char point);
// Every reading of the text as a number (a decimal comma read both ways).
std::vector<Number> readings(std::string_view s);
bool same_number(const Number& a, const Number& b);
// Digits with at most one point and an optional sign, nothing else.
bool is_plain_decimal(std::string_view s);

// Number-like texts as spreadsheets write them: a sign or accounting
// parentheses, a currency sign, thousands separators, decimals, an exponent, a
// percent sign. Both readings of a decimal comma are tried. Exposed for tests.
bool is_number_like(std::string_view text);
// A date or a time in one of the spellings spreadsheets write.
bool is_date_like(std::string_view text);
bool is_time_like(std::string_view text);

}  // namespace ce
