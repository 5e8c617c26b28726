// creatures merge: mods (data folders or patches) onto a base, into a new
// folder; the report of what each mod changed and lost.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <ostream>
#include <sstream>
#include <system_error>
#include <unordered_map>

#include "cli/commands.h"
#include "cli/describe.h"
#include "mods/merge.h"
#include "cli/patch_io.h"
#include "mods/patch.h"
#include "cli/table_text.h"
#include "form/captions.h"
#include "store/data_folder.h"
#include "store/inside_folder.h"
#include "store/quoted_text.h"
#include "store/settings.h"
#include "store/value_text.h"
#include "store/whole_file.h"
#include "text/code_page.h"
#include "text/lines.h"

namespace ce {
namespace {

namespace fs = std::filesystem;

int fail(const std::string& message, std::ostream& err) {
    err << "creatures merge: " << message << "\n";
    return kExitError;
}

std::string mod_name(int m) { return "MOD" + std::to_string(m + 1); }

// --- reading the sides -----------------------------------------------------------

// What the merge holds in memory of its folders and patches and of what it
// builds from them, at most (ReadBudget): portraits are read in pieces, so
// that this bounds its memory as a whole. Each side costs besides its files
// what its fields' changes may take in the merge and its report at most.
constexpr std::uint64_t kMergeMemory = std::uint64_t{1} << 30;
constexpr std::uint64_t kSideCost = std::uint64_t{32} << 20;

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

// Gives the mods' portraits of one name that hold the same bytes one number.
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
                if (!a.ok()) return a.fault();
                Result<FileReader> b = open_picture(mods[m], name, mine);
                if (!b.ok()) return b.fault();
                const Result<bool> same = same_bytes(*a, *b);
                if (!same.ok()) return same.fault();
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

// A data folder as a side; `base` (when given) is the side the mod is merged
// onto: the mod is read as a stranger's folder, its texts in BASE's language
// and only its differing portraits kept. Every file read takes from `budget`.
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

// A patch as a side: BASE with the patch's "after" wherever BASE holds its
// "before" or anything else (that is noted: BASE then holds neither). The
// patch, and the copy of BASE it makes, take from `budget`.
bool load_patch_side(const std::string& path, const std::string& label, const MergeSide& base,
                     const std::vector<Field>& fields, ReadBudget& budget, MergeSide& side, std::ostream& err) {
    WholeFile file;
    if (Status e = read_folder_file("", path, FolderRead{false, &budget}, file, &side.patch_access); !e.ok()) {
        fail(label + ": " + e.fault().reason + "; nothing was written", err);
        return false;
    }
    std::uint64_t copy = 0;
    for (const DataBytes& d : base.data.folder.data) copy += d.bytes.size();
    for (const LanguageText& t : base.data.texts) copy += t.bytes.size();
    if (Status e = budget.take(copy + kSideCost, "its copy of BASE and its fields"); !e.ok()) {
        fail(label + ": " + e.message() + "; nothing was written", err);
        return false;
    }
    const std::string_view text(reinterpret_cast<const char*>(file.data()), file.length);
    FaultList faults;
    const Patch patch = read_patch(text, fields, faults);
    if (!faults.empty()) {
        report_patch_faults("merge", label, faults, err);
        return false;
    }
    const int language = base.data.language;
    if (Status mismatch = language_mismatch(patch, fields, language); !mismatch.ok()) {
        fail(label + ": " + mismatch.message() + "; nothing was written", err);
        return false;
    }
    const std::vector<ReadyChange> changes = prepare_patch(patch, fields, language, faults);
    if (!faults.empty()) {
        report_patch_faults("merge", label, faults, err);
        return false;
    }
    side.given = path;
    side.patch = true;
    side.data = base.data;
    side.other = base.other;
    std::vector<bool> take(changes.size(), false);
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const ReadyChange& c = changes[i];
        const PatchState state = patch_state(base.data, fields, c);
        take[i] = state != PatchState::After;
        if (state != PatchState::Conflict) continue;
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
    if (Status missing = missing_text_file(base.data, patch, fields, changes, take); !missing.ok()) {
        fail(label + ": " + missing.message() + "; nothing was written", err);
        return false;
    }
    std::array<bool, kDataFileCount> changed{};
    LineEdits lines;
    put_afters(side.data, fields, changes, take, changed, lines);
    for (int k = 0; k < 5; ++k) {
        if (lines[static_cast<std::size_t>(k)].empty()) continue;
        LanguageText& t = side.data.text(static_cast<TextKind>(k));
        t.bytes = replace_lines(t.bytes, lines[static_cast<std::size_t>(k)], OtherLines::KeepEnders,
                                EmptyPastEnd::Extends);
        split_lines(t);
    }
    return true;
}

// The mods' numbers in the order of precedence, as indices; nothing after a
// message.
std::optional<std::vector<int>> parse_precedence(const std::string& text, std::size_t mods, std::ostream& err) {
    std::vector<int> order;
    std::size_t start = 0;
    while (!text.empty() && start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        std::string item = text.substr(start, comma - start);
        start = comma + 1;
        item.erase(0, item.find_first_not_of(' '));
        item.erase(item.find_last_not_of(' ') + 1);
        const std::optional<std::uint64_t> n = parse_decimal(item, mods);
        if (!n || *n == 0) {
            fail("--precedence: " + quoted_piece(item) + " is not a mod's number (1 to " + std::to_string(mods) +
                     ": MOD1 is the first mod named)",
                 err);
            return std::nullopt;
        }
        const int m = static_cast<int>(*n) - 1;
        if (std::find(order.begin(), order.end(), m) != order.end()) {
            fail("--precedence: mod " + item + " is listed twice", err);
            return std::nullopt;
        }
        order.push_back(m);
    }
    return order;
}

// --- the report ------------------------------------------------------------------


// The text report lists this many losses per mod, and this many open
// conflicts; the JSON report lists every one.
constexpr std::size_t kListed = 100;

struct Tally {
    std::size_t fields = 0, texts = 0, other_lines = 0, pictures = 0;
    std::vector<int> slots;
    std::map<int, std::size_t> lost_to;  // the mod that won -> how many of its values this one lost
    std::size_t lost_count = 0;
    std::string lost, lost_json;
};

class Reporter {
public:
    // `json`: the report is written as JSON (only that form is built).
    Reporter(const MergeSide& base, const std::vector<MergeSide>& mods, const std::vector<Field>& fields, bool json)
        : base_(base), mods_(mods), fields_(fields), json_(json), captions_(field_captions(base.data, fields)),
          tallies_(mods.size()), touched_(mods.size(), std::vector<bool>(kSlots, false)), heads_(kSlots) {
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (fields[i].row && fields[i].kind != FieldKind::After) row_field_.emplace(fields[i].row, i);
        shown_captions_.reserve(captions_.size());
        for (const std::string& c : captions_) shown_captions_.push_back(terminal_text(c));
    }

