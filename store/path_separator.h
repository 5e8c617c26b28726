// The platform's directory separator. Header-only, so that the pictures can
// share it without linking the store.
#pragma once

namespace ce {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

}  // namespace ce
