// creatures diff: the fields that differ between two data folders.
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <ostream>

#include "cli/commands.h"
#include "folder/dataset.h"
#include "cli/describe.h"
#include "cli/history.h"
#include "mods/patch.h"
#include "cli/table_text.h"

namespace ce {
namespace {

bool report_faults(const char* which, const std::string& root, const Folder& folder, std::ostream& err) {
    const std::vector<std::string> faults = data_faults(folder);
    if (faults.empty()) return false;
    err << "creatures diff: " << which << ": " << folder_label(root) << " cannot be read:\n";
    for (const std::string& f : faults) err << "  " << f << "\n";
    return true;
}

// The differences as lines, counted.
using AddLine = std::function<void(std::string)>;
using Languages = const Dataset* const*;  // indexed by language

// The fields of one slot that differ: values, texts (and the bytes after them),
// and the name, plural and ability lines in both languages.
void diff_slot(const Dataset& a, const Dataset& b, Languages a_lang, Languages b_lang,
               const std::vector<Field>& fields, const std::vector<std::string>& captions, int slot,
               const AddLine& line) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const Field& f = fields[i];
        if (f.kind == FieldKind::Line) {
            for (int lang = 0; lang < 2; ++lang) {
                const LanguageText& ta = a_lang[lang]->text(f.text_kind);
                const LanguageText& tb = b_lang[lang]->text(f.text_kind);
                if (!ta.present && !tb.present) continue;
                const int k = line_of(f, slot);
                if (ta.line(k) == tb.line(k)) continue;
                line("slot " + std::to_string(slot) + ": " + f.key + " (" + language_name(lang) + ", " + ta.name +
                     " line " + std::to_string(k) + "): " + quote_text(export_value(*a_lang[lang], f, slot)) + " | " +
                     quote_text(export_value(*b_lang[lang], f, slot)));
            }
            continue;
        }
        const std::string va = export_value(a, f, slot);
        const std::string vb = export_value(b, f, slot);
        const std::string head = "slot " + std::to_string(slot) + ": " + f.key + " (" + terminal_text(captions[i]) + "): ";
        if (va != vb) {
            if (f.kind == FieldKind::Text) line(head + quote_text(va) + " | " + quote_text(vb));
            else line(head + va + " | " + vb);
        } else if (f.kind == FieldKind::Text) {
            // Same text; the bytes after its zero may still differ.
            const std::size_t at = element_position(*f.row, slot);
            const auto& ba = a.folder.file(f.row->file).bytes;
            const auto& bb = b.folder.file(f.row->file).bytes;
            if (!std::equal(ba.begin() + static_cast<std::ptrdiff_t>(at), ba.begin() + static_cast<std::ptrdiff_t>(at + f.row->width),
                            bb.begin() + static_cast<std::ptrdiff_t>(at)))
                line(head + "the bytes after the text differ");
        }
    }
}

void diff_outside_fields(const Dataset& a, const Dataset& b, Languages a_lang, Languages b_lang,
                         const AddLine& line) {
    // What lies outside the fields: bytes past a data file's fixed size, and the
    // language files' other lines (the none entry, Common, Spells, line ends).
    for (const DataFileInfo& info : data_files()) {
        const DataBytes& da = a.folder.file(info.id);
        const DataBytes& db = b.folder.file(info.id);
        if (da.length != db.length ||
            !std::equal(da.bytes.begin() + static_cast<std::ptrdiff_t>(info.size), da.bytes.begin() + static_cast<std::ptrdiff_t>(da.length),
                        db.bytes.begin() + static_cast<std::ptrdiff_t>(info.size)))
            line(std::string(info.name) + ": " + std::to_string(da.length) + " | " + std::to_string(db.length) +
                 " bytes (the bytes past " + std::to_string(info.size) + " differ)");
    }
    for (int lang = 0; lang < 2; ++lang) {
        for (int k = 0; k < 5; ++k) {
            const auto kind = static_cast<TextKind>(k);
            const LanguageText& ta = a_lang[lang]->text(kind);
            const LanguageText& tb = b_lang[lang]->text(kind);
            if (ta.present != tb.present) {
                line(ta.name + ": only in " + (ta.present ? "DIR_A" : "DIR_B"));
                continue;
            }
            if (ta.bytes == tb.bytes) continue;
            int other = 0;  // differing lines that are not a creature's
            const int n = std::max(ta.line_count(), tb.line_count());
            for (int i = 0; i < n; ++i) {
                const bool creature_line = (kind == TextKind::Monsters && i >= 1 && i <= kSlots) ||
                                           ((kind == TextKind::Plural || kind == TextKind::Ability) && i < kSlots);
                if (!creature_line && ta.line(i) != tb.line(i)) ++other;
            }
            if (other > 0)
                line(ta.name + ": " + std::to_string(other) + (other == 1 ? " other line differs" : " other lines differ") +
                     " (" + std::to_string(ta.line_count()) + " | " + std::to_string(tb.line_count()) + " lines)");
            else if (ta.line_count() == tb.line_count()) {
                // Same lines: the difference is in the line ends or past a zero byte.
                bool same_lines = true;
                for (int i = 0; i < n && same_lines; ++i) same_lines = ta.line(i) == tb.line(i);
                if (same_lines) line(ta.name + ": same lines, different line ends or bytes after the text");
            }
        }
    }
}

