// Assembling the demo folder from its parts, writing it, and the command line.
#include "demo/demo.h"

#include <filesystem>
#include <set>
#include <stdexcept>
#include <system_error>

#include "demo/cp1251.h"
#include "demo/creature_data.h"
#include "demo/portrait.h"
#include "demo/vocabulary.h"
#include "store/data_folder.h"
#include "store/layouts.h"
#include "store/settings.h"
#include "store/value_text.h"
#include "store/whole_file.h"
#include "text/language.h"
#include "text/lines.h"

namespace ce {

namespace {

std::vector<std::uint8_t> bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

// A language file: every line followed by CR LF; Russian lines in Windows-1251.
std::vector<std::uint8_t> text_file(const std::vector<std::string>& lines, int language) {
    std::string out;
    for (const std::string& line : lines) append_line(out, language == 1 ? to_cp1251(line) : line);
    return bytes_of(out);
}

template <class Pick>
std::vector<std::string> lines_of(std::size_t count, Pick pick) {
    std::vector<std::string> lines;
    lines.reserve(count);
    for (std::size_t i = 0; i < count; ++i) lines.push_back(pick(i));
    return lines;
}

}  // namespace

Result<std::vector<DemoFile>> make_demo_files(std::uint64_t seed) {
    const std::vector<Creature> creatures = make_creatures(seed);
    const std::vector<TextPair> spells = make_spells(seed);
    std::vector<DemoFile> files;

    auto data = make_data_files(seed, creatures, static_cast<int>(spells.size()));
    for (const DataFileInfo& info : data_files())
        files.push_back({info.name, std::move(data[static_cast<std::size_t>(info.id)])});
    // English, creature 0.
    files.push_back({kSettingsFile, {0, 0, 0}});

    for (int language = 0; language < 2; ++language) {
        const auto pick = [language](const TextPair& t) { return language == 1 ? t.ru : t.en; };
        const auto captions = common_captions();
        files.push_back({language_file_name(TextKind::Monsters, language),
                         text_file(lines_of(creatures.size() + 1,
                                            [&](std::size_t i) {
                                                return i == 0 ? pick(none_entry()) : pick(creatures[i - 1].name);
                                            }),
                                   language)});
        files.push_back({language_file_name(TextKind::Spells, language),
                         text_file(lines_of(spells.size(), [&](std::size_t i) { return pick(spells[i]); }),
                                   language)});
        files.push_back({language_file_name(TextKind::Common, language),
                         text_file(lines_of(captions.size(),
                                            [&](std::size_t i) {
                                                return std::string(language == 1 ? captions[i].ru : captions[i].en);
                                            }),
                                   language)});
        files.push_back({language_file_name(TextKind::Plural, language),
                         text_file(lines_of(creatures.size(), [&](std::size_t i) { return pick(creatures[i].plural); }),
                                   language)});
        files.push_back({language_file_name(TextKind::Ability, language),
                         text_file(lines_of(creatures.size(), [&](std::size_t i) { return pick(creatures[i].ability); }),
                                   language)});
    }

    for (int slot = 0; slot < kSlots; ++slot) {
        if (!demo_has_portrait(slot)) continue;
        const bool large = slot == demo_slot::kLargePortrait;
        // The large picture holds the face at twice the portrait's size, so the
        // editor's top-left 58 x 64 cut shows only its upper left quarter.
        const Image face = large ? draw_creature_face(seed, slot, kLargePortraitSize, kLargePortraitSize,
                                                      2 * kPortraitWidth, 2 * kPortraitHeight)
                                 : draw_creature_face(seed, slot, kPortraitWidth, kPortraitHeight);
        Result<std::vector<std::uint8_t>> jpeg = encode_jpeg(face);
        if (!jpeg.ok()) return jpeg.fault();
        files.push_back({data_path(kPictureFolder, std::to_string(slot) + ".jpg"), std::move(*jpeg)});
    }
    return files;
}

Status write_demo(const std::string& dir, const std::vector<DemoFile>& files, bool overwrite) {
    namespace fs = std::filesystem;
    if (dir.empty()) return "no folder named";
    const fs::path root(dir);

    std::error_code ec;
    const fs::file_status status = fs::status(root, ec);
    if (fs::exists(status) && !fs::is_directory(status))
        return "cannot use \"" + dir + "\" as the data folder: it is not a folder";

    if (!overwrite && fs::exists(status)) {
        std::vector<std::string> present;
        for (const DemoFile& f : files) {
            const fs::file_status s = fs::symlink_status(root / fs::path(f.name), ec);
            if (fs::exists(s)) present.push_back(f.name);
        }
        if (!present.empty()) {
            std::string list;
            for (std::size_t i = 0; i < present.size() && i < 5; ++i) list += (i ? ", " : "") + present[i];
            if (present.size() > 5) list += " and " + std::to_string(present.size() - 5) + " more";
            return "the folder \"" + dir + "\" already holds files of a data folder (" + list +
                   "); they were left as they are. Use --force to replace them.";
        }
    }

    // Every folder first, so that a folder that cannot be made stops the run
    // before any file is written.
    std::set<fs::path> folders{root};
    for (const DemoFile& f : files) folders.insert((root / fs::path(f.name)).parent_path());
    for (const fs::path& folder : folders) {
        fs::create_directories(folder, ec);
        if (ec) return "cannot create the folder \"" + folder.string() + "\": " + ec.message();
    }
    for (const DemoFile& f : files) {
        if (Status error = store_whole_file(data_path(dir, f.name), f.bytes.data(), f.bytes.size()); !error.ok())
            return error.fault().after("cannot write the demo data: ");
    }
    return {};
}

std::string demo_usage() {
    return "Usage: creatures-demo DIR [--seed N] [--force]\n"
           "Writes a complete demo data folder for the creatures editor into DIR:\n"
           "the settings file Lang, the six data files, the language files in Eng and Rus,\n"
           "and creature portraits in Pic. DIR is created when it does not exist.\n"
           "\n"
           "  --seed N   the numbers behind the invented data (default 1); the same seed\n"
           "             always gives the same files\n"
           "  --force    replace the files of a data folder that DIR already holds\n"
           "  --         end of the options: the next argument is DIR, even one that\n"
           "             starts with -\n"
           "  --help     show this text\n"
           "  --version  show the program's version\n";
}

DemoArgs parse_demo_args(std::span<const std::string> args) {
    DemoArgs out;
    bool have_dir = false;
    const auto fail = [&out](std::string why) {
        out.error = std::move(why);
        return out;
    };
    bool options_end = false;  // after "--" every argument is a folder
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (options_end) {
            if (have_dir) return fail("more than one folder named (\"" + out.dir + "\" and \"" + a + "\")");
            out.dir = a;
            have_dir = true;
        } else if (a == "--") {
            options_end = true;
        } else if (a == "--help" || a == "-h") {
            out.help = true;
        } else if (a == "--force") {
            out.force = true;
        } else if (a == "--seed" || a.rfind("--seed=", 0) == 0) {
            std::string value;
            if (a == "--seed") {
                if (i + 1 >= args.size()) return fail("--seed needs a number");
                value = args[++i];
            } else {
                value = a.substr(7);
            }
            const std::optional<std::uint64_t> seed = parse_decimal(value);
            if (!seed) return fail("--seed needs a whole number from 0 to 18446744073709551615, not \"" + value + "\"");
            out.seed = *seed;
        } else if (a.size() > 1 && a[0] == '-') {
            return fail("unknown option \"" + a + "\"");
        } else if (have_dir) {
            return fail("more than one folder named (\"" + out.dir + "\" and \"" + a + "\")");
        } else {
            out.dir = a;
            have_dir = true;
        }
    }
    if (!out.help && !have_dir) return fail("no folder named");
    return out;
}

}  // namespace ce