    void add(const MergeResult& r) {
        for (std::size_t i = 0; i < r.fields.size(); ++i) add_field(r.fields[i], r.field_with_base[i]);
        for (const MergedItem& item : r.items) add_item(item);
        for (std::size_t m = 0; m < mods_.size(); ++m)
            for (int s = 0; s < kSlots; ++s)
                if (touched_[m][static_cast<std::size_t>(s)]) tallies_[m].slots.push_back(s);
    }

    std::string text(const MergeResult& r) const {
        std::string out;
        for (std::size_t m = 0; m < mods_.size(); ++m) {
            const Tally& t = tallies_[m];
            add_to(out, mod_name(static_cast<int>(m)), " ", terminal_text(mods_[m].given),
                   mods_[m].patch ? " (a patch): " : " (a data folder): ", changed_text(t), "\n");
            if (!t.lost_to.empty()) {
                out += "  lost";
                for (auto it = t.lost_to.begin(); it != t.lost_to.end(); ++it)
                    add_to(out, it == t.lost_to.begin() ? " " : ", ", std::to_string(it->second), " to ",
                           mod_name(it->first));
                out += ":\n";
            }
            out += t.lost;
            if (t.lost_count > kListed)
                add_to(out, "  ... and ", std::to_string(t.lost_count - kListed), " more (--json lists every one)\n");
        }
        if (!open_.empty()) add_to(out, "open conflicts (", std::to_string(r.open), "):\n", open_);
        if (open_count_ > kListed)
            add_to(out, "  ... and ", std::to_string(open_count_ - kListed), " more (--json lists every one)\n");
        std::string left;
        for (std::size_t m = 0; m < mods_.size(); ++m)
            for (const LeftOut& what : mods_[m].left_out)
                add_to(left, "  ", mod_name(static_cast<int>(m)), ": ", shown_text(what.name), ": ", what.why, "\n");
        for (const auto& [m, what] : r.left_out) add_to(left, "  ", mod_name(m), ": ", shown_text(what.name), ": ", what.why, "\n");
        if (!left.empty()) out += "left out:\n" + left;
        return out;
    }

