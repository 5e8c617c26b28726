// The strict value texts of export and import: any text parses or is refused,
// and every float's text reads back to its bits.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "store/value_text.h"
#include "fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = ce::fuzz::as_text(data, size);

    if (auto n = ce::parse_integer(text)) {
        // Whatever was read writes back as a text that reads the same.
        CE_FUZZ_CHECK(ce::parse_integer(std::to_string(*n)) == n, "an integer's text reads back differently");
    }
    if (auto bits = ce::parse_float_value(text)) {
        const std::string again = ce::float_value_text(*bits);
        CE_FUZZ_CHECK(ce::parse_float_value(again) == bits, "a float's text reads back differently");
    }

    // Any 32 bits as a float: the shortest text reads back to the same bits.
    if (size >= 4) {
        std::uint32_t bits;
        std::memcpy(&bits, data, 4);
        const std::string shown = ce::float_value_text(bits);
        CE_FUZZ_CHECK(!shown.empty(), "a float without a text");
        CE_FUZZ_CHECK(ce::parse_float_value(shown) == bits, "float bits lost in their text");
        CE_FUZZ_CHECK(ce::float_bits(ce::bits_float(bits)) == bits || (bits & 0x7F800000u) == 0x7F800000u,
                      "float bits changed through a float");
    }
    return 0;
}