// What a patch cannot carry, said on `err`: the names, plurals and abilities
// of the other language and what lies outside the fields. Returns how many
// differences it names.
int warn_left_out(const Dataset& a, const Dataset& b, Languages a_lang, Languages b_lang, std::ostream& err) {
    const int other = 1 - a.language;
    int lines = 0;
    for (const Field& f : make_fields()) {
        if (f.kind != FieldKind::Line) continue;
        const LanguageText& ta = a_lang[other]->text(f.text_kind);
        const LanguageText& tb = b_lang[other]->text(f.text_kind);
        for (int slot = 0; slot < kSlots; ++slot) lines += ta.line(line_of(f, slot)) != tb.line(line_of(f, slot));
    }
    int count = lines;
    const std::string head = "creatures diff: the patch leaves out ";
    if (lines > 0)
        err << head << lines << (lines == 1 ? " name, plural or ability" : " names, plurals and abilities") << " of the "
            << language_name(other) << " files (a patch holds the texts of one language: make one from each)\n";
    diff_outside_fields(a, b, a_lang, b_lang, [&](std::string s) {
        err << head << s << "\n";
        ++count;
    });
    return count;
}

// A source's folder with its texts in `language` (the folder's own when -1).
Dataset load_source(const DiffSource& source, int language = -1) {
    return source.files ? dataset_from_bytes(source.root, *source.files, language) : load_dataset(source.root, language);
}

}  // namespace

int run_diff(const DiffOptions& given, std::ostream& out, std::ostream& err) {
    // DIR@N: the folder DIR as it was before history entry N, in memory.
    Result<DiffSource> a = diff_source(given.a);
    Result<DiffSource> b = a.ok() ? diff_source(given.b) : Result<DiffSource>(DiffSource{});
    for (const Result<DiffSource>* source : {&a, &b}) {
        if (source->ok()) continue;
        err << "creatures diff: " << source->fault() << "\n";
        return kExitError;
    }
    return diff_folders(*a, *b, given.patch, out, err);
}

int diff_folders(const DiffSource& source_a, const DiffSource& source_b, bool as_patch, std::ostream& out,
                 std::ostream& err) {
    for (const DiffSource* source : {&source_a, &source_b}) {
        if (source->files) continue;
        if (Status problem = folder_problem(source->root); !problem.ok()) {
            err << "creatures diff: " << problem.message() << "\n";
            return kExitError;
        }
    }
    const DiffOptions options{source_a.root, source_b.root, as_patch};
    // B's texts are read in A's language, so that the same bytes read the same.
    const Dataset a = load_source(source_a);
    const Dataset b = load_source(source_b, a.language);
    // The other language's texts, for the name, plural and ability lines of both.
    const Dataset a_other = load_source(source_a, 1 - a.language);
    const Dataset b_other = load_source(source_b, 1 - a.language);
    const bool bad_a = report_faults("DIR_A", options.a, a.folder, err);
    const bool bad_b = report_faults("DIR_B", options.b, b.folder, err);
    if (bad_a || bad_b) return kExitError;
    // A language file that cannot be read compares as empty, named so that the
    // lines it seems to add or drop are not taken for a change.
    for (const Dataset* d : {&a, &a_other, &b, &b_other}) warn_unread_texts(*d, "diff", err);

    const Dataset* a_lang[2] = {a.language == 0 ? &a : &a_other, a.language == 1 ? &a : &a_other};
    const Dataset* b_lang[2] = {a.language == 0 ? &b : &b_other, a.language == 1 ? &b : &b_other};

    if (as_patch) {
        const std::vector<Field> fields = make_fields(true);
        const std::string patch = write_patch(a, b, fields, field_captions(a, fields));
        const int left_out = warn_left_out(a, b, a_lang, b_lang, err);
        out << patch;
        return left_out == 0 && patch.find("\"slot\"") == std::string::npos ? kExitOk : kExitFound;
    }

    const std::vector<Field> fields = make_fields();
    const std::vector<std::string> captions = field_captions(a, fields);
    std::string text;
    int differences = 0;
    const AddLine line = [&](std::string s) {
        text += s;
        text += '\n';
        ++differences;
    };

    for (int slot = 0; slot < kSlots; ++slot) diff_slot(a, b, a_lang, b_lang, fields, captions, slot, line);
    diff_outside_fields(a, b, a_lang, b_lang, line);

    out << text;
    return differences == 0 ? kExitOk : kExitFound;
}

}  // namespace ce
