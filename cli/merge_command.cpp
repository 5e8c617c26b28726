// creatures merge: mods (data folders or patches) onto a base, into a new
// folder; the report of what each mod changed and lost.
#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <system_error>
#include <unordered_map>

#include "cli/commands.h"
#include "cli/describe.h"
#include "cli/patch_io.h"
#include "cli/table_text.h"
#include "mods/merge_sides.h"
#include "store/quoted_text.h"
#include "store/settings.h"
#include "text/code_page.h"
#include "text/language.h"

namespace ce {
namespace {

namespace fs = std::filesystem;

int fail(const std::string& message, std::ostream& err) {
    err << "creatures merge: " << message << "\n";
    return kExitError;
}

std::string mod_name(int m) { return "MOD" + std::to_string(m + 1); }

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
        return decode_code_page(base_.data.text(TextKind::Monsters).line(creature_line_number(TextKind::Monsters, slot)), base_.data.language);
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
    const Result<std::vector<int>> precedence = parse_precedence(o.precedence, o.mods.size());
    if (!precedence.ok()) return fail(precedence.fault().message(), err);
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
            FaultList faults;
            if (Status e = load_patch_side(given, base, fields, budget, mods[m], faults); !e.ok()) {
                if (!faults.empty()) report_patch_faults("merge", label, faults, err);
                else fail(label + ": " + e.message() + "; nothing was written", err);
                return kExitError;
            }
        } else {
            return fail(label + ": no such data folder or patch", err);
        }
    }
    if (Status e = group_pictures(mods); !e.ok()) return fail(e.message() + "; nothing was written", err);

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
