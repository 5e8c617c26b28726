#include "cli/console.h"

#include <windows.h>

#include <string>

namespace ce {
namespace {

// How many leading bytes of `bytes` end on a whole UTF-8 sequence: an
// unfinished sequence at the end waits for the rest of its bytes, so a
// character split between two writes is still converted whole.
std::size_t whole_prefix(const std::string& bytes) {
    const std::size_t n = bytes.size();
    for (std::size_t back = 1; back <= 4 && back <= n; ++back) {
        const auto b = static_cast<unsigned char>(bytes[n - back]);
        if ((b & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const std::size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return back < need ? n - back : n;
    }
    return n;  // stray continuation bytes: converted (as replacement characters)
}

class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}
    ~ConsoleBuffer() override { write_out(pending_.size()); }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        pending_.push_back(traits_type::to_char_type(c));
        if (pending_.size() >= kChunk && !write_out(whole_prefix(pending_))) return traits_type::eof();
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        pending_.append(s, static_cast<std::size_t>(n));
        if (pending_.size() >= kChunk && !write_out(whole_prefix(pending_))) return 0;
        return n;
    }
    int sync() override { return write_out(whole_prefix(pending_)) ? 0 : -1; }

private:
    static constexpr std::size_t kChunk = 4096;

    // Converts and writes the first `count` pending bytes.
    bool write_out(std::size_t count) {
        if (count == 0) return true;
        const int in = static_cast<int>(count);
        const int wide_count = MultiByteToWideChar(CP_UTF8, 0, pending_.data(), in, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(wide_count), L'\0');
        if (wide_count <= 0 || MultiByteToWideChar(CP_UTF8, 0, pending_.data(), in, wide.data(), wide_count) != wide_count)
            return false;
        pending_.erase(0, count);
        const wchar_t* p = wide.data();
        DWORD left = static_cast<DWORD>(wide.size());
        while (left > 0) {
            DWORD written = 0;
            if (!WriteConsoleW(console_, p, left, &written, nullptr) || written == 0) return false;
            p += written;
            left -= written;
        }
        return true;
    }

    HANDLE console_;
    std::string pending_;
};

}  // namespace

ConsoleText::ConsoleText(std::ostream& stream, StandardStream which)
    : ConsoleText(stream, GetStdHandle(which == StandardStream::output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE)) {}

ConsoleText::ConsoleText(std::ostream& stream, void* handle) : stream_(stream) {
    DWORD mode = 0;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return;
    stream_.flush();
    buffer_ = std::make_unique<ConsoleBuffer>(handle);
    previous_ = stream_.rdbuf(buffer_.get());
}

ConsoleText::~ConsoleText() {
    if (!buffer_) return;
    stream_.flush();
    stream_.rdbuf(previous_);
}

}  // namespace ce
