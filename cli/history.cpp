// creatures history, creatures restore, the DIR@N source of creatures diff, the
// recovery every command runs first, and the one write of an import.
#include "cli/history.h"

#include "cli/libraries.h"

#if CE_CLI_LIBRARIES
#include <nlohmann/json.hpp>
#endif

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <ostream>
#include <set>
#include <system_error>

#include "cli/commands.h"
#include "cli/dataset.h"
#include "cli/fields.h"
#include "store/binding.h"
#include "store/history.h"
#include "store/settings.h"
#include "store/whole_file.h"
#include "text/lines.h"

namespace ce {
namespace {

namespace fs = std::filesystem;

std::string bytes_of(const WholeFile& file) {
    return std::string(reinterpret_cast<const char*>(file.data()), file.length);
}

std::string file_list(const HistoryEntry& e) {
    std::string out;
    for (const HistoryFile& f : e.files) {
        if (!out.empty()) out.append(", ");
        out.append(f.name);
    }
    return out;
}

// The names of every file a copy of the folder needs.
std::vector<std::string> folder_file_names() {
    std::vector<std::string> names{kSettingsFile};
    for (const DataFileInfo& info : data_files()) names.push_back(info.name);
    for (int language = 0; language < 2; ++language)
        for (int k = 0; k < 5; ++k) names.push_back(language_file_name(static_cast<TextKind>(k), language));
    return names;
}

// One creature's fields and texts from `old` over the folder's current files:
// through the binding rows for the data files, through the language files'
// line rules for the name, plural and ability of both languages.
std::optional<std::string> slot_target(const std::string& root, const std::string& old_root, int slot,
                                       std::map<std::string, std::string>& target) {
    Dataset now = load_dataset(root, 0);
    const Dataset old = load_dataset(old_root, 0);
    for (const Dataset* d : {static_cast<const Dataset*>(&now), &old}) {
        const std::vector<std::string> faults = data_faults(d->folder);
        if (!faults.empty())
            return std::string(d == &now ? "the folder" : "the folder as it was then") + " cannot be used: " + faults[0];
    }
    const std::vector<Field> fields = make_fields();
    std::array<bool, 6> changed{};
    for (const Field& f : fields) {
        if (!f.row) continue;
        const BindingRow& row = *f.row;
        auto to = now.folder.file(row.file).view();
        const auto from = old.folder.file(row.file).view();
        if (read_int(row, to, slot) == read_int(row, from, slot) && row.kind == Conversion::Bit) continue;
        if (row.kind == Conversion::Bit) {
            write_int(row, to, slot, read_int(row, from, slot));
        } else {
            const std::size_t at = element_position(row, slot);
            if (std::equal(from.begin() + static_cast<std::ptrdiff_t>(at),
                           from.begin() + static_cast<std::ptrdiff_t>(at + row.width),
                           to.begin() + static_cast<std::ptrdiff_t>(at)))
                continue;
            std::copy_n(from.begin() + static_cast<std::ptrdiff_t>(at), row.width,
                        to.begin() + static_cast<std::ptrdiff_t>(at));
        }
        changed[static_cast<std::size_t>(row.file)] = true;
    }
    for (const DataFileInfo& info : data_files()) {
        if (!changed[static_cast<std::size_t>(info.id)]) continue;
        const DataBytes& d = now.folder.file(info.id);
        target[info.name] =
            std::string(reinterpret_cast<const char*>(d.bytes.data()), std::max(d.length, info.size));
    }
    for (int language = 0; language < 2; ++language) {
        const Dataset now_texts = load_dataset(root, language);
        const Dataset old_texts = load_dataset(old_root, language);
        std::array<std::map<int, std::string>, 5> lines;
        for (const Field& f : fields) {
            if (f.kind != FieldKind::Line) continue;
            const LanguageText& a = now_texts.text(f.text_kind);
            const LanguageText& b = old_texts.text(f.text_kind);
            const int k = line_of(f, slot);
            if (!a.present || !b.present || a.line(k) == b.line(k)) continue;
            lines[static_cast<std::size_t>(f.text_kind)][k] = std::string(b.line(k));
        }
        for (int k = 0; k < 5; ++k) {
            if (lines[static_cast<std::size_t>(k)].empty()) continue;
            const LanguageText& t = now_texts.text(static_cast<TextKind>(k));
            target[t.name] = replace_lines(t.bytes, lines[static_cast<std::size_t>(k)], OtherLines::KeepEnders,
                                           EmptyPastEnd::Extends);
        }
    }
    return std::nullopt;
}

int fail(const char* command, const std::string& message, std::ostream& err) {
    err << "creatures " << command << ": " << message << "\n";
    return kExitError;
}

int change_settings(const HistoryOptions& o, FileOps& ops, std::ostream& out, std::ostream& err) {
    if (o.on && o.off) return fail("history", "--on and --off exclude each other", err);
    FolderLock lock;
    if (auto e = lock.acquire(o.root)) return fail("history", *e + "; nothing was changed", err);
    HistorySettings s;
    if (auto e = read_history_settings(o.root, s)) return fail("history", *e, err);
    if (o.on) s.enabled = true;
    if (o.off) s.enabled = false;
    if (o.keep_entries) s.keep_entries = *o.keep_entries;
    if (o.keep_mib) s.keep_bytes = static_cast<std::uint64_t>(*o.keep_mib) << 20;
    if (auto e = write_history_settings(ops, o.root, s)) return fail("history", *e + "; nothing was changed", err);
    if (auto e = prune_history(ops, o.root)) return fail("history", *e, err);
    out << "History " << (s.enabled ? "on" : "off") << ": keeping the newest " << s.keep_entries
        << " entries and at most " << (s.keep_bytes >> 20) << " MiB\n";
    return kExitOk;
}

}  // namespace

TempFolder::~TempFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::optional<std::string> TempFolder::make(const std::string& root,
                                            const std::map<std::string, std::string>& overrides) {
    static std::atomic<int> counter{0};
    std::error_code ec;
    path_ = fs::temp_directory_path(ec) / ("creatures-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    if (ec) return "cannot make a temporary folder: " + ec.message();
    fs::remove_all(path_, ec);
    fs::create_directories(path_ / "Eng", ec);
    fs::create_directories(path_ / "Rus", ec);
    if (ec) return path_.string() + ": cannot be made: " + ec.message();
    const std::string to = path_.string();
    for (const std::string& name : folder_file_names()) {
        WholeFile file;
        if (read_whole_file(data_path(root, name), file)) continue;
        if (auto e = store_whole_file(data_path(to, name), file.data(), file.length)) return e->message();
    }
    for (const auto& [name, bytes] : overrides) {
        fs::create_directories((path_ / name).parent_path(), ec);
        if (auto e = store_whole_file(data_path(to, name), bytes.data(), bytes.size())) return e->message();
    }
    return std::nullopt;
}

std::string folder_of_source(const std::string& source) {
    const std::size_t at = source.rfind('@');
    if (at == std::string::npos || at + 1 >= source.size()) return source;
    std::error_code ec;
    if (fs::exists(source, ec)) return source;
    for (std::size_t i = at + 1; i < source.size(); ++i)
        if (source[i] < '0' || source[i] > '9') return source;
    return source.substr(0, at);
}

bool open_diff_source(const std::string& source, TempFolder& temp, std::string& folder, std::ostream& err) {
    folder = folder_of_source(source);
    if (folder == source) return true;
    int number = 0;
    const std::string digits = source.substr(folder.size() + 1);
    std::from_chars(digits.data(), digits.data() + digits.size(), number);
    FolderBytes before;
    if (auto e = folder_before(folder, number, before)) {
        fail("diff", source + ": " + *e, err);
        return false;
    }
    std::map<std::string, std::string> overrides;
    for (auto& [name, bytes] : before)
        if (bytes) overrides[name] = *bytes;
    if (auto e = temp.make(folder, overrides)) {
        fail("diff", source + ": " + *e, err);
        return false;
    }
    folder = temp.path();
    return true;
}

bool recover_at_open(const std::string& root, FileOps& ops, const std::string& command, std::ostream& err) {
    const Recovery r = recover_folder(ops, root);
    const std::string where = "creatures " + command + ": " + folder_label(root) + ": ";
    for (const std::string& line : r.done) err << where << "recovered: " << line << "\n";
    if (r.error) err << where << "cannot recover from an interrupted write: " << *r.error << "\n";
    return !r.error;
}

std::map<std::string, std::string> files_as_read(const Dataset& data) {
    std::map<std::string, std::string> read;
    for (const DataFileInfo& info : data_files()) {
        const DataBytes& d = data.folder.file(info.id);
        if (d.present) read[d.path] = std::string(reinterpret_cast<const char*>(d.bytes.data()), d.length);
    }
    for (const LanguageText& t : data.texts)
        if (t.present) read[t.path] = t.bytes;
    return read;
}

bool commit_import(const std::string& root, FileOps& ops, const std::vector<PlannedFile>& files,
                   std::vector<int> slots, std::ostream& err) {
    std::sort(slots.begin(), slots.end());
    slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
    const std::string made_by = "import of " + std::to_string(slots.size()) + (slots.size() == 1 ? " slot" : " slots");
    const CommitResult r = commit_folder_write(ops, root, files, {made_by, slots});
    if (r.error) {
        err << "creatures import: " << *r.error << "\n";
        return false;
    }
    return true;
}

int run_history(const HistoryOptions& o, FileOps& ops, std::ostream& out, std::ostream& err) {
    if (auto problem = folder_problem(o.root)) return fail("history", *problem, err);
    if (o.on || o.off || o.keep_entries || o.keep_mib) return change_settings(o, ops, out, err);
    std::vector<HistoryEntry> entries;
    if (auto e = list_history(o.root, entries)) return fail("history", *e, err);
    if (o.json) {
#if CE_CLI_LIBRARIES
        nlohmann::json list = nlohmann::json::array();
        for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
            nlohmann::json files = nlohmann::json::array();
            for (const HistoryFile& f : e->files)
                files.push_back({{"name", f.name}, {"old_hash", f.old_hash}, {"old_size", f.old_size},
                                 {"new_hash", f.new_hash}, {"new_size", f.new_size}});
            list.push_back({{"number", e->number}, {"time", e->time}, {"made_by", e->made_by},
                            {"slots", e->slots}, {"files", files}});
        }
        out << list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        return kExitOk;
#else
        return fail("history", "--json needs the nlohmann-json headers in the build", err);
#endif
    }
    if (entries.empty()) {
        out << "No history yet in " << folder_label(o.root) << "\n";
        return kExitOk;
    }
    std::string text;
    text.reserve(entries.size() * 120);
    for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
        text += std::to_string(e->number) + "  " + e->time + " UTC  " + e->made_by;
        if (!e->slots.empty()) text += "  [slots " + slot_ranges(e->slots) + "]";
        text += "  " + file_list(*e) + "\n";
    }
    out << text;
    return kExitOk;
}

