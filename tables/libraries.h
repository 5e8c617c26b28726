// The header-only libraries of the tool: CLI11 (arguments) and nlohmann-json.
// A cross build whose include path lacks them (the host's /usr/include is not
// searched by the MinGW compiler) still builds: the tool then says what is
// missing instead of running.
#pragma once

#if __has_include(<CLI/CLI.hpp>) && __has_include(<nlohmann/json.hpp>)
#define CE_CLI_LIBRARIES 1
#else
#define CE_CLI_LIBRARIES 0
#endif
