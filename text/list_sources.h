// Where every list of the editor form takes its entries from: one row per list.
// The editor's filling and the command-line tool both read this table.
#pragma once

#include <algorithm>
#include <span>

#include "text/language.h"

namespace ce {

// Count of a source that takes every line of its file from first_line on (at
// least one entry, so an empty file still gives one).
constexpr int kEveryLine = -1;

struct ListSource {
    int list;              // the list control
    TextKind file;         // the language file of its entries
    int first_line;        // the line of entry 0
    int count;             // entries, or kEveryLine
    bool numbered;         // each entry is "%03d " of its position, then the line
    bool none_entry;       // a leading entry holding line 0 of the Monsters file
    bool joins_previous;   // filled entry by entry together with the row before
};

// Lines 0..132 of the Common file are the captions of controls 2000..2132.
constexpr int kCaptionLines = 133;
// The first caption control: captions 2000..2132 take Common lines 0..132.
constexpr int kFirstCaptionControl = 2000;

// Every list, in the order the form is filled. The option lists follow the
// captions in the Common file, one after the other.
inline constexpr ListSource kListSources[] = {
    {305, TextKind::Common, 133, 5, false, false, false},
    {306, TextKind::Common, 138, 3, false, false, false},
    {307, TextKind::Common, 141, 5, false, false, false},
    {308, TextKind::Common, 146, 10, false, false, false},
    {309, TextKind::Common, 156, 6, false, false, false},
    {310, TextKind::Common, 162, 9, false, false, false},
    {311, TextKind::Common, 171, 4, false, false, false},
    {312, TextKind::Common, 175, 10, false, false, false},
    {313, TextKind::Common, 185, 9, false, false, false},
    {314, TextKind::Common, 194, 7, false, false, false},
    {315, TextKind::Common, 201, 9, false, false, false},
    {316, TextKind::Common, 210, 3, false, false, false},
    {320, TextKind::Common, 213, 4, false, false, false},
    {321, TextKind::Common, 213, 4, false, false, true},
    {322, TextKind::Common, 213, 4, false, false, true},
    {303, TextKind::Spells, 0, kEveryLine, true, false, false},
    {317, TextKind::Spells, 0, kEveryLine, true, true, false},
    {318, TextKind::Spells, 0, kEveryLine, true, true, true},
    {319, TextKind::Spells, 0, kEveryLine, true, true, true},
    {300, TextKind::Monsters, 1, kEveryLine, false, false, false},
    {301, TextKind::Monsters, 1, kEveryLine, true, true, true},
    {302, TextKind::Monsters, 1, kEveryLine, true, false, true},
    {323, TextKind::Monsters, 1, kEveryLine, true, true, true},
};

constexpr std::span<const ListSource> list_sources() { return kListSources; }

// The row of a list, or nullptr.
constexpr const ListSource* find_list_source(int list) {
    for (const ListSource& s : kListSources)
        if (s.list == list) return &s;
    return nullptr;
}

// Lines of the Common file that the form reads: its captions, then the options
// of the lists it fills.
constexpr int common_line_count() {
    int end = kCaptionLines;
    for (const ListSource& s : kListSources)
        if (s.file == TextKind::Common) end = std::max(end, s.first_line + s.count);
    return end;
}

// The entries of a source whose file has `file_lines` lines.
constexpr int source_entry_count(const ListSource& source, int file_lines) {
    if (source.count != kEveryLine) return source.count;
    return std::max(file_lines - source.first_line, 1);
}

}  // namespace ce
