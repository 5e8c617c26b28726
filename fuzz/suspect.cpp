// The classes of an import's changes on any two texts (the input split at its
// first line break) and any float bits: every rule answers without a fault, a
// text never changes into itself suspectly, and a misread text maps back to
// UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "tables/import_suspect.h"
#include "fuzz/check.h"
#include "text/code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = ce::fuzz::as_text(data, size);
    const std::size_t cut = text.find('\n');
    const std::string_view before = text.substr(0, cut);
    const std::string_view after = cut == std::string_view::npos ? std::string_view() : text.substr(cut + 1);
    (void)ce::class_text_change(before, after);
    (void)ce::class_text_change(after, before);
    (void)ce::is_date_like(text);
    (void)ce::is_time_like(text);
    if (auto m = ce::misread_utf8(after)) {
        std::size_t pos = 0;
        while (pos < m->original.size())
            CE_FUZZ_CHECK(ce::next_utf8(m->original, pos).has_value(), "a misread text maps back to no UTF-8");
    }
    if (size >= 8) {
        std::uint32_t a, b;
        std::memcpy(&a, data, 4);
        std::memcpy(&b, data + 4, 4);
        const ce::Suspect s = ce::class_float_change(a, b, text.substr(8));
        CE_FUZZ_CHECK(a != b || s == ce::Suspect::None || s == ce::Suspect::Rounded,
                      "an unchanged float is suspect of more than rounding");
    }
    return 0;
}
