// Content names of the history store: the SHA-256 of the bytes, in hex.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ce {

// 64 lowercase hex digits.
std::string content_hash(std::string_view bytes);

}  // namespace ce