int run_restore(const RestoreOptions& o, FileOps& ops, std::ostream& out, std::ostream& err) {
    if (auto problem = folder_problem(o.root)) return fail("restore", *problem, err);
    if (o.slot && (*o.slot < 0 || *o.slot >= kSlots))
        return fail("restore", "--slot " + std::to_string(*o.slot) + ": not a creature slot (0 to 999)", err);
    FolderBytes before;
    std::vector<int> slots;
    if (auto e = folder_before(o.root, o.entry, before, &slots))
        return fail("restore", folder_label(o.root) + ": " + *e + "; nothing was written", err);
    std::map<std::string, std::string> target;
    for (auto& [name, bytes] : before) {
        if (bytes) target[name] = *bytes;
        else if (!o.slot) err << "creatures restore: " << name << " did not exist before entry " << o.entry
                               << "; it is left as it is\n";
    }
    if (o.slot) {
        TempFolder old;
        if (auto e = old.make(o.root, target)) return fail("restore", *e + "; nothing was written", err);
        target.clear();
        if (auto e = slot_target(o.root, old.path(), *o.slot, target))
            return fail("restore", *e + "; nothing was written", err);
        slots = {*o.slot};
    }
    if (o.dry_run) {
        TempFolder after;
        if (auto e = after.make(o.root, target)) return fail("restore", *e, err);
        const int status = run_diff({o.root, after.path()}, out, err);
        if (status == kExitError) return status;
        out << (status == kExitOk ? "Nothing would change" : "These would change") << " (dry run: nothing written)\n";
        return kExitOk;
    }
    std::vector<PlannedFile> planned;
    for (auto& [name, bytes] : target) {
        WholeFile current;
        std::optional<std::string> read;
        if (!read_whole_file(data_path(o.root, name), current)) read = bytes_of(current);
        planned.push_back({name, read, bytes});
    }
    const std::string made_by = "restore of entry " + std::to_string(o.entry) +
                                (o.slot ? " for creature " + std::to_string(*o.slot) : std::string());
    const CommitResult r = commit_folder_write(ops, o.root, planned, {made_by, slots});
    if (r.error) return fail("restore", *r.error, err);
    if (r.entry == 0) {
        out << "Nothing to restore: " << (o.slot ? "creature " + std::to_string(*o.slot) + " in " : std::string())
            << folder_label(o.root) << " is already as it was before entry " << o.entry << "\n";
        return kExitOk;
    }
    std::string names;
    for (const std::string& n : r.written) names += (names.empty() ? "" : ", ") + n;
    out << "Restored " << (o.slot ? "creature " + std::to_string(*o.slot) + " of " : std::string())
        << folder_label(o.root) << " to before entry " << o.entry << ": wrote " << names << " (history entry "
        << r.entry << "; restore it to undo this)\n";
    return kExitOk;
}

}  // namespace ce
