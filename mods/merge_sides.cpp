// The sides of a merge read: BASE and each mod's data folder from disk, a
// patch applied onto BASE in memory, and the portraits compared in pieces.
#include "mods/merge_sides.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

#include "mods/apply.h"
#include "store/data_folder.h"
#include "store/inside_folder.h"
#include "store/quoted_text.h"
#include "store/settings.h"
#include "store/value_text.h"
#include "store/whole_file.h"

namespace ce {
namespace {

namespace fs = std::filesystem;

// The files of a data folder by name; anything else in a mod's folder is left out.
bool known_top(const std::string& name) {
    for (const char* known : {kSettingsFile, kPictureFolder, kLanguageFolders[0], kLanguageFolders[1], kHistoryFolder,
                              kLockFileName})
        if (name == known) return true;
    for (const DataFileInfo& info : data_files())
        if (name == info.name) return true;
    return false;
}

// What a mod's folder holds besides a data folder's files (and its portraits,
// which load_pictures judges): the merge leaves it out. Listed as a stranger's
// folder: a language folder that is a link out of it is not looked into.
Status outside_entries(const std::string& root, std::vector<LeftOut>& out) {
    Result<std::vector<FolderEntry>> top = list_inside(root, "");
    if (!top.ok()) return top.fault();
    for (const FolderEntry& e : *top)
        if (!known_top(e.name)) out.push_back({e.name, "not part of a data folder"});
    for (const char* language : kLanguageFolders) {
        Result<std::vector<FolderEntry>> files = list_inside(root, language);
        if (!files.ok()) {
            if (files.is(FaultKind::missing) || files.fault().reason == "not a folder") continue;
            return files.fault();
        }
        for (const FolderEntry& e : *files)
            if (std::find(kLanguageFileNames.begin(), kLanguageFileNames.end(), e.name) == kLanguageFileNames.end())
                out.push_back({std::string(language) + "/" + e.name, "not part of a data folder"});
    }
    std::sort(out.begin(), out.end(), [](const LeftOut& a, const LeftOut& b) { return a.name < b.name; });
    return {};
}

// Whether the two files hold the same bytes, read side by side in pieces.
Result<bool> same_bytes(FileReader& a, FileReader& b) {
    if (a.size() != b.size()) return false;
    std::vector<char> x(std::size_t{1} << 20), y(x.size());
    for (;;) {
        const Result<std::size_t> n = a.read(x.data(), x.size());
        if (!n.ok()) return n.fault();
        std::size_t got = 0;
        while (got < *n) {
            const Result<std::size_t> m = b.read(y.data() + got, *n - got);
            if (!m.ok()) return m.fault();
            if (*m == 0) return false;
            got += *m;
        }
        if (*n == 0) {
            const Result<std::size_t> more = b.read(y.data(), 1);
            if (!more.ok()) return more.fault();
            return *more == 0;
        }
        if (std::memcmp(x.data(), y.data(), *n) != 0) return false;
    }
}

// A mod's portrait opened again, as it was when first read.
Result<FileReader> open_picture(const MergeSide& mod, const std::string& name, const Picture& picture) {
    Result<FileReader> f = open_inside(mod.given, name);
    if (f.ok() && f->identity() != picture.identity)
        return Fault(FaultKind::conflict, f->path(), "changed while the merge ran");
    return f;
}

// BASE's portraits: every regular file under its Pic (links followed, as in
// every folder of the user's own); a name there that is no file to read
// (a pipe, a device, a dangling link) is named. Folders in it are no portraits.
Status load_own_pictures(const std::string& root, MergeSide& side) {
    std::error_code ec;
    const fs::path pic = fs::path(root.empty() ? "." : root) / kPictureFolder;
    if (!fs::is_directory(pic, ec)) return {};
    for (fs::directory_iterator it(pic, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = std::string(kPictureFolder) + "/" + it->path().filename().string();
        std::error_code kind;
        if (it->is_directory(kind)) continue;
        Result<FileReader> f = open_for_reading(data_path(root, name));
        if (!f.ok()) return f.fault();
        side.pictures[name] = {f->size(), f->identity(), f->access(), 0};
    }
    if (ec) return Fault(pic.string(), ec.message());
    return {};
}

// A mod's portraits that BASE does not hold as they are: read inside its
// folder (no link out of it, no special file), compared with BASE's in pieces.
Status load_mod_pictures(const std::string& root, const MergeSide& base, MergeSide& side) {
    Result<std::vector<FolderEntry>> entries = list_inside(root, kPictureFolder);
    if (!entries.ok()) {
        if (entries.is(FaultKind::missing)) return {};
        if (entries.fault().reason == "not a folder") {
            side.left_out.push_back({kPictureFolder, "not a folder"});
            return {};
        }
        return entries.fault();
    }
    std::sort(entries->begin(), entries->end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    for (const FolderEntry& e : *entries) {
        const std::string name = std::string(kPictureFolder) + "/" + e.name;
        if (e.kind == FolderEntry::folder) {
            side.left_out.push_back({name, "a folder, not a portrait"});
            continue;
        }
        Result<FileReader> mine = open_inside(root, name);
        if (!mine.ok()) {
            if (e.kind == FolderEntry::link && mine.fault().reason == reason::kFolder) {
                side.left_out.push_back({name, "a folder, not a portrait"});
                continue;
            }
            return mine.fault();
        }
        const Picture picture{mine->size(), mine->identity(), mine->access(), 0};
        if (const auto own = base.pictures.find(name); own != base.pictures.end() && own->second.size == mine->size()) {
            Result<FileReader> theirs = open_for_reading(data_path(base.data.folder.root, name));
            if (!theirs.ok()) return theirs.fault();
            const Result<bool> same = same_bytes(*mine, *theirs);
            if (!same.ok()) return same.fault();
            if (*same) continue;
        }
        side.pictures[name] = picture;
    }
    return {};
}

// The fault with its file's name quoted where it holds anything odd: the
// names are a folder's.
Fault named(const Fault& f) { return f.path.empty() ? f : f.at(shown_text(f.path)); }

// A language file that a side has but that could not be read: no part of a
// source is dropped. (One that does not exist is not there to merge.)
Status unread_text(const MergeSide& side) {
    for (const auto* texts : {&side.data.texts, &side.other})
        for (const LanguageText& t : *texts)
            if (!t.present && !t.fault.is(FaultKind::missing)) return t.fault;
    return {};
}

}  // namespace

Status group_pictures(std::vector<MergeSide>& mods) {
    std::set<std::string> names;
    for (const MergeSide& m : mods)
        for (const auto& [name, picture] : m.pictures) names.insert(name);
    for (const std::string& name : names) {
        std::vector<std::size_t> firsts;  // the first mod of each number
        for (std::size_t m = 0; m < mods.size(); ++m) {
            const auto it = mods[m].pictures.find(name);
            if (it == mods[m].pictures.end()) continue;
            Picture& mine = it->second;
            mine.same = static_cast<int>(firsts.size());
            for (std::size_t g = 0; g < firsts.size(); ++g) {
                const Picture& first = mods[firsts[g]].pictures.at(name);
                if (first.size != mine.size) continue;
                Result<FileReader> a = open_picture(mods[firsts[g]], name, first);
                if (!a.ok()) return named(a.fault());
                Result<FileReader> b = open_picture(mods[m], name, mine);
                if (!b.ok()) return named(b.fault());
                const Result<bool> same = same_bytes(*a, *b);
                if (!same.ok()) return named(same.fault());
                if (*same) {
                    mine.same = static_cast<int>(g);
                    break;
                }
            }
            if (mine.same == static_cast<int>(firsts.size())) firsts.push_back(m);
        }
    }
    return {};
}

Status load_folder_side(const std::string& root, const MergeSide* base, ReadBudget& budget, MergeSide& side) {
    side.given = root;
    if (Status e = budget.take(kSideCost, "its fields"); !e.ok()) return e;
    const FolderRead how{base != nullptr, &budget};
    side.data = load_dataset(root, base ? base->data.language : -1, how);
    for (const DataFileInfo& info : data_files()) {
        // A data file refused for the bound, or as a link out, says so as itself.
        const Status& fault = side.data.folder.file(info.id).fault;
        if (!fault.ok() && (fault.is(FaultKind::out_of_range) || fault.fault().reason == reason::kLinkOut)) return fault;
    }
    const std::vector<std::string> faults = data_faults(side.data.folder);
    if (!faults.empty()) {
        std::string why = "not a data folder: ";
        for (std::size_t i = 0; i < faults.size(); ++i) why += (i ? "; " : "") + faults[i];
        return Fault(FaultKind::invalid, "", why);
    }
    for (int k = 0; k < 5; ++k)
        side.other[static_cast<std::size_t>(k)] =
            read_language_file(root, static_cast<TextKind>(k), 1 - side.data.language, how);
    if (Status e = unread_text(side); !e.ok()) return e;
    if (!base) {
        WholeFile lang;
        if (side.data.folder.lang_present) {
            if (Status e = read_folder_file(root, kSettingsFile, how, lang, &side.settings_access); !e.ok()) return e;
            side.settings.assign(reinterpret_cast<const char*>(lang.data()), lang.length);
        } else if (!side.data.folder.lang_fault.is(FaultKind::missing)) {
            return side.data.folder.lang_fault;
        }
        if (Status e = load_own_pictures(root, side); !e.ok()) return named(e.fault());
        return {};
    }
    if (Status e = load_mod_pictures(root, *base, side); !e.ok()) return named(e.fault());
    return outside_entries(root, side.left_out);
}

Status load_patch_side(const std::string& path, const MergeSide& base, const std::vector<Field>& fields,
                       ReadBudget& budget, MergeSide& side, FaultList& faults) {
    WholeFile file;
    if (Status e = read_folder_file("", path, FolderRead{false, &budget}, file, &side.patch_access); !e.ok())
        return Fault(e.fault().kind, "", e.fault().reason);
    std::uint64_t copy = 0;
    for (const DataBytes& d : base.data.folder.data) copy += d.bytes.size();
    for (const LanguageText& t : base.data.texts) copy += t.bytes.size();
    if (Status e = budget.take(copy + kSideCost, "its copy of BASE and its fields"); !e.ok()) return e;
    const std::string_view text(reinterpret_cast<const char*>(file.data()), file.length);
    const Patch patch = read_patch(text, fields, faults);
    if (!faults.empty()) return Fault(FaultKind::invalid, "", "the patch cannot be read");
    // Every conflict is the patch's: BASE then holds neither its "before" nor its "after".
    const ApplyRules rules{std::vector<Winner>(kSlots, Winner::Patch), false};
    Result<ApplyPlan> plan = apply_patch(base.data, patch, fields, rules, faults);
    if (!plan.ok()) return plan.fault();
    const int language = base.data.language;
    for (std::size_t i = 0; i < plan->changes.size(); ++i) {
        if (plan->outcomes[i] != Outcome::PatchWins) continue;
        const Change& c = plan->changes[i];
        const Field& f = fields[static_cast<std::size_t>(c.field)];
        const PatchValue& before = patch.creatures[static_cast<std::size_t>(c.creature)]
                                       .changes[static_cast<std::size_t>(c.change)]
                                       .before;
        const std::string shown = before.type == CellType::String ? quote_text(before.text) : before.text;
        if (f.kind == FieldKind::Line)
            side.base_lines[{language, static_cast<int>(f.text_kind), line_of(f, c.slot)}] = shown;
        else
            side.base_fields[{f.row, c.slot}] = shown;
    }
    side.given = path;
    side.patch = true;
    side.data = std::move(plan->data);
    side.other = base.other;
    return {};
}

Result<std::vector<int>> parse_precedence(std::string_view text, std::size_t mods) {
    std::vector<int> order;
    std::size_t start = 0;
    while (!text.empty() && start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) comma = text.size();
        std::string item(text.substr(start, comma - start));
        start = comma + 1;
        item.erase(0, item.find_first_not_of(' '));
        item.erase(item.find_last_not_of(' ') + 1);
        const std::optional<std::uint64_t> n = parse_decimal(item, mods);
        if (!n || *n == 0)
            return Fault(FaultKind::invalid, "",
                         "--precedence: " + quoted_piece(item) + " is not a mod's number (1 to " +
                             std::to_string(mods) + ": MOD1 is the first mod named)");
        const int m = static_cast<int>(*n) - 1;
        if (std::find(order.begin(), order.end(), m) != order.end())
            return Fault(FaultKind::invalid, "", "--precedence: mod " + item + " is listed twice");
        order.push_back(m);
    }
    return order;
}

}  // namespace ce
