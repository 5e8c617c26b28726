// The line codec and the language files: any bytes split into lines the same
// way everywhere, a replaced line reads back and leaves the others, and any
// bytes as a language file fill the whole form.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "folder/folder.h"
#include "form/fill_language.h"
#include "form/memory_form.h"
#include "fuzz/check.h"
#include "fuzz/temp_folder.h"
#include "text/language.h"
#include "text/lines.h"

namespace {

bool is_ender(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 1 && b <= 8) || (b >= 10 && b <= 13);
}

void check_codec(std::string_view bytes) {
    const std::string_view text = ce::text_of(bytes);
    CE_FUZZ_CHECK(text.find('\0') == std::string_view::npos, "a zero inside the text");
    const int count = ce::count_lines(text);
    std::size_t offset = 0;
    std::size_t next = 0;
    std::string line;
    for (int k = 0; k < count; ++k) {
        next = ce::next_line(text, offset, line);
        CE_FUZZ_CHECK(std::none_of(line.begin(), line.end(), is_ender), "a line holds its ender");
        CE_FUZZ_CHECK(ce::line_at(text, k) == line, "line_at differs from reading on");
        CE_FUZZ_CHECK(ce::creature_line(text, k) == line, "creature_line differs from reading on");
        if (k + 1 < count) CE_FUZZ_CHECK(next > offset, "reading does not move on");
        else CE_FUZZ_CHECK(next == 0 || next == text.size(), "the last line does not end the text");
        offset = next;
    }
    CE_FUZZ_CHECK(ce::creature_line(text, count).empty(), "a line past the end");
    // Reading on cycles back to line 0: at once after a last line without a
    // break, after one empty read at the end of the text otherwise.
    if (count > 0 && next == 0) {
        CE_FUZZ_CHECK(ce::line_at(text, count) == ce::line_at(text, 0), "no cycle back to line 0");
    } else if (count > 0) {
        CE_FUZZ_CHECK(ce::line_at(text, count).empty(), "a line read past the last break");
        CE_FUZZ_CHECK(ce::line_at(text, count + 1) == ce::line_at(text, 0), "no cycle back to line 0");
    }
}

void check_replace(std::string_view bytes, std::uint8_t which) {
    ce::LanguageText text;
    text.bytes = std::string(bytes);
    ce::split_lines(text);
    CE_FUZZ_CHECK(text.line_count() == ce::count_lines(ce::text_of(bytes)), "split_lines counts differently");
    const int k = which % (text.line_count() + 3);
    std::string content;
    for (char c : bytes.substr(0, std::min<std::size_t>(bytes.size(), which)))
        if (!is_ender(c) && c != '\0') content += c;
    // Both ways of treating the other lines: their own enders kept, or CR LF.
    for (const ce::OtherLines others : {ce::OtherLines::KeepEnders, ce::OtherLines::EndCrLf}) {
        ce::LanguageText after;
        after.bytes = ce::replace_lines(text.bytes, {{k, content}}, others, ce::EmptyPastEnd::Extends);
        ce::split_lines(after);
        CE_FUZZ_CHECK(after.line(k) == content, "the replaced line does not read back");
        // Emptying a last line without a break leaves no line there to count (a
        // reader still finds it empty, as past the end).
        const bool emptied_last = content.empty() && k + 1 == text.line_count() &&
                                  text.lines.back().next == text.lines.back().end;
        CE_FUZZ_CHECK(after.line_count() >= std::max(text.line_count(), k + 1) - (emptied_last ? 1 : 0),
                      "lines lost by a replace");
        for (int i = 0; i < text.line_count(); ++i)
            if (i != k) CE_FUZZ_CHECK(after.line(i) == text.line(i), "another line changed by a replace");
        // Bytes past the text's zero stay.
        CE_FUZZ_CHECK(std::string_view(after.bytes).substr(after.text_size) ==
                          std::string_view(text.bytes).substr(text.text_size),
                      "bytes after the zero changed by a replace");
    }
}

const ce::fuzz::TempFolder& folder() {
    static const ce::fuzz::TempFolder made;
    return made;
}

void check_language_file(std::string_view bytes, std::uint8_t which) {
    static ce::MemoryForm form;
    const auto kind = static_cast<ce::TextKind>(which % 5);
    const int language = (which / 5) % 2;
    const std::string root = folder().path();
    {
        std::ofstream lang(root + "/Lang", std::ios::binary | std::ios::trunc);
        lang.put(static_cast<char>(language));
    }
    std::filesystem::create_directories(root + (language ? "/Rus" : "/Eng"));
    const std::string path = ce::language_file(root, kind, language);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string read;
    CE_FUZZ_CHECK(ce::load_language_text(path, read).ok() && read == bytes, "a language file reads differently");

    std::string header;
    std::vector<ce::Fault> faults;
    ce::apply_language(form, root, static_cast<int>(which) * 4, header, faults);
    CE_FUZZ_CHECK(header.size() <= 119, "a header format longer than the edit holds");
    std::filesystem::remove(path);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    (void)folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t which = data[0];
    const std::string_view bytes = ce::fuzz::as_text(data + 1, size - 1);
    check_codec(bytes);
    check_replace(bytes, which);
    check_language_file(bytes, which);
    return 0;
}
