// Text on a Windows console. The tool writes UTF-8; a console shows bytes in
// its own code page, so Cyrillic came out garbled unless the user had typed
// `chcp 65001`. While a ConsoleText lives, a stream whose handle is a console
// writes wide text to it instead; a pipe or a file still gets the UTF-8 bytes
// unchanged. Windows only (cli/console_win32.cpp).
#pragma once

#include <memory>
#include <ostream>
#include <streambuf>

namespace ce {

enum class StandardStream { output, error };

class ConsoleText {
public:
    // The process's standard output or error.
    ConsoleText(std::ostream& stream, StandardStream which);
    // Any handle (a HANDLE): a console screen buffer, a pipe, a file.
    ConsoleText(std::ostream& stream, void* handle);
    // Flushes what is left and gives the stream its own buffer back.
    ~ConsoleText();
    ConsoleText(const ConsoleText&) = delete;
    ConsoleText& operator=(const ConsoleText&) = delete;
    // True when the handle is a console and the stream now writes wide text to it.
    bool active() const { return buffer_ != nullptr; }

private:
    std::ostream& stream_;
    std::streambuf* previous_ = nullptr;
    std::unique_ptr<std::streambuf> buffer_;
};

}  // namespace ce
