// The one way our code fails: a Fault (what kind of failure, which file, what
// went wrong in words), returned as a Status (success or a fault) or as a
// Result<T> (a value or a fault). std::optional means only "maybe a value".
// Exceptions are thrown only by libraries and caught at the edges (the main of
// each program, the dialog procedure).
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace ce {

// What kind of failure a fault is, for a caller that acts on it (an exit
// status, a missing file that is not an error, a folder another writer holds).
enum class FaultKind {
    io,            // the system refused a step, or anything not named below
    missing,       // the file does not exist
    denied,        // the user may not read or change it
    busy,          // another writer holds the folder's lock
    invalid,       // data that cannot be used: damaged, unreadable, not ours, a bad value
    conflict,      // the files changed since they were read
    out_of_range,  // a number outside what it may be (a creature slot, say)
};

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

// The kind a reason of the system's file steps stands for: missing for
// reason::kMissing, denied for reason::kDenied, io otherwise.
FaultKind kind_of_reason(const std::string& reason);

struct Fault {
    FaultKind kind = FaultKind::io;
    // The file as the user named it; empty when the fault names no file or a
    // low-level step (a write on an open handle, say) does not know it yet.
    std::string path;
    // What went wrong, in words: "does not exist", "is a folder",
    // "cannot replace the file: No space left on device".
    std::string reason;

    Fault() = default;
    // A reason alone, as the system's file steps give it (the caller adds the
    // path); its kind follows from it (kind_of_reason).
    Fault(std::string reason_text)  // NOLINT: implicit on purpose
        : kind(kind_of_reason(reason_text)), reason(std::move(reason_text)) {}
    Fault(const char* reason_text) : Fault(std::string(reason_text)) {}  // NOLINT: implicit on purpose
    Fault(std::string path_text, std::string reason_text)
        : kind(kind_of_reason(reason_text)), path(std::move(path_text)), reason(std::move(reason_text)) {}
    Fault(FaultKind fault_kind, std::string path_text, std::string reason_text)
        : kind(fault_kind), path(std::move(path_text)), reason(std::move(reason_text)) {}

    // "<path>: <reason>", or the reason alone when no path is known: the one
    // place where a message is worded with its file.
    std::string message() const;
    // The same fault, worded for the file `name` (a path, or a name within a folder).
    Fault at(std::string name) const { return Fault(kind, std::move(name), reason); }
    // The same fault with words after its message: "<message><more>".
    Fault followed_by(const std::string& more) const { return Fault(kind, path, reason + more); }
    // The same fault with `before` put in front of its message: "<before><message>".
    Fault after(const std::string& before) const { return Fault(kind, "", before + message()); }
};

// The fault of a step on the file at path that failed for `why`:
// "<path>: <what>: <why's reason>", of why's kind.
Fault failed_step(const std::string& path, const std::string& what, const Fault& why);

// Writes message(): tests print faults, and the tool writes them as they are.
std::ostream& operator<<(std::ostream& out, const Fault& fault);

// Success, or the fault that stopped it.
class [[nodiscard]] Status {
public:
    Status() = default;                                            // success
    Status(Fault fault) : fault_(std::move(fault)) {}              // NOLINT: implicit on purpose
    Status(std::string reason) : fault_(Fault(std::move(reason))) {}  // NOLINT: implicit on purpose
    Status(const char* reason) : fault_(Fault(reason)) {}          // NOLINT: implicit on purpose

    bool ok() const { return !fault_.has_value(); }
    // Only when !ok().
    const Fault& fault() const { return *fault_; }
    Fault& fault() { return *fault_; }
    // Whether it failed with a fault of `kind`.
    bool is(FaultKind kind) const { return fault_ && fault_->kind == kind; }
    // The fault's message; "" on success.
    std::string message() const;

private:
    std::optional<Fault> fault_;
};

// A value, or the fault that kept it from being made.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : held_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit on purpose
    Result(Fault fault) : held_(std::in_place_index<1>, std::move(fault)) {}  // NOLINT: implicit on purpose

    bool ok() const { return held_.index() == 0; }
    bool is(FaultKind kind) const { return !ok() && fault().kind == kind; }
    // Only when ok().
    T& value() { return std::get<0>(held_); }
    const T& value() const { return std::get<0>(held_); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    // Only when !ok().
    const Fault& fault() const { return std::get<1>(held_); }
    Status status() const { return ok() ? Status() : Status(fault()); }

private:
    std::variant<T, Fault> held_;
};

}  // namespace ce
