// The planning of an import: a table read back (import_table.h) checked cell
// by cell against the data folder in memory, into the changes it makes, field
// by field, with the changes that look like a program's reformatting classed
// (import_suspect.h); and the files those changes make. Nothing is written
// here and the folder is not changed: the tool and the editor commit the files.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "folder/dataset.h"
#include "tables/import_suspect.h"
#include "tables/import_table.h"

namespace ce {

// One field of one slot that the import changes. `before` and `after` are the
// bytes as stored: a Line field's line (in the folder's code page, without its
// ender); a Text field's and its After field's whole element (both changes of
// one text field carry the same element); an Integer or Float field's element
// value in little-endian order, as many bytes as the element has (a flag: one
// byte, 0 or 1).
struct FieldChange {
    int slot = 0;
    int field = 0;  // index into the field table
    std::string before, after;
    std::string note;  // what the store did to a line: "line breaks became spaces; cut to 63 characters"
    Suspect suspect = Suspect::None;
    bool accepted = false;  // suspect, but of a class or a column the user accepts
};

// What to do with the suspect changes.
enum class SuspectChoice {
    Hold,    // nothing is written while one is left
    Accept,  // written with the rest
    Drop,    // left out, the rest written
};

struct ImportChoices {
    bool class_changes = true;  // false only to measure what the classing costs
    SuspectChoice suspects = SuspectChoice::Hold;
    // Suspect changes of these classes, or of these fields (indices into the
    // field table; a text's field covers the bytes after it), are written.
    std::vector<Suspect> accept_classes;
    std::vector<int> accept_fields;
};

// A file that the import replaces, with its new bytes.
struct ImportFile {
    std::string name, path, bytes;
};

struct ImportPlan {
    // Cells that cannot be stored; when any, nothing else is planned.
    FaultList faults;
    // Every change, the suspect ones with their classes, in slot and field order.
    std::vector<FieldChange> changes;
    std::size_t held = 0;  // changes classed suspect and not accepted by class or column
    SuspectChoice suspects = SuspectChoice::Hold;
    // The files the written changes make: data files whose bytes change (each
    // keeping its own length), language files with new lines. Empty while
    // suspect changes are held.
    std::vector<ImportFile> files;

    // Whether the change is among those written.
    bool writes(const FieldChange& change) const {
        return change.suspect == Suspect::None || change.accepted || suspects != SuspectChoice::Drop;
    }
    std::size_t written_count() const { return changes.size() - (suspects == SuspectChoice::Drop ? held : 0); }
};

// Plans the import of `table` (read with `fields`, make_fields(true)) into
// `data`. A CSV's changes are classed; JSON keeps texts and numbers apart by
// their types, and its tools (jq) write values exactly. `faults` are the
// reader's, kept in front of the cells' own.
ImportPlan plan_import(const ImportTable& table, FaultList faults, const Dataset& data, const std::vector<Field>& fields,
                       const ImportChoices& choices);

// A change's stored bytes as the export writes them: integers in decimal,
// floats as float_value_text, texts decoded from `language`'s code page, the
// bytes after a text as after_text gives them.
std::string stored_text(const Field& field, std::string_view stored, int language);

}  // namespace ce
