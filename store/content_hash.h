// Content names of the history store: the SHA-256 of the bytes, in hex.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ce {

// 64 lowercase hex digits.
// Through the processor's SHA instructions where it has them.
std::string content_hash(std::string_view bytes);

// The same, never through those instructions: to check them against.
std::string content_hash_plain(std::string_view bytes);

}  // namespace ce