    std::string json(const MergeResult& r, const std::string& out_folder, bool written) const {
        std::string j = "{\n  \"base\": " + quote_text(base_.given) + ",\n  \"out\": " + quote_text(out_folder) +
                        ",\n  \"written\": " + (written ? "true" : "false") + ",\n  \"open\": " +
                        std::to_string(r.open) + ",\n  \"settled\": " + std::to_string(r.settled) + ",\n  \"mods\": [";
        for (std::size_t m = 0; m < mods_.size(); ++m) {
            const Tally& t = tallies_[m];
            std::string slots;
            for (int s : t.slots) slots += (slots.empty() ? "" : ", ") + std::to_string(s);
            std::string left;
            for (const LeftOut& what : mods_[m].left_out)
                left += (left.empty() ? "" : ", ") + quote_text(what.name + ": " + what.why);
            for (const auto& [who, what] : r.left_out)
                if (who == static_cast<int>(m)) left += (left.empty() ? "" : ", ") + quote_text(what.name + ": " + what.why);
            add_to(j, m ? "," : "", "\n    {\"mod\": ", std::to_string(m + 1), ", \"source\": ", quote_text(mods_[m].given),
                   ", \"kind\": ", mods_[m].patch ? "\"patch\"" : "\"folder\"", ",\n     \"changed\": {\"fields\": ",
                   std::to_string(t.fields), ", \"texts\": ", std::to_string(t.texts), ", \"other_lines\": ",
                   std::to_string(t.other_lines), ", \"portraits\": ", std::to_string(t.pictures),
                   ", \"creatures\": [", slots, "]},\n     \"lost\": [", t.lost_json,
                   t.lost_json.empty() ? "" : "\n     ", "],\n     \"left_out\": [", left, "]}");
        }
        add_to(j, "\n  ],\n  \"conflicts\": [", conflicts_json_, conflicts_json_.empty() ? "" : "\n  ", "]\n}\n");
        return j;
    }

    std::size_t fields_taken() const { return taken_fields_; }
    std::size_t texts_taken() const { return taken_texts_; }
    std::size_t lines_taken() const { return taken_lines_; }
    std::size_t pictures_taken() const { return taken_pictures_; }

private:
    // One changed value as the report names it.
    struct Named {
        int slot = -1;
        std::string what;        // "Speed (MonstersSetup.vrh@27000)", "Eng/Common.txt line 17", "Pic/5.jpg"
        std::string json_head;   // "\"slot\": 5, \"key\": ..., \"caption\": ..."
    };

    // "slot 5 (Shaipon): ", made once per slot.
    const std::string& head(int slot) {
        static const std::string none;
        if (slot < 0) return none;
        std::string& h = heads_[static_cast<std::size_t>(slot)];
        if (h.empty()) h = "slot " + std::to_string(slot) + " (" + terminal_text(creature_name(slot)) + "): ";
        return h;
    }
    std::string creature_name(int slot) const {
        return decode_code_page(base_.data.text(TextKind::Monsters).line(slot + 1), base_.data.language);
    }

    const Dataset& side_data(int side) const { return side < 0 ? base_.data : mods_[static_cast<std::size_t>(side)].data; }

    // A field's value as JSON (the report's text shows it so too).
    std::string field_value(int side, const Field& f, int slot) const {
        const Dataset& d = side_data(side);
        std::string v = patch_json_value(f, export_value(d, f, slot));
        if (f.kind == FieldKind::Text) {
            // The bytes after its zero are part of the element, as its ".after" key carries them.
            const std::string after = bytes_after_text(d, f, slot);
            if (!after.empty()) v = "{\"text\": " + v + ", \"after\": " + quote_text(after) + "}";
        }
        return v;
    }

    std::string line_value(int side, const MergedItem& item) const {
        const MergeSide& s = side < 0 ? base_ : mods_[static_cast<std::size_t>(side)];
        return quote_text(decode_code_page(s.text(item.language, static_cast<TextKind>(item.kind)).line(item.line),
                                           item.language));
    }

