// Shared by the fuzz targets: a property that must hold on every input. A
// broken one stops the run the way a sanitizer finding does, so the fuzzer
// saves the input and a replay fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#define CE_FUZZ_CHECK(condition, what)                                                   \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "fuzz property broken at %s:%d: %s\n", __FILE__, __LINE__, \
                         what);                                                          \
            std::abort();                                                                \
        }                                                                                \
    } while (0)

namespace ce::fuzz {

// The input as text.
inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace ce::fuzz
