// A data folder with the language texts of one language, and the stored value of
// every field of a slot as the tool exports it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "folder/fields.h"
#include "folder/folder.h"

namespace ce {

struct Dataset {
    Folder folder;
    int language = 0;                     // the language of `texts`
    std::array<LanguageText, 5> texts;    // indexed by TextKind
    const LanguageText& text(TextKind kind) const { return texts[static_cast<std::size_t>(kind)]; }
    LanguageText& text(TextKind kind) { return texts[static_cast<std::size_t>(kind)]; }
    Captions captions() const { return {language, &text(TextKind::Common)}; }
};

// Reads the folder and the five language files of `language` (the folder's
// current language when -1), as `how` says (the user's own folder by default).
Dataset load_dataset(const std::string& root, int language = -1, const FolderRead& how = {});

// The stored bytes of a Text field (up to its first zero, or the whole field when
// it holds none) or of a Line field (the creature's line, without its ender).
std::string stored_bytes(const Dataset& data, const Field& field, int slot);

// What a Text or After field's element holds after the text's zero, by its
// place in the field: ".." for each byte of the text and its zero, then the
// bytes up to the last one that is not zero as hexadecimal digits ("ab", 0,
// 0, 7 in 6 bytes: "......0007"). Empty when those bytes are all zero or the
// text fills the field.
std::string bytes_after_text(const Dataset& data, const Field& field, int slot);

// The exported value of a field: integers in decimal, floats as
// float_value_text, texts decoded to UTF-8, the bytes after a text as
// bytes_after_text gives them.
std::string export_value(const Dataset& data, const Field& field, int slot);

// Whether the field's value is a text (a JSON string) rather than a number.
inline bool is_text_field(const Field& field) {
    return field.kind == FieldKind::Text || field.kind == FieldKind::Line || field.kind == FieldKind::After;
}

// The text as a JSON string: in double quotes, with quotes, backslashes and
// control characters escaped (quoted_text, the one escaping of every message).
std::string quote_text(std::string_view utf8);

// Why each language text of `data` that could not be read (and so reads as
// empty, as the editor reads it) could not be, in the order of TextKind.
std::vector<Fault> unread_texts(const Dataset& data);

// Float bits of a Float field's element.
std::uint32_t float_element(const Dataset& data, const Field& field, int slot);

}  // namespace ce