    // A portrait by its size (JSON: {"bytes": N}, or null where BASE has none).
    std::string item_value(int side, const MergedItem& item) const {
        if (!item.picture) return line_value(side, item);
        const auto& pictures = side < 0 ? base_.pictures : mods_[static_cast<std::size_t>(side)].pictures;
        const auto it = pictures.find(item.name);
        if (it == pictures.end()) return json_ ? "null" : "none";
        const std::uint64_t size = it->second.size;
        return json_ ? "{\"bytes\": " + std::to_string(size) + "}" : counted(static_cast<std::size_t>(size), "byte", "bytes");
    }

    // Adds a loss or an open conflict; `value`(side) gives a side's value as
    // JSON (-1: BASE), asked only for what the report lists.
    template <class Value, class Same>
    void settle(const Named& named, const std::vector<int>& changed_by, int taken, bool with_base,
                const std::string& base_before, Value value, Same same) {
        std::vector<std::optional<std::string>> values(changed_by.size());
        const auto value_at = [&](std::size_t i) -> const std::string& {
            if (!values[i]) values[i] = value(changed_by[i]);
            return *values[i];
        };
        const auto json_values = [&] {
            add_to(conflicts_json_, conflicts_json_.empty() ? "\n    {" : ",\n    {", named.json_head, ", \"base\": ",
                   value(-1), ", \"values\": {");
            for (std::size_t i = 0; i < changed_by.size(); ++i)
                add_to(conflicts_json_, i ? ", \"" : "\"", std::to_string(changed_by[i] + 1), "\": ", value_at(i));
        };
        if (taken < 0) {
            ++open_count_;
            if (json_) {
                json_values();
                add_to(conflicts_json_, "}, \"taken\": null");
                if (with_base) add_to(conflicts_json_, ", \"patch_before\": ", base_before);
                conflicts_json_ += '}';
                return;
            }
            if (open_count_ > kListed) return;
            add_to(open_, "  ", head(named.slot), named.what, ": BASE ", terminal_text(value(-1)));
            for (std::size_t i = 0; i < changed_by.size(); ++i)
                add_to(open_, ", ", mod_name(changed_by[i]), " ", terminal_text(value_at(i)));
            if (with_base) add_to(open_, " (a patch made where it held ", terminal_text(base_before), ")");
            open_ += '\n';
            return;
        }
        const std::size_t winner = static_cast<std::size_t>(std::find(changed_by.begin(), changed_by.end(), taken) -
                                                            changed_by.begin());
        bool lost_any = false;
        for (std::size_t i = 0; i < changed_by.size(); ++i) {
            const int m = changed_by[i];
            if (m == taken || same(m, taken)) continue;
            lost_any = true;
            Tally& t = tallies_[static_cast<std::size_t>(m)];
            ++t.lost_to[taken];
            if (json_)
                add_to(t.lost_json, t.lost_json.empty() ? "\n      {" : ",\n      {", named.json_head, ", \"value\": ",
                       value_at(i), ", \"to\": ", std::to_string(taken + 1), ", \"taken\": ", value_at(winner), "}");
            else if (++t.lost_count <= kListed)
                add_to(t.lost, "  lost to ", mod_name(taken), ": ", head(named.slot), named.what, ": its ",
                       terminal_text(value_at(i)), ", ", mod_name(taken), "'s ", terminal_text(value_at(winner)), "\n");
        }
        if (!lost_any || !json_) return;
        json_values();
        add_to(conflicts_json_, "}, \"taken\": ", std::to_string(taken + 1), "}");
    }

