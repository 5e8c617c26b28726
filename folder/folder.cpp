#include "folder/folder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "store/data_check.h"
#include "text/code_page.h"
#include "store/settings.h"
#include "store/whole_file.h"
#include "text/lines.h"
#include "text/list_sources.h"

namespace ce {

std::string_view LanguageText::line(int k) const {
    if (k < 0 || k >= line_count()) return {};
    const LineSpan& s = lines[static_cast<std::size_t>(k)];
    return std::string_view(bytes).substr(s.begin, s.end - s.begin);
}

void split_lines(LanguageText& text) {
    const std::string_view all(text.bytes);
    const std::size_t zero = all.find('\0');
    text.text_size = zero == std::string_view::npos ? all.size() : zero;
    const std::string_view t = all.substr(0, text.text_size);
    const int count = count_lines(t);
    text.lines.clear();
    text.lines.reserve(static_cast<std::size_t>(count));
    std::size_t offset = 0;
    std::string line;
    for (int k = 0; k < count; ++k) {
        const std::size_t next = next_line(t, offset, line);
        const std::size_t end = offset + line.size();
        text.lines.push_back({offset, end, next == 0 ? t.size() : next});
        offset = next;
    }
}

Status ReadBudget::take(std::uint64_t bytes, const std::string& what) {
    if (bytes > left_)
        return Fault(FaultKind::out_of_range, what,
                     "needs " + std::to_string(bytes) + " bytes of memory, past the " + std::to_string(whole_ >> 20) +
                         " MiB that this command holds of all its folders and files together");
    left_ -= bytes;
    return {};
}

Status read_folder_file(const std::string& root, const std::string& name, const FolderRead& how, WholeFile& out,
                        FileAccess* access) {
    if (!how.stranger && !how.budget) return read_whole_file(data_path(root, name), out);
    if (how.stranger) {
        Result<FileReader> file = open_inside(root, name);
        if (!file.ok()) return file.fault();
        if (how.budget)
            if (Status s = how.budget->take_file(file->size(), file->path()); !s.ok()) return s;
        if (access) *access = file->access();
        return file->read_whole(out);
    }
    // The user's own file, its links followed as every command follows them;
    // its size asked first, so that a large one is refused before it is read.
    const std::string path = data_path(root, name);
    if (const std::optional<FileStamp> stamp = file_stamp(path); stamp && stamp->size <= kLargestRead)
        if (Status s = how.budget->take_file(stamp->size, path); !s.ok()) return s;
    if (Status s = read_whole_file(path, out); !s.ok()) return s;
    if (access) *access = file_access(path).value_or(FileAccess{});
    return {};
}

LanguageText read_language_file(const std::string& root, TextKind kind, int language, const FolderRead& how) {
    LanguageText text;
    text.path = language_file(root, kind, language);
    text.name = language_file_name(kind, language);
    WholeFile file;
    text.fault = read_folder_file(root, text.name, how, file, &text.access);
    if (text.fault.ok() && how.budget) {
        // Its lines are counted before they are split, so that a file of a
        // million empty lines is refused before it takes their room.
        const std::string_view all(reinterpret_cast<const char*>(file.data()), file.length);
        const std::size_t zero = all.find('\0');
        text.fault = how.budget->take_lines(static_cast<std::uint64_t>(count_lines(all.substr(0, zero))), text.path);
    }
    if (text.fault.ok()) {
        text.present = true;
        text.bytes.assign(reinterpret_cast<const char*>(file.data()), file.length);
    }
    split_lines(text);
    return text;
}

Folder load_folder(const std::string& root, const FolderRead& how) {
    Folder folder;
    folder.root = root;
    WholeFile lang;
    folder.lang_fault = read_folder_file(root, kSettingsFile, how, lang);
    if (folder.lang_fault.ok()) {
        folder.lang_present = true;
        folder.lang_length = lang.length;
        const StoredSettings stored = stored_settings(lang);
        folder.raw_language = stored.language;
        folder.raw_creature = stored.creature;
    }
    folder.language = (folder.raw_language == 0 || folder.raw_language == 1) ? folder.raw_language : 0;
    for (const DataFileInfo& info : data_files()) {
        DataBytes& d = folder.file(info.id);
        d.path = data_path(root, info.name);
        WholeFile file;
        d.fault = read_folder_file(root, info.name, how, file, &d.access);
        if (d.fault.ok()) {
            d.present = true;
            d.length = file.length;
            d.bytes = std::move(file.block);
        }
        d.bytes.resize(std::max(d.bytes.size(), info.size + 32), 0);
    }
    return folder;
}

std::vector<std::string> data_faults(const Folder& folder) {
    std::vector<std::string> faults;
    for (const DataFileInfo& info : data_files()) {
        const DataBytes& d = folder.file(info.id);
        if (Status fault = data_file_fault(info, d.fault, d.length); !fault.ok()) faults.push_back(fault.message());
    }
    return faults;
}

Status folder_problem(const std::string& root) {
    if (root.empty()) return {};
    std::error_code ec;
    const auto status = std::filesystem::status(root, ec);
    if (status.type() == std::filesystem::file_type::not_found) return Fault(FaultKind::missing, root, "no such folder");
    if (ec) return Fault(root, ec.message());
    if (status.type() != std::filesystem::file_type::directory) return Fault(FaultKind::invalid, root, "not a folder");
    return {};
}

std::string folder_label(const std::string& root) {
    return root.empty() ? std::string("the current folder") : "the folder \"" + root + "\"";
}

std::string Captions::caption(int id) const {
    if (!common || id < kFirstCaptionControl || id >= kFirstCaptionControl + kCaptionLines) return {};
    return decode_code_page(common->line(id - kFirstCaptionControl), language);
}

}  // namespace ce
