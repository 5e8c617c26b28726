// creatures check: validates a data folder.
#include <ostream>

#include "cli/commands.h"
#include "store/history.h"
#include "store/journal.h"
#include "folder/dataset.h"
#include "cli/describe.h"
#include "store/settings.h"
#include "form/memory_form.h"
#include "text/list_sources.h"

namespace ce {
namespace {

// Lines each language file needs for the editor's 1000 creatures, and the
// captions and list options of the Common file.
int lines_needed(TextKind kind) {
    switch (kind) {
        case TextKind::Spells: return 1;
        case TextKind::Common: return common_line_count();
        case TextKind::Monsters:
        case TextKind::Plural:
        case TextKind::Ability: return creature_line_number(kind, kSlots - 1) + 1;
    }
    return 0;
}

struct Finding {
    std::string what;
    std::vector<int> slots;
};

std::string slot_list(const std::vector<int>& slots, int first) {
    std::string s;
    const std::size_t n = std::min(slots.size(), static_cast<std::size_t>(first));
    for (std::size_t i = 0; i < n; ++i) s += (i ? ", " : "") + std::to_string(slots[i]);
    if (slots.size() > n) s += (n ? ", ..." : "...");
    return s;
}

// What check prints, and its counts of faults that keep the editor from using
// the folder and of everything else worth knowing.
struct Report {
    std::string text;
    int blocking = 0;
    int findings = 0;
};

// The settings file: present, three bytes, a language and a creature in range.
void check_settings(const Folder& folder, Report& report) {
    std::string& text = report.text;
    int& findings = report.findings;
    const Status& fault = folder.lang_fault;
    if (fault.is(FaultKind::missing)) {
        text += "  Lang: does not exist (read as English and creature 0; the editor creates it)\n";
        ++findings;
    } else if (!fault.ok()) {
        text += "  Lang: cannot be read: " + fault.fault().reason +
                " (read as English and creature 0; the editor cannot store its settings)\n";
        ++findings;
    } else {
        std::string note;
        if (folder.lang_length != 3) note += std::to_string(folder.lang_length) + " bytes, not 3";
        if (folder.raw_language != 0 && folder.raw_language != 1)
            note += std::string(note.empty() ? "" : "; ") + "language " + std::to_string(folder.raw_language) +
                    " is not 0 or 1 (used as English)";
        const int index = folder.lang_length >= 3 ? folder.raw_creature : 0;
        if (!is_slot(index))
            note += std::string(note.empty() ? "" : "; ") + slot_fault("creature " + std::to_string(index)).message() +
                    ", used as 0";
        if (!note.empty()) ++findings;
        text += "  Lang: " + std::string(language_name(folder.language)) + ", creature " + std::to_string(index) +
                (note.empty() ? "" : " (" + note + ")") + "\n";
    }
}

// An interrupted write that could not be rolled back yet, or files of ours left behind.
void check_recovery(const CheckOptions& options, Report& report) {
    for (const std::string& line : recovery_needed(options.root)) {
        report.text += "  NEEDS RECOVERY: " + line + "\n";
        ++report.blocking;
    }
    // Named like files of ours, made by nobody of ours: never used or removed.
    for (const std::string& line : left_alone_in(options.root)) {
        report.text += "  Left alone: " + line + "\n";
        ++report.findings;
    }
}

// Names in the history that are not ours and entries that cannot be read: left
// out of the history (which is otherwise usable), and named here.
void check_history(const CheckOptions& options, Report& report) {
    HistoryListing listing;
    if (!read_history(options.root, listing).ok()) return;  // a history folder that cannot be used needs recovery (above)
    for (const std::string& problem : listing.problems) {
        report.text += "  History: " + problem + "\n";
        ++report.findings;
    }
}

void check_data_files(const Folder& folder, Report& report) {
    std::string& text = report.text;
    int& blocking = report.blocking;
    int& findings = report.findings;
    // The six data files.
    for (const DataFileInfo& info : data_files()) {
        const DataBytes& d = folder.file(info.id);
        std::string line = "  " + std::string(info.name) + ": ";
        if (!d.present) {
            line += "CANNOT BE READ: " + d.fault.fault().reason + " (the editor needs it)";
            ++blocking;
        } else if (d.length < info.size) {
            line += std::to_string(d.length) + " bytes, SHORT: needs " + std::to_string(info.size);
            ++blocking;
        } else if (d.length > info.size) {
            line += std::to_string(d.length) + " bytes, longer than its " + std::to_string(info.size) +
                    " (the editor writes it back at its size)";
            ++findings;
        } else {
            line += std::to_string(d.length) + " bytes, ok";
        }
        text += line + "\n";
    }
}

// "N lines end with something other than CR LF (first: line K)", or "" when
// every line but an open last one ends CR LF.
std::string line_end_note(const LanguageText& t) {
    int bad_ends = 0, first_bad = -1;
    for (int i = 0; i < t.line_count(); ++i) {
        const LineSpan& s = t.lines[static_cast<std::size_t>(i)];
        const bool crlf = s.next == s.end + 2 && t.bytes[s.end] == '\r' && t.bytes[s.end + 1] == '\n';
        const bool last_open = i + 1 == t.line_count() && s.next == s.end;
        if (!crlf && !last_open) {
            if (first_bad < 0) first_bad = i;
            ++bad_ends;
        }
    }
    if (!bad_ends) return {};
    return std::to_string(bad_ends) + (bad_ends == 1 ? " line ends" : " lines end") +
           " with something other than CR LF (first: line " + std::to_string(first_bad) + ")";
}

// The creatures whose line is longer than a Save keeps, or "" when none is.
std::string long_lines_note(TextKind kind, const LanguageText& t, int first) {
    if (kind == TextKind::Common || kind == TextKind::Spells) return {};
    const std::size_t max = creature_line_max(kind);
    std::vector<int> long_lines;
    for (int slot = 0; slot < kSlots; ++slot) {
        if (t.line(creature_line_number(kind, slot)).size() > max) long_lines.push_back(slot);
    }
    if (long_lines.empty()) return {};
    return std::to_string(long_lines.size()) + " creatures' lines are longer than " + std::to_string(max) +
           " characters, which a Save of the creature cuts (slots " + slot_list(long_lines, first) + ")";
}

// What is odd about a language file that could be read.
std::vector<std::string> language_file_notes(TextKind kind, const LanguageText& t, int first) {
    std::vector<std::string> notes;
    const int needed = lines_needed(kind);
    if (t.line_count() < needed) notes.push_back("too few lines: needs " + std::to_string(needed));
    if (std::string note = line_end_note(t); !note.empty()) notes.push_back(std::move(note));
    if (t.line_count() > 0 && t.lines.back().next == t.lines.back().end)
        notes.push_back("the last line has no line break");
    if (t.text_size < t.bytes.size())
        notes.push_back("a zero byte at " + std::to_string(t.text_size) + " ends the text; " +
                        std::to_string(t.bytes.size() - t.text_size) + " bytes after it are ignored");
    if (std::string note = long_lines_note(kind, t, first); !note.empty()) notes.push_back(std::move(note));
    return notes;
}

// A language file that cannot be read: blocking for the current language only.
void report_unreadable(const LanguageText& t, int lang, bool current, Report& report) {
    std::string line = "  " + t.name + ": ";
    if (current) {
        line += "CANNOT BE READ: " + t.fault.fault().reason + " (the editor needs it for " +
                std::string(language_name(lang)) + ")";
        ++report.blocking;
    } else {
        line += "cannot be read: " + t.fault.fault().reason + " (needed only after switching to " +
                std::string(language_name(lang)) + ")";
    }
    report.text += line + "\n";
}

// The language files: the current language's are needed, the other's are checked when present.
void check_language_files(const CheckOptions& options, const Dataset& data, Report& report) {
    for (int lang : {data.language, 1 - data.language}) {
        const Dataset other = lang == data.language ? Dataset{} : load_dataset(options.root, lang);
        const Dataset& texts = lang == data.language ? data : other;
        for (int k = 0; k < 5; ++k) {
            const auto kind = static_cast<TextKind>(k);
            const LanguageText& t = texts.text(kind);
            if (!t.present) {
                report_unreadable(t, lang, lang == data.language, report);
                continue;
            }
            const std::vector<std::string> notes = language_file_notes(kind, t, options.first);
            std::string line = "  " + t.name + ": ";
            line += std::to_string(t.line_count()) + (t.line_count() == 1 ? " line" : " lines");
            if (notes.empty()) {
                line += ", ok";
            } else {
                report.findings += static_cast<int>(notes.size());
                for (const std::string& n : notes) line += "; " + n;
            }
            report.text += line + "\n";
        }
    }
}

// The slots whose stored value of field `f` the editor cannot show as it is,
// and what that means for the field; no slots when there are none.
Finding unfaithful_values(const Field& f, const MemoryForm& form, std::span<const std::uint8_t> bytes) {
    const BindingRow& row = *f.row;
    Finding found;
    switch (row.kind) {
        case Conversion::List: {
            const int count = form.item_count(row.control);
            found.what = f.key + " (list " + std::to_string(row.control) + ", " + std::to_string(count) +
                         " entries): positions that name no entry";
            for (int s = 0; s < kSlots; ++s) {
                const std::int64_t p = read_int(row, bytes, s) + row.shift;
                if (p < 0 || p >= count) found.slots.push_back(s);
            }
            break;
        }
        case Conversion::Check:
        case Conversion::CheckPair: {
            const int top = row.kind == Conversion::CheckPair ? 2 : 1;
            found.what = f.key + " (check box " + std::to_string(row.control) + "): bytes above " +
                         std::to_string(top);
            for (int s = 0; s < kSlots; ++s)
                if (read_int(row, bytes, s) > top) found.slots.push_back(s);
            break;
        }
        case Conversion::Radio:
            found.what = f.key + " (radio buttons " + std::to_string(row.control) + "-" +
                         std::to_string(row.control2) + "): bytes outside -1..8";
            for (int s = 0; s < kSlots; ++s) {
                const std::int64_t v = read_int(row, bytes, s);
                if (v < -1 || v > 8) found.slots.push_back(s);
            }
            break;
        case Conversion::Text:
            found.what = f.key + " (edit " + std::to_string(row.control) + "): text fields without a zero";
            for (int s = 0; s < kSlots; ++s) {
                const std::size_t at = element_position(row, s);
                bool zero = false;
                for (std::size_t i = at; i < at + row.width && !zero; ++i) zero = bytes[i] == 0;
                if (!zero) found.slots.push_back(s);
            }
            break;
        default: break;
    }
    return found;
}

// Stored values that the editor cannot show as they are.
void check_values(const CheckOptions& options, const Dataset& data, Report& report) {
    std::vector<Finding> list;
    const std::vector<Field> fields = make_fields();
    MemoryForm form;
    fill_form(form, data);
    for (const Field& f : fields) {
        if (!f.row) continue;
        Finding found = unfaithful_values(f, form, data.folder.file(f.row->file).view());
        if (!found.slots.empty()) list.push_back(std::move(found));
    }
    std::string& text = report.text;
    text += "Values the editor cannot show faithfully:";
    if (list.empty()) text += " none\n";
    else text += "\n";
    for (const Finding& f : list) {
        text += "  " + f.what + ": " + std::to_string(f.slots.size()) + (f.slots.size() == 1 ? " slot" : " slots") +
                " (" + slot_list(f.slots, options.first) + ")\n";
        ++report.findings;
    }
}

}  // namespace

int run_check(const CheckOptions& options, std::ostream& out, std::ostream& err) {
    if (Status problem = folder_problem(options.root); !problem.ok()) {
        err << "creatures check: " << problem.message() << "\n";
        return kExitError;
    }
    const Dataset data = load_dataset(options.root);
    const Folder& folder = data.folder;
    Report report;
    std::string& text = report.text;
    const int& blocking = report.blocking;
    const int& findings = report.findings;

    std::string title = folder_label(options.root);
    title[0] = static_cast<char>(title[0] - 'a' + 'A');
    text += title + "\n";

    check_settings(folder, report);
    check_recovery(options, report);
    check_history(options, report);
    check_data_files(folder, report);
    check_language_files(options, data, report);
    // Values the editor cannot show faithfully (only when the data can be read).
    if (data_faults(folder).empty()) check_values(options, data, report);

    text += blocking ? std::to_string(blocking) + (blocking == 1 ? " fault keeps" : " faults keep") +
                           " the editor from using this folder; " + std::to_string(findings) +
                           (findings == 1 ? " other finding\n" : " other findings\n")
                     : "The editor can use this folder; " + std::to_string(findings) +
                           (findings == 1 ? " finding\n" : " findings\n");
    out << text;
    return blocking ? kExitFound : kExitOk;
}

}  // namespace ce