    void add_field(const ChangedField& cf, bool with_base) {
        const Field& f = fields_[row_field_.at(cf.row)];
        for (int m : cf.changed_by) {
            ++tallies_[static_cast<std::size_t>(m)].fields;
            touched_[static_cast<std::size_t>(m)][static_cast<std::size_t>(cf.slot)] = true;
        }
        if (cf.taken >= 0) ++taken_fields_;
        if (!cf.conflict && cf.taken >= 0) return;
        const std::size_t index = static_cast<std::size_t>(&f - fields_.data());
        Named named;
        named.slot = cf.slot;
        if (json_)
            add_to(named.json_head, "\"slot\": ", std::to_string(cf.slot), ", \"key\": ", quote_text(f.key),
                   ", \"caption\": ", quote_text(captions_[index]));
        else
            add_to(named.what, shown_captions_[index], " (", f.key, ")");
        std::string before;
        if (with_base)
            for (int m : cf.changed_by) {
                const auto it = mods_[static_cast<std::size_t>(m)].base_fields.find({cf.row, cf.slot});
                if (it != mods_[static_cast<std::size_t>(m)].base_fields.end()) before = it->second;
            }
        settle(named, cf.changed_by, cf.taken, with_base, before,
               [&](int side) { return field_value(side, f, cf.slot); },
               [&](int a, int b) {
                   return same_element(*cf.row, side_data(a).folder.file(cf.row->file).view(),
                                       side_data(b).folder.file(cf.row->file).view(), cf.slot);
               });
    }

    void add_item(const MergedItem& item) {
        Named named;
        const auto kind = static_cast<TextKind>(item.kind);
        if (item.picture) {
            named.what = shown_text(item.name);
            named.json_head = "\"key\": " + quote_text(item.name);
        } else {
            const std::string file = std::string(kLanguageFolders[static_cast<std::size_t>(item.language)]) + "/" +
                                     kLanguageFileNames[static_cast<std::size_t>(item.kind)];
            named.slot = kind == TextKind::Monsters                              ? item.line - 1
                         : kind == TextKind::Plural || kind == TextKind::Ability ? item.line
                                                                                 : -1;
            if (named.slot >= kSlots || (kind != TextKind::Monsters && kind != TextKind::Plural && kind != TextKind::Ability))
                named.slot = -1;
            const std::string where = file + " line " + std::to_string(item.line);
            if (named.slot >= 0) {
                const char* key = kind == TextKind::Monsters ? "name" : kind == TextKind::Plural ? "plural" : "ability";
                named.what = std::string(key) + " (" + where + ")";
                named.json_head = "\"slot\": " + std::to_string(named.slot) + ", \"key\": \"" + key +
                                  "\", \"language\": " + quote_text(language_name(item.language)) +
                                  ", \"line\": " + std::to_string(item.line);
            } else {
                named.what = where;
                named.json_head = "\"key\": " + quote_text(file) + ", \"line\": " + std::to_string(item.line);
            }
        }
        for (int m : item.changed_by) {
            Tally& t = tallies_[static_cast<std::size_t>(m)];
            if (item.picture) ++t.pictures;
            else if (named.slot >= 0) ++t.texts;
            else ++t.other_lines;
            if (named.slot >= 0) touched_[static_cast<std::size_t>(m)][static_cast<std::size_t>(named.slot)] = true;
        }
        if (item.taken >= 0) ++(item.picture ? taken_pictures_ : named.slot >= 0 ? taken_texts_ : taken_lines_);
        if (!item.conflict && item.taken >= 0) return;
        std::string before;
        if (item.with_base)
            for (int m : item.changed_by) {
                const auto& lines = mods_[static_cast<std::size_t>(m)].base_lines;
                const auto it = lines.find({item.language, item.kind, item.line});
                if (it != lines.end()) before = it->second;
            }
        settle(named, item.changed_by, item.taken, item.with_base, before,
               [&](int side) { return item_value(side, item); },
               [&](int a, int b) {
                   const MergeSide& x = mods_[static_cast<std::size_t>(a)];
                   const MergeSide& y = mods_[static_cast<std::size_t>(b)];
                   if (item.picture) return x.pictures.at(item.name).same == y.pictures.at(item.name).same;
                   return x.text(item.language, kind).line(item.line) == y.text(item.language, kind).line(item.line);
               });
    }

    static std::string changed_text(const Tally& t) {
        std::vector<std::string> parts;
        if (t.fields > 0 || t.texts > 0) {
            std::string s = t.fields > 0 ? counted(t.fields, "field", "fields") : std::string();
            if (t.texts > 0) s += (s.empty() ? "" : " and ") + counted(t.texts, "text", "texts");
            s += " of " + counted(t.slots.size(), "creature", "creatures") + " (" + slot_ranges(t.slots) + ")";
            parts.push_back(s);
        }
        if (t.other_lines > 0) parts.push_back(counted(t.other_lines, "other line", "other lines") + " of the language files");
        if (t.pictures > 0) parts.push_back(counted(t.pictures, "portrait", "portraits"));
        if (parts.empty()) return "changes nothing";
        std::string s = "changed ";
        for (std::size_t i = 0; i < parts.size(); ++i) s += (i ? "; " : "") + parts[i];
        return s;
    }

