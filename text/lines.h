// Line text codec of the language files: lines end CR LF; the text ends at its
// first zero byte (or at the end of the view).
//
// Reading: a byte 1..8 or 10..13 ends a line. A CR LF pair is consumed as two
// bytes; any other ender consumes only itself, so no byte of the next line is
// lost. Tab and bytes 14..255 are content. A last line without a break counts.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace ce {

// The text up to its first zero byte.
std::string_view text_of(std::string_view bytes);

// Copies the line that starts at `offset` into `line` and returns the offset of
// the next line, or 0 when this line was ended by the end of the text (so a
// reader that keeps feeding the result back starts again at line 0).
std::size_t next_line(std::string_view text, std::size_t offset, std::string& line);

// Line n (n >= 0), with the cycle back to line 0 past the end of the text.
std::string line_at(std::string_view text, int n);

// The number of lines: one per line ender, plus one for a last line without a break.
int count_lines(std::string_view text);

// Line n of a file with one line per creature, or an empty line when the file
// has no line n: a short file must not show an earlier creature's text (which a
// Save would then store as this creature's).
std::string creature_line(std::string_view text, int n);

// Appends line and CR LF to out (no break when no_break). Returns the bytes appended.
std::size_t append_line(std::string& out, std::string_view line, bool no_break = false);

// Rewriting some lines of a language file: what happens to the rest.
// The lines not replaced keep their own enders (and a last line without one
// stays so), or every line of the result ends CR LF.
enum class OtherLines { KeepEnders, EndCrLf };
// A replacement past the last line extends the file with empty CR LF lines up
// to it; with LeavesShort an empty one does not (nothing to store), though a
// later non-empty one still does.
enum class EmptyPastEnd { Extends, LeavesShort };

// `bytes` (a whole file: its text, then from the first zero byte a tail that
// stays as it is) with the content of some lines replaced (line number >= 0 ->
// new content, which holds no line-ending or zero byte). Every other byte of the
// text stays, but for the enders `others` rewrites. A line emptied between a
// lone CR and its own LF would make the two one CR LF ender and move every
// later line up: it ends CR LF instead.
std::string replace_lines(std::string_view bytes, const std::map<int, std::string>& lines,
                          OtherLines others, EmptyPastEnd empty_past_end);

// Longest text stored in a creature's line: the name and the plural (63
// characters) and the ability text (999).
constexpr int kNameMax = 63;
constexpr int kAbilityMax = 999;

// A typed text as one line of a language file: the text up to its first zero,
// with every line ender made a space (a CR LF pair one space), so that the
// creature's text can never end its line early and move every later line.
std::string as_one_line(std::string_view typed);

}  // namespace ce
