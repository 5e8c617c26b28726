// The merge itself: the sides' data files field by field, their language files
// line by line, their portraits file by file, into the files of a new folder.
#include "mods/merge.h"

#include <algorithm>

#include "store/data_folder.h"
#include "store/settings.h"
#include "store/whole_file.h"
#include "text/lines.h"

namespace ce {
namespace {

FolderFiles files_of(const Folder& folder) {
    FolderFiles files;
    for (const DataFileInfo& info : data_files())
        files[static_cast<std::size_t>(info.id)] = folder.file(info.id).view();
    return files;
}

// Who changed one value, whether they differ, who wins, and whether the value
// that wins rests only on patches whose "before" BASE does not hold (then it is
// left open, unless the order of precedence names them).
struct Decision {
    std::vector<int> changed_by;
    bool conflict = false;
    int taken = -1;
    bool with_base = false;
};

// `differs(m)`: whether mod m's value differs from BASE's; `same(m, n)`:
// whether mods m and n hold the same value; `unsure(m)`: whether m is a patch
// whose "before" BASE does not hold there.
template <class Differs, class Same, class Unsure>
Decision decide(int mods, const std::vector<int>& precedence, Differs differs, Same same, Unsure unsure) {
    Decision d;
    for (int m = 0; m < mods; ++m)
        if (differs(m)) d.changed_by.push_back(m);
    if (d.changed_by.empty()) return d;
    for (int m : d.changed_by) d.conflict = d.conflict || !same(m, d.changed_by.front());
    d.taken = d.conflict ? preferred_side(d.changed_by, precedence) : d.changed_by.front();
    if (d.taken < 0) return d;
    bool sure = false;
    for (int m : d.changed_by) {
        if (!same(m, d.taken)) continue;
        const bool listed = std::find(precedence.begin(), precedence.end(), m) != precedence.end();
        sure = sure || listed || !unsure(m);
    }
    if (!sure) {
        d.taken = -1;
        d.with_base = true;
    }
    return d;
}

std::string language_file_key(int language, int kind) {
    return std::string(kLanguageFolders[static_cast<std::size_t>(language)]) + "/" +
           kLanguageFileNames[static_cast<std::size_t>(kind)];
}

// A patch's unsure change can undo what merge_sides decided for a field: the
// value that wins then rests only on patches made where BASE held neither.
void recheck_field(const std::vector<MergeSide>& mods, const std::vector<int>& precedence,
                   const FolderFiles& base_files, const std::vector<FolderFiles>& sides,
                   std::array<std::vector<std::uint8_t>, kDataFileCount>& merged, MergeResult& r, std::size_t i) {
    ChangedField& f = r.fields[i];
    const std::size_t file = static_cast<std::size_t>(f.row->file);
    bool any_unsure = false;
    for (int m : f.changed_by) any_unsure = any_unsure || mods[static_cast<std::size_t>(m)].patch;
    if (!any_unsure || f.taken < 0) return;
    const Decision d = decide(
        static_cast<int>(mods.size()), precedence,
        [&](int m) { return std::binary_search(f.changed_by.begin(), f.changed_by.end(), m); },
        [&](int a, int b) { return same_element(*f.row, sides[static_cast<std::size_t>(a)][file],
                                                sides[static_cast<std::size_t>(b)][file], f.slot); },
        [&](int m) { return mods[static_cast<std::size_t>(m)].base_fields.contains({f.row, f.slot}); });
    if (!d.with_base) return;
    f.taken = -1;
    r.field_with_base[i] = true;
    copy_element(*f.row, base_files[file], merged[file], f.slot);
}

// A data file's bytes past its fixed size: what the one mod that changes them
// holds, else BASE's (the mods that change them too are named as left out).
std::string merged_tail(const MergeSide& base, const std::vector<MergeSide>& mods, const DataFileInfo& info,
                        MergeResult& r) {
    auto past = [&](const Folder& folder) {
        const DataBytes& d = folder.file(info.id);
        return d.length > info.size
                   ? std::string(reinterpret_cast<const char*>(d.bytes.data()) + info.size, d.length - info.size)
                   : std::string();
    };
    const std::string base_past = past(base.data.folder);
    std::vector<int> changing;
    for (std::size_t m = 0; m < mods.size(); ++m)
        if (past(mods[m].data.folder) != base_past) changing.push_back(static_cast<int>(m));
    if (changing.size() == 1) return past(mods[static_cast<std::size_t>(changing[0])].data.folder);
    for (int m : changing)
        r.left_out.push_back({m, {info.name, "the bytes past its " + std::to_string(info.size) +
                                                 " (other mods change them too; BASE's are kept)"}});
    return base_past;
}

void merge_data_files(const MergeSide& base, const std::vector<MergeSide>& mods, const std::vector<int>& precedence,
                      MergeResult& r) {
    const FolderFiles base_files = files_of(base.data.folder);
    std::vector<FolderFiles> sides;
    for (const MergeSide& m : mods) sides.push_back(files_of(m.data.folder));
    std::array<std::vector<std::uint8_t>, kDataFileCount> merged;
    r.fields = merge_sides(base_files, sides, precedence, merged);
    r.field_with_base.assign(r.fields.size(), false);
    for (std::size_t i = 0; i < r.fields.size(); ++i) {
        recheck_field(mods, precedence, base_files, sides, merged, r, i);
        if (r.fields[i].taken < 0) ++r.open;
        else if (r.fields[i].conflict) ++r.settled;
    }
    for (const DataFileInfo& info : data_files()) {
        const std::size_t f = static_cast<std::size_t>(info.id);
        NewFile out{info.name, std::string(merged[f].begin(), merged[f].end()) + merged_tail(base, mods, info, r),
                    {}, {}, {}, {}};
        base.add_sources(base.data.folder.file(info.id).access, out.sources);
        const DataBytes& b = base.data.folder.file(info.id);
        for (const MergeSide& mod : mods) {
            const DataBytes& d = mod.data.folder.file(info.id);
            if (d.length != b.length || !std::equal(d.bytes.begin(), d.bytes.end(), b.bytes.begin(), b.bytes.end()))
                mod.add_sources(d.access, out.sources);
        }
        r.files.push_back(std::move(out));
    }
}

// One language file of the sides that `touching` mods change: its lines
// decided one by one into `r.items`; the lines OUT takes. `open`: whether a
// conflict is left open.
std::map<int, std::string> merge_lines(const MergeSide& base, const std::vector<MergeSide>& mods,
                                       const std::vector<int>& precedence, const std::vector<int>& touching,
                                       int language, int kind, MergeResult& r, bool& open) {
    const auto k = static_cast<TextKind>(kind);
    const LanguageText& b = base.text(language, k);
    int lines = b.line_count();
    for (int m : touching) lines = std::max(lines, mods[static_cast<std::size_t>(m)].text(language, k).line_count());
    std::map<int, std::string> taken_lines;
    auto line_of_mod = [&](int m, int line) { return mods[static_cast<std::size_t>(m)].text(language, k).line(line); };
    for (int line = 0; line < lines; ++line) {
        const std::string_view base_line = b.line(line);
        const Decision d = decide(
            static_cast<int>(mods.size()), precedence,
            [&](int m) {
                return std::find(touching.begin(), touching.end(), m) != touching.end() &&
                       line_of_mod(m, line) != base_line;
            },
            [&](int x, int y) { return line_of_mod(x, line) == line_of_mod(y, line); },
            [&](int m) { return mods[static_cast<std::size_t>(m)].base_lines.contains({language, kind, line}); });
        if (d.changed_by.empty()) continue;
        r.items.push_back({false, language, kind, line, {}, d.changed_by, d.conflict, d.taken, d.with_base});
        if (d.taken >= 0) taken_lines[line] = std::string(line_of_mod(d.taken, line));
        open = open || d.taken < 0;
        if (d.taken < 0) ++r.open;
        else if (d.conflict) ++r.settled;
    }
    return taken_lines;
}

// What of a mod's file its lines do not carry (line ends, bytes after the
// text) when its lines are merged with other mods'.
void note_lost_line_ends(const LanguageText& b, const std::vector<MergeSide>& mods, const std::vector<int>& touching,
                         int language, TextKind k, const std::string& name, MergeResult& r) {
    for (int m : touching) {
        const LanguageText& t = mods[static_cast<std::size_t>(m)].text(language, k);
        std::map<int, std::string> own;
        for (int line = 0; line < t.line_count() || line < b.line_count(); ++line)
            if (t.line(line) != b.line(line)) own[line] = std::string(t.line(line));
        if (replace_lines(b.bytes, own, OtherLines::KeepEnders, EmptyPastEnd::Extends) != t.bytes)
            r.left_out.push_back({m, {name, "its line ends or the bytes after its text (other mods change the "
                                            "file too: its lines are merged, BASE's line ends kept)"}});
    }
}

void merge_language_file(const MergeSide& base, const std::vector<MergeSide>& mods, const std::vector<int>& precedence,
                         int language, int kind, MergeResult& r) {
    const auto k = static_cast<TextKind>(kind);
    const LanguageText& b = base.text(language, k);
    const std::string name = language_file_key(language, kind);
    std::vector<int> touching;
    for (std::size_t m = 0; m < mods.size(); ++m) {
        const LanguageText& t = mods[m].text(language, k);
        if (t.present && !(b.present && t.bytes == b.bytes)) touching.push_back(static_cast<int>(m));
    }
    if (touching.empty()) {
        if (b.present) r.files.push_back({name, b.bytes, {}, {}, {}, {b.access}});
        return;
    }
    bool open = false;
    const std::map<int, std::string> taken_lines = merge_lines(base, mods, precedence, touching, language, kind, r, open);
    NewFile out{name, {}, {}, {}, {}, {}};
    if (b.present) base.add_sources(b.access, out.sources);
    for (int m : touching) {
        const MergeSide& mod = mods[static_cast<std::size_t>(m)];
        mod.add_sources(mod.text(language, k).access, out.sources);
    }
    if (touching.size() == 1 && !open) {
        // One mod alone changes the file: it is taken whole, its line ends too.
        out.bytes = mods[static_cast<std::size_t>(touching[0])].text(language, k).bytes;
        r.files.push_back(std::move(out));
        return;
    }
    out.bytes = replace_lines(b.bytes, taken_lines, OtherLines::KeepEnders, EmptyPastEnd::Extends);
    r.files.push_back(std::move(out));
    note_lost_line_ends(b, mods, touching, language, k, name, r);
}

void merge_pictures(const MergeSide& base, const std::vector<MergeSide>& mods, const std::vector<int>& precedence,
                    MergeResult& r) {
    std::set<std::string> names;
    for (const MergeSide& m : mods)
        for (const auto& [name, bytes] : m.pictures) names.insert(name);
    std::set<std::string> replaced;
    for (const std::string& name : names) {
        auto picture = [&](int m) -> const Picture* {
            const auto& pictures = mods[static_cast<std::size_t>(m)].pictures;
            const auto it = pictures.find(name);
            return it == pictures.end() ? nullptr : &it->second;
        };
        const Decision d = decide(
            static_cast<int>(mods.size()), precedence, [&](int m) { return picture(m) != nullptr; },
            [&](int x, int y) { return picture(x)->same == picture(y)->same; }, [](int) { return false; });
        MergedItem item;
        item.picture = true;
        item.name = name;
        item.changed_by = d.changed_by;
        item.conflict = d.conflict;
        item.taken = d.taken;
        if (d.taken >= 0) {
            // Copied from the mod's folder as it was compared, never through a link out of it.
            const Picture& p = *picture(d.taken);
            NewFile out{name, {}, name, mods[static_cast<std::size_t>(d.taken)].given, p.identity, {p.access}};
            if (const auto own = base.pictures.find(name); own != base.pictures.end())
                out.sources.push_back(own->second.access);
            r.files.push_back(std::move(out));
            replaced.insert(name);
        }
        if (d.taken < 0) ++r.open;
        else if (d.conflict) ++r.settled;
        r.items.push_back(std::move(item));
    }
    // BASE's own, copied with their permissions as they are.
    for (const auto& [name, picture] : base.pictures)
        if (!replaced.contains(name)) r.files.push_back({name, {}, data_path(base.data.folder.root, name), {}, {}, {}});
}

}  // namespace

MergeResult merge_mods(const MergeSide& base, const std::vector<MergeSide>& mods, const std::vector<int>& precedence) {
    MergeResult r;
    merge_data_files(base, mods, precedence, r);
    for (int language = 0; language < 2; ++language)
        for (int kind = 0; kind < 5; ++kind) merge_language_file(base, mods, precedence, language, kind, r);
    merge_pictures(base, mods, precedence, r);
    if (base.data.folder.lang_present) r.files.push_back({kSettingsFile, base.settings, {}, {}, {}, {base.settings_access}});
    return r;
}

}  // namespace ce
