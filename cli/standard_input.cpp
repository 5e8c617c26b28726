#include "cli/standard_input.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <istream>
#include <ostream>

namespace ce {

Status read_standard_input(std::istream& in, std::string& text) {
    // Through the stream, not its buffer: a closed standard input or a folder
    // in its place makes the buffer throw, which the stream turns into its
    // bad state (and a stream that rethrows is caught here).
    errno = 0;
    std::string chunk(std::size_t{1} << 16, '\0');
    bool bad = false;
    try {
        while (in) {
            in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            const auto got = static_cast<std::size_t>(in.gcount());
            if (got > kLargestInput - std::min(kLargestInput, text.size())) {
                // As a file of that size is refused: before it fills the memory.
                text.clear();
                text.shrink_to_fit();
                return Fault("standard input", reason::kTooLarge);
            }
            text.append(chunk.data(), got);
        }
        bad = in.bad();
    } catch (const std::ios_base::failure&) {
        bad = true;
    }
    if (!bad) return {};
    const int cause = errno;
    return Fault(FaultKind::io, "",
                 std::string("cannot read standard input") +
                     (cause == EBADF    ? ": it is closed"
                      : cause == EISDIR ? ": it is a folder"
                      : cause != 0      ? ": " + std::string(std::strerror(cause))
                                        : std::string()));
}

Status read_named_input(const std::string& name, std::istream& in, std::string& piped, WholeFile& file,
                        std::string_view& text) {
    if (name == "-") {
        if (Status s = read_standard_input(in, piped); !s.ok()) return s;
        text = piped;
        return {};
    }
    if (Status s = read_whole_file(name, file); !s.ok()) return s;
    text = std::string_view(reinterpret_cast<const char*>(file.data()), file.length);
    return {};
}

}  // namespace ce
