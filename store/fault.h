// The one shape of a file or folder failure: which file, and what went wrong.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <utility>

namespace ce {

struct FileFault {
    // The file as the user named it; empty while a low-level step (a write on
    // an open handle, say) does not know it yet.
    std::string path;
    // What went wrong, in words: "does not exist", "is a folder",
    // "cannot replace the file: No space left on device".
    std::string reason;

    FileFault() = default;
    // A reason alone, as the system's file steps give it (the caller adds the path).
    FileFault(std::string reason_text) : reason(std::move(reason_text)) {}  // NOLINT: implicit on purpose
    FileFault(std::string path_text, std::string reason_text)
        : path(std::move(path_text)), reason(std::move(reason_text)) {}

    // "<path>: <reason>", or the reason alone when no path is known: the one
    // place where a message is worded with its file.
    std::string message() const;
    // The same fault, worded for the file `name` (a path, or a name within a folder).
    FileFault at(std::string name) const { return FileFault(std::move(name), reason); }
};

// The fault of a step on the file at path that failed for `why`:
// "<path>: <what>: <why's reason>".
FileFault failed_step(const std::string& path, const std::string& what, const FileFault& why);

// Writes message(): tests print faults, and the tool writes them as they are.
std::ostream& operator<<(std::ostream& out, const FileFault& fault);

// Nothing on success; otherwise what failed and where.
using FileResult = std::optional<FileFault>;

// The reasons a file is refused for reading, worded once.
namespace reason {
inline constexpr const char* kMissing = "does not exist";
inline constexpr const char* kFolder = "is a folder";
inline constexpr const char* kDenied = "permission denied";
inline constexpr const char* kNotRegular = "not a regular file";
inline constexpr const char* kTooLarge = "larger than 1 GiB";
inline constexpr const char* kDangling = "dangling link";
inline constexpr const char* kLoop = "link loop";
}  // namespace reason

}  // namespace ce
