#include "form/sentences.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "store/binding.h"
#include "store/data_check.h"
#include "store/journal_recovery.h"
#include "store/value_text.h"

namespace ce {
namespace {

using K = MessageKey;

bool is_space(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
    return s;
}

std::string fixed_two(double value) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    return std::string(buffer, r.ptr);
}

UserText range_words(int language, const std::string& min, const std::string& max) {
    return say(language, K::value_range, {{"min", min}, {"max", max}});
}

// A float text that would be a number with a point for its comma ("-36,25").
bool comma_for_point(std::string_view text) {
    std::string dotted(text);
    std::replace(dotted.begin(), dotted.end(), ',', '.');
    std::size_t used = 0;
    if (dotted == text || !parse_float(dotted, &used)) return false;
    const std::string_view rest = std::string_view(dotted).substr(used);
    return std::all_of(rest.begin(), rest.end(), is_space);
}

// A number text beyond what a float holds ("1e40"; "inf" is a float).
bool beyond_float(std::string_view text) {
    const std::optional<float> value = parse_float(text);
    return value && std::isinf(*value) && trimmed(text).find_first_of("iInN") == std::string_view::npos;
}

UserText not_a_number(int language, std::string_view text) {
    UserText out = say(language, K::value_not_a_number, {{"value", quoted_value(text)}});
    if (comma_for_point(text)) out += say(language, K::value_decimal_comma);
    return out;
}

}  // namespace

UserText folder_faults(int language, const UserText& headline, const std::string& root,
                       const std::vector<Fault>& faults) {
    UserText out = say(language, K::folder_faults, {{"headline", headline}, {"folder", UserText::system(folder_name(root))}});
    for (const Fault& fault : faults) out.add_words("\n    ").add_system(fault.message());
    return out;
}

UserText refused_value(int language, const BindingRow& row, std::string_view text, FaultKind kind) {
    const bool outside = kind == FaultKind::out_of_range;
    switch (row.kind) {
        case Conversion::Number:
        case Conversion::NumberPlusOne: {
            if (!outside) return say(language, K::value_not_whole_number, {{"value", quoted_value(text)}});
            const int plus = row.kind == Conversion::NumberPlusOne ? 1 : 0;
            const ValueRange stored = element_range(row);
            return say(language, K::value_outside_range,
                       {{"value", trimmed(text)},
                        {"range", range_words(language, std::to_string(stored.min + plus),
                                              std::to_string(stored.max + plus))}});
        }
        case Conversion::Float:
        case Conversion::Scaled:
            if (!outside) return not_a_number(language, text);
            if (row.kind == Conversion::Float || beyond_float(text))
                return say(language, K::value_outside_float_range, {{"value", quoted_value(text)}});
            return say(language, K::value_outside_range,
                       {{"value", trimmed(text)},
                        {"range", range_words(language, fixed_two(-2147483648.0 / row.scale),
                                              fixed_two(2147483647.0 / row.scale))}});
        case Conversion::Text:
            return say(language, K::value_text_too_long,
                       {{"value", quoted_value(text)}, {"count", text.size()}, {"max", row.width - 1}});
        default: return {};
    }
}

UserText recovery_text(int language, const Recovery& recovery, const std::string& root) {
    const UserText folder = UserText::system(root);
    UserText out;
    if (!recovery.done.empty()) {
        out = root.empty() ? say(language, K::recovered_current_folder)
                           : say(language, K::recovered_folder, {{"folder", folder}});
        for (const std::string& line : recovery.done) out.add_words("\n    ").add_system(line);
    }
    if (!recovery.status.ok() && !recovery.status.is(FaultKind::busy)) {
        if (!out.empty()) out.add_words("\n");
        const UserText reason = UserText::system(recovery.status.message());
        out += root.empty() ? say(language, K::unrecoverable_current_folder, {{"reason", reason}})
                            : say(language, K::unrecoverable_folder, {{"folder", folder}, {"reason", reason}});
    }
    return out;
}

}  // namespace ce
