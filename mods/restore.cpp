#include "mods/restore.h"

#include <algorithm>

#include "folder/fields.h"
#include "store/binding.h"
#include "text/lines.h"

namespace ce {
namespace {

// Puts the element of `row` for `slot` from `from` into `to`; whether it changed.
bool copy_field(const BindingRow& row, std::span<const std::uint8_t> from, std::span<std::uint8_t> to, int slot) {
    if (row.kind == Conversion::Bit) {
        const std::int64_t value = read_int(row, from, slot);
        if (read_int(row, to, slot) == value) return false;
        write_int(row, to, slot, value);
        return true;
    }
    const auto at = static_cast<std::ptrdiff_t>(element_position(row, slot));
    const auto width = static_cast<std::ptrdiff_t>(row.width);
    if (std::equal(from.begin() + at, from.begin() + at + width, to.begin() + at)) return false;
    std::copy_n(from.begin() + at, row.width, to.begin() + at);
    return true;
}

// The creature's data fields from `then` over the data files of `now`.
Status data_target(const Dataset& now_read, const Dataset& then, int slot, RestoreFiles& target) {
    for (const Dataset* d : {&now_read, &then}) {
        const std::vector<std::string> faults = data_faults(d->folder);
        if (!faults.empty())
            return std::string(d == &now_read ? "the folder" : "the folder as it was then") +
                   " cannot be used: " + faults[0];
    }
    Dataset now = now_read;
    std::array<bool, kDataFileCount> changed{};
    for (const Field& f : make_fields()) {
        if (!f.row) continue;
        if (copy_field(*f.row, then.folder.file(f.row->file).view(), now.folder.file(f.row->file).view(), slot))
            changed[static_cast<std::size_t>(f.row->file)] = true;
    }
    for (const DataFileInfo& info : data_files()) {
        if (!changed[static_cast<std::size_t>(info.id)]) continue;
        const DataBytes& was = now_read.folder.file(info.id);
        const DataBytes& d = now.folder.file(info.id);
        target.bytes[info.name] =
            std::string(reinterpret_cast<const char*>(d.bytes.data()), std::max(d.length, info.size));
        target.read[info.name] = std::string(reinterpret_cast<const char*>(was.bytes.data()), was.length);
    }
    return {};
}

// The creature's name, plural and ability lines of one language from `then`
// over the language files of `now`, through their line rules.
Status text_target(const Dataset& now, const Dataset& then, int slot, RestoreFiles& target) {
    std::array<std::map<int, std::string>, 5> lines;  // per TextKind: line -> content
    for (const Field& f : make_fields()) {
        if (f.kind != FieldKind::Line) continue;
        const LanguageText& a = now.text(f.text_kind);
        const LanguageText& b = then.text(f.text_kind);
        // A text missing then and now has nothing to put back; one that
        // cannot be read would leave the creature half restored.
        if (!a.present && !b.present && a.fault.is(FaultKind::missing) && b.fault.is(FaultKind::missing)) continue;
        if (!a.present || !b.present)
            return a.name + ": cannot be read" + (a.present ? " as it was then" : "") + ": " +
                   (a.present ? b.fault : a.fault).fault().reason + "; the creature's texts cannot be put back";
        const int k = line_of(f, slot);
        if (a.line(k) == b.line(k)) continue;
        lines[static_cast<std::size_t>(f.text_kind)][k] = std::string(b.line(k));
    }
    for (int k = 0; k < 5; ++k) {
        if (lines[static_cast<std::size_t>(k)].empty()) continue;
        const LanguageText& t = now.text(static_cast<TextKind>(k));
        target.bytes[t.name] =
            replace_lines(t.bytes, lines[static_cast<std::size_t>(k)], OtherLines::KeepEnders, EmptyPastEnd::Extends);
        target.read[t.name] = t.bytes;
    }
    return {};
}

}  // namespace

Result<RestoreFiles> restore_creature(const BothLanguages& now, const BothLanguages& then, int slot) {
    RestoreFiles target;
    if (Status e = data_target(now[0], then[0], slot, target); !e.ok()) return e.fault();
    for (int language = 0; language < 2; ++language)
        if (Status e = text_target(now[static_cast<std::size_t>(language)], then[static_cast<std::size_t>(language)],
                                   slot, target);
            !e.ok())
            return e.fault();
    return target;
}

}  // namespace ce
