// The one way a text that came from a file (a history manifest's "made-by", a
// name in a journal, a value of a data file) is quoted in a message: as a JSON
// string, so that no byte of it can act on the terminal that shows it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ce {

// `bytes` in double quotes: quote, backslash and every control character (C0
// and C1, U+0080..U+009F) escaped as JSON escapes them, each malformed UTF-8
// sequence replaced by one U+FFFD, everything else as it is.
std::string quoted_text(std::string_view bytes);

// A message names a value by at most this many of its characters, then "...":
// a line stays a line however long the value a file or a user hands us.
inline constexpr std::size_t kQuotedCharacters = 40;

// How many bytes of `text` a message shows: its first kQuotedCharacters
// characters, a well-formed UTF-8 sequence counted as one and never cut (any
// other byte as one).
std::size_t quoted_length(std::string_view text);

// The one way a message quotes a value: quoted_text of its first
// quoted_length bytes, then "..." when there are more.
std::string quoted_piece(std::string_view text);

// The same piece unquoted, for a value that holds only what a message may
// show as it is (a number as written).
std::string message_piece(std::string_view text);

// The text as it is when it is plain printable ASCII without quotes or
// backslashes (what our own programs write), otherwise quoted_text: a listing
// keeps its columns for ordinary texts and escapes anything else.
std::string shown_text(std::string_view bytes);

// A text as one of our own records holds it (a history manifest's "made-by",
// say): as it is when it is printable ASCII that does not start with a quote,
// otherwise in double quotes with backslash, quote and every byte outside
// printable ASCII escaped (\\, \", \xHH). So no text, whatever bytes it holds
// (a line break, a control byte), can change the shape of the record, and
// record_text_read gives back exactly its bytes.
std::string record_text(std::string_view bytes);
// The bytes of a record's text (as record_text wrote it, or a plain text as
// older records hold it); nothing when a quoted one is malformed.
std::optional<std::string> record_text_read(std::string_view text);

// Escapes in place the C1 controls (U+0080..U+009F, encoded C2 80..C2 9F) that
// a JSON writer leaves as they are in a valid UTF-8 document.
void escape_c1_controls(std::string& json);

}  // namespace ce