    const MergeSide& base_;
    const std::vector<MergeSide>& mods_;
    const std::vector<Field>& fields_;
    bool json_;
    std::vector<std::string> captions_, shown_captions_;
    std::unordered_map<const BindingRow*, std::size_t> row_field_;
    std::vector<Tally> tallies_;
    std::vector<std::vector<bool>> touched_;
    std::vector<std::string> heads_;
    std::size_t open_count_ = 0;
    std::string open_, conflicts_json_;
    std::size_t taken_fields_ = 0, taken_texts_ = 0, taken_lines_ = 0, taken_pictures_ = 0;
};

std::string outcome(const MergeOptions& o, const MergeResult& r, const Reporter& rep) {
    std::string s = "merged " + counted(o.mods.size(), "mod", "mods") + " onto " + terminal_text(o.base) + ": " +
                    counted(rep.fields_taken(), "field", "fields") + ", " + counted(rep.texts_taken(), "text", "texts") +
                    ", " + counted(rep.lines_taken(), "other line", "other lines") + ", " +
                    counted(rep.pictures_taken(), "portrait", "portraits") + " from the mods";
    if (r.settled > 0) s += "; " + std::to_string(r.settled) + (r.settled == 1 ? " conflict" : " conflicts") + " settled by --precedence";
    return s + (o.dry_run ? "; dry run: nothing written\n" : "; wrote " + terminal_text(o.out) + "\n");
}

}  // namespace

int run_merge(const MergeOptions& o, FileOps& ops, std::ostream& out, std::ostream& err) {
    if (!o.dry_run)
        if (Status problem = new_folder_problem(o.out); !problem.ok())
            return fail("-o " + problem.message() + "; nothing was written", err);
    if (Status problem = folder_problem(o.base); !problem.ok()) return fail("BASE: " + problem.message(), err);
    const std::optional<std::vector<int>> precedence = parse_precedence(o.precedence, o.mods.size(), err);
    if (!precedence) return kExitError;
    ReadBudget budget(kMergeMemory);
    MergeSide base;
    if (Status e = load_folder_side(o.base, nullptr, budget, base); !e.ok())
        return fail("BASE " + terminal_text(o.base) + ": " + e.message() + "; nothing was written", err);
    const std::vector<Field> fields = make_fields(true);
    std::vector<MergeSide> mods(o.mods.size());
    for (std::size_t m = 0; m < o.mods.size(); ++m) {
        const std::string& given = o.mods[m];
        const std::string label = mod_name(static_cast<int>(m)) + " " + terminal_text(given);
        std::error_code ec;
        const fs::file_status status = fs::status(given, ec);
        if (fs::is_directory(status)) {
            if (Status e = load_folder_side(given, &base, budget, mods[m]); !e.ok())
                return fail(label + ": " + e.message() + "; nothing was written", err);
        } else if (fs::is_regular_file(status)) {
            if (!load_patch_side(given, label, base, fields, budget, mods[m], err)) return kExitError;
        } else {
            return fail(label + ": no such data folder or patch", err);
        }
    }
    if (Status e = group_pictures(mods); !e.ok()) return fail(named(e.fault()).message() + "; nothing was written", err);

    const MergeResult r = merge_mods(base, mods, *precedence);
    Reporter report(base, mods, fields, o.json);
    report.add(r);
    const bool write = r.open == 0 && !o.dry_run;
    if (write) {
        std::vector<std::string> notes;
        const Status e = write_new_folder(ops, o.out, r.files, notes);
        for (const std::string& note : notes) err << "creatures merge: " << note << "\n";
        if (!e.ok()) return fail(e.message() + "; nothing was written", err);
    }
    if (o.json) out << report.json(r, o.out, write);
    else out << report.text(r) << (r.open > 0 ? std::string() : outcome(o, r, report));
    out.flush();
    if (r.open > 0) {
        err << "creatures merge: " << r.open << (r.open == 1 ? " conflict is" : " conflicts are")
            << " open; nothing was written (--precedence settles them: of the mods in a conflict, the one listed "
               "last wins)\n";
        return kExitFound;
    }
    return kExitOk;
}

}  // namespace ce
