// The editor's float texts: the "%lf" text of any float or scaled value, and
// the reading of any text as "%f" reads it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/check.h"
#include "store/value_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = ce::fuzz::as_text(data, size);

    if (auto f = ce::parse_float(text)) {
        const std::string shown = ce::float_text(*f);
        CE_FUZZ_CHECK(shown.size() <= ce::kFloatTextLength, "a float text longer than the edit keeps");
        // What the editor shows reads back as a number (it may be cut).
        CE_FUZZ_CHECK(ce::parse_float(shown).has_value(), "a shown float text does not read back");
        // Six decimals name a float exactly once its neighbours are more than a
        // millionth apart: from 16 on, the full text reads back the same.
        if (std::isfinite(*f) && (std::fabs(*f) >= 16.0f || *f == 0.0f)) {
            const auto again = ce::parse_float(ce::format_lf(*f));
            CE_FUZZ_CHECK(again && *again == *f, "a %lf text reads back differently");
        }
        (void)ce::scaled_store(*f, 10.0f);
        (void)ce::scaled_store(*f, 1000.0f);
    }

    if (size >= 8) {
        std::uint32_t fbits;
        std::int32_t value;
        std::memcpy(&fbits, data, 4);
        std::memcpy(&value, data + 4, 4);
        float f;
        std::memcpy(&f, &fbits, 4);
        const std::string full = ce::format_lf(static_cast<double>(f));
        CE_FUZZ_CHECK(!full.empty() && full.size() < 64, "a %lf text of a float is empty or too long");
        CE_FUZZ_CHECK(ce::float_text(f).size() <= ce::kFloatTextLength, "a float text too long");
        for (float scale : {10.0f, 100.0f, 1000.0f}) {
            CE_FUZZ_CHECK(ce::scaled_text(value, scale).size() <= ce::kFloatTextLength, "a scaled text too long");
            (void)ce::scaled_store(f, scale);
        }
    }
    return 0;
}
