// The states clipboard end to end on the real dialog, through the menu: what
// a copy captures and what each paste puts into the form, what a Save then
// stores, the interlocks after a paste, and the language list form that a
// copy opens.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "form/memory_form.h"
#include "save_fixture.h"

namespace ce {
namespace {

using flows::Bytes;
using flows::DataFolder;
using test::FormValues;
using flows::kMonstersFile;
using flows::Snapshot;
using test::EditorHarness;

constexpr int kCopyAll = 10000;
constexpr int kPasteAll = 10001;
constexpr int kPasteCrAnim = 10002;
constexpr int kSave = 2100;
constexpr int kSource = 5;
constexpr int kTarget = 9;

// A folder with creature 5 staged with value set 0 and creature 9 with set 1
// (every element differs), the lists' entry counts taken from a headless form.
void stage_source_and_target(const DataFolder& folder) {
    MemoryForm counts;
    std::string header;
    apply_language(counts, folder.root(), 0, header);
    flows::stage_creature(folder, kSource, 0, counts);
    flows::stage_creature(folder, kTarget, 1, counts);
}

std::vector<int> cranim_edits() {
    std::vector<int> ids{91, 92, 93, 94, 95, 96};
    for (int id = 5002; id <= 5019; ++id) ids.push_back(id);
    return ids;
}

// --- the language list form, read while it is open ---------------------------------

struct LanguageListSeen {
    std::wstring title;
    std::map<int, std::wstring> texts;  // 1000-1009, 1250-1259 and the OK button 1
    bool ok_enabled = false;
};

std::vector<LanguageListSeen>& seen_lists() {
    static std::vector<LanguageListSeen> seen;
    return seen;
}

HHOOK& watch_hook() {
    static HHOOK hook = nullptr;
    return hook;
}

std::wstring window_text(HWND hwnd) {
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    return text;
}

LRESULT CALLBACK watch_proc(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE) {
        HWND hwnd = reinterpret_cast<HWND>(wparam);
        if (GetDlgItem(hwnd, 1000) != nullptr && GetDlgItem(hwnd, kSave) == nullptr) {
            LanguageListSeen seen;
            seen.title = window_text(hwnd);
            for (int k = 0; k < 10; ++k) {
                seen.texts[1000 + k] = window_text(GetDlgItem(hwnd, 1000 + k));
                seen.texts[1250 + k] = window_text(GetDlgItem(hwnd, 1250 + k));
            }
            HWND ok = GetDlgItem(hwnd, IDOK);
            seen.texts[IDOK] = ok != nullptr ? window_text(ok) : L"(none)";
            seen.ok_enabled = ok != nullptr && IsWindowEnabled(ok);
            seen_lists().push_back(seen);
        }
    }
    // The harness's closer, further down the chain, then closes it with OK.
    return CallNextHookEx(watch_hook(), code, wparam, lparam);
}

// While alive, records the texts of every language list form that opens.
class LanguageListWatch {
public:
    LanguageListWatch() {
        seen_lists().clear();
        watch_hook() = SetWindowsHookExW(WH_CBT, watch_proc, nullptr, GetCurrentThreadId());
    }
    ~LanguageListWatch() {
        if (watch_hook() != nullptr) UnhookWindowsHookEx(watch_hook());
        watch_hook() = nullptr;
    }
    LanguageListWatch(const LanguageListWatch&) = delete;
    LanguageListWatch& operator=(const LanguageListWatch&) = delete;
};

void expect_language_list_texts(const LanguageListSeen& seen) {
    const wchar_t* const kLanguages[10] = {L"Chinese", L"Japanese", L"Russian",  L"Greek",    L"Hindi",
                                           L"Vietnamese", L"Georgian", L"Serbian", L"Armenian", L"Korean"};
    EXPECT_EQ(seen.title, L"");
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(seen.texts.at(1000 + k), std::wstring(kLanguages[k]) + L" : ");
        EXPECT_EQ(seen.texts.at(1250 + k), kLanguages[k]);
    }
    EXPECT_EQ(seen.texts.at(IDOK), L"OK");
    EXPECT_TRUE(seen.ok_enabled);
}

// --- the flows -------------------------------------------------------------------------

TEST(ClipboardFlow, PastesBeforeACopyDoNothingAndPasteCrAnimChangesOnlyTheCrAnimEdits) {
    DataFolder folder(67);
    stage_source_and_target(folder);
    EditorHarness editor(folder.root());
    Form& form = editor.form();

    // Before any copy both pastes do nothing at all, not even paste zeros.
    editor.choose(300, kTarget);
    const FormValues shown = test::form_values(form);
    const Snapshot files = flows::snapshot(folder.root());
    editor.menu(kPasteAll);
    editor.menu(kPasteCrAnim);
    EXPECT_TRUE(test::form_values(form) == shown);
    EXPECT_TRUE(flows::snapshot(folder.root()) == files);
    EXPECT_FALSE(editor.state().copied);
    EXPECT_EQ(editor.take_language_lists(), 0);

    editor.choose(300, kSource);
    const FormValues source = test::form_values(form);
    editor.menu(kCopyAll);
    EXPECT_EQ(editor.take_language_lists(), 1);
    editor.choose(300, kTarget);
    const FormValues target = test::form_values(form);
    editor.menu(kPasteCrAnim);
    const FormValues pasted = test::form_values(form);
    EXPECT_EQ(test::differing(target, pasted), cranim_edits());
    for (int id : cranim_edits()) EXPECT_EQ(pasted.at(id), source.at(id)) << id;
    EXPECT_TRUE(flows::snapshot(folder.root()) == files) << "nothing is written before Save";

    // Save stores the creature's CrAnim record from the pasted texts, and
    // nothing else changes.
    editor.click(kSave);
    EXPECT_TRUE(editor.take_errors().empty());
    const Snapshot saved = flows::snapshot(folder.root());
    Bytes expected = files.at(kMonstersFile);
    const auto record = [](int slot) { return 169000 + 84 * static_cast<std::ptrdiff_t>(slot); };
    std::copy(expected.begin() + record(kSource), expected.begin() + record(kSource) + 84,
              expected.begin() + record(kTarget));
    expected[27000 + kTarget] = 0;  // check box 2025 is checked for creature 9: edit 212 shows empty
    EXPECT_TRUE(saved.at(kMonstersFile) == expected);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (saved.at(kMonstersFile).at(i) != expected[i]) ADD_FAILURE() << "MonstersSetup.vrh byte " << i;
    }
    for (const auto& [name, bytes] : files) {
        if (name != kMonstersFile) {
            EXPECT_TRUE(saved.at(name) == bytes) << name;
        }
    }
}

// The byte positions of every element of a slot that Save stores from a
// control, with the bits they occupy (Firewall.vrh: one bit).
struct Element {
    std::size_t position;
    std::uint8_t mask;
    std::size_t width;
};

std::vector<Element> stored_elements(DataFile file, int slot) {
    std::vector<Element> out;
    for (const BindingRow& row : binding_rows(file)) {
        if (row.kind == Conversion::None) continue;
        if (row.kind == Conversion::Bit) {
            out.push_back({element_position(row, slot), static_cast<std::uint8_t>(1u << (slot & 7)), 1});
        } else {
            out.push_back({element_position(row, slot), 0xFF, row.width});
        }
    }
    return out;
}

TEST(ClipboardFlow, PasteAllStatesShowsTheCopiedCreatureAndSaveStoresItIntoTheShownOne) {
    DataFolder folder(61);
    folder.write_settings(0, 3);  // the settings file names another creature
    stage_source_and_target(folder);
    const flows::StagedTexts texts = flows::staged_texts(0);
    EditorHarness editor(folder.root());
    Form& form = editor.form();
    ASSERT_EQ(editor.state().current, 3);

    editor.choose(300, kSource);
    const FormValues source = test::form_values(form);
    EXPECT_EQ(form.get_text(70, 20), "4294967295");
    EXPECT_EQ(form.get_text(97, 20), "-100");
    EXPECT_EQ(form.get_text(5014, 20), "4294967291");
    EXPECT_EQ(form.get_text(5015, 20), "1234567890");
    EXPECT_EQ(form.get_text(5001, 1000), texts.ability);
    const std::string header = editor.state().header_format;
    const std::string caption = form.get_text(2003, 200);

    // The copy opens the language list form and changes nothing of the editor.
    {
        LanguageListWatch watch;
        editor.menu(kCopyAll);
    }
    EXPECT_EQ(editor.take_language_lists(), 1);
    ASSERT_EQ(seen_lists().size(), 1u);
    expect_language_list_texts(seen_lists()[0]);
    EXPECT_TRUE(editor.state().copied);
    EXPECT_EQ(editor.state().current, kSource);
    EXPECT_EQ(editor.state().header_format, header);
    EXPECT_EQ(form.get_text(2003, 200), caption);
    EXPECT_TRUE(test::form_values(form) == source);

    editor.choose(300, kTarget);
    const FormValues target = test::form_values(form);
    const Snapshot before = flows::snapshot(folder.root());
    editor.menu(kPasteAll);

    // The form shows creature 5's values but for list 323, the header and
    // list 300's selection; entry 9 of list 300 now reads creature 5's name
    // and is selected.
    const FormValues pasted = test::form_values(form);
    for (int id : test::differing(source, pasted)) {
        EXPECT_TRUE(id == 2003 || id == 323 || id == 300) << id << ": " << pasted.at(id);
    }
    EXPECT_EQ(pasted.at(323), target.at(323));
    EXPECT_EQ(form.get_text(2003, 200), format_header(header, kTarget));
    EXPECT_EQ(form.get_text(300, 64), texts.name);
    EXPECT_EQ(form.item_text(300, kTarget).value_or(""), texts.name);
    EXPECT_EQ(form.item_text(300, kSource).value_or(""), texts.name);
    EXPECT_EQ(form.selected_item(300), kTarget);
    EXPECT_EQ(form.get_text(5001, 1000), texts.ability);
    EXPECT_EQ(form.get_text(97, 20), "-100");
    EXPECT_EQ(form.get_text(5014, 20), "4294967291");
    EXPECT_EQ(form.get_text(5015, 20), "1234567890");
    EXPECT_EQ(editor.state().current, kTarget);
    EXPECT_TRUE(flows::snapshot(folder.root()) == before) << "nothing is written before Save";

    // Save stores every value into slot 9, the number block whole with its
    // negative values; list 323 was not pasted and the arrays without a
    // control keep their bytes.
    editor.click(kSave);
    EXPECT_TRUE(editor.take_errors().empty());
    const Snapshot after = flows::snapshot(folder.root());
    for (const DataFileInfo& info : data_files()) {
        Bytes expected = before.at(info.name);
        if (info.id != DataFile::Demonology) {
            const std::vector<Element> from = stored_elements(info.id, kSource);
            const std::vector<Element> to = stored_elements(info.id, kTarget);
            for (std::size_t e = 0; e < from.size(); ++e) {
                if (to[e].mask == 0xFF) {
                    for (std::size_t b = 0; b < from[e].width; ++b)
                        expected[to[e].position + b] = expected[from[e].position + b];
                } else if ((expected[from[e].position] & from[e].mask) != 0) {
                    expected[to[e].position] = static_cast<std::uint8_t>(expected[to[e].position] | to[e].mask);
                } else {
                    expected[to[e].position] = static_cast<std::uint8_t>(expected[to[e].position] & ~to[e].mask);
                }
            }
        }
        EXPECT_TRUE(after.at(info.name) == expected) << info.name;
        for (std::size_t i = 0; i < expected.size() && i < after.at(info.name).size(); ++i) {
            if (after.at(info.name)[i] != expected[i]) {
                ADD_FAILURE() << info.name << " byte " << i;
                break;
            }
        }
    }
    EXPECT_EQ(flows::peek(after.at(kMonstersFile), 85000 + 84 * kTarget, 4), 0xFFFFFFFFu) << "4294967295 stores -1";

    // The name line of slot 9 is rewritten and no other; the plural and the
    // ability lines carry the pasted texts.
    auto expect_lines = [&](TextKind kind, int line, const std::string& text) {
        const std::string name = language_file_name(kind, 0);
        std::vector<std::string> lines = flows::lines_of(before.at(name));
        lines[static_cast<std::size_t>(line)] = text;
        const std::string joined = fixture::join_lines(lines);
        EXPECT_TRUE(after.at(name) == Bytes(joined.begin(), joined.end())) << name;
    };
    expect_lines(TextKind::Monsters, kTarget + 1, texts.name);
    expect_lines(TextKind::Plural, kTarget, texts.plural);
    expect_lines(TextKind::Ability, kTarget, texts.ability);
    EXPECT_TRUE(after.at("Lang") == before.at("Lang"));

    // Shown again, creature 9 shows what creature 5 showed.
    editor.choose(300, kSource);
    editor.choose(300, kTarget);
    const FormValues reshown = test::form_values(form);
    for (int id : test::differing(source, reshown)) {
        EXPECT_TRUE(id == 2003 || id == 323 || id == 300 || id == 5001) << id << ": " << reshown.at(id);
    }
    EXPECT_EQ(form.get_text(300, 64), texts.name);
}

TEST(ClipboardFlow, PastesFollowTheInterlocksAndAnEmptyRadioGroupCarriesItsByte) {
    DataFolder folder(71);
    constexpr int kOnlyList306 = 6, kNoRadio = 7;
    {
        MemoryForm counts;
        std::string header;
        apply_language(counts, folder.root(), 0, header);
        for (int slot : {kSource, kOnlyList306, kNoRadio}) flows::stage_creature(folder, slot, 0, counts);
        flows::stage_creature(folder, kTarget, 1, counts);
        Bytes m = folder.read(kMonstersFile);
        // Creature 6: check box 2021 clear, 2039 checked. Creature 7: a radio
        // byte that names no button.
        const std::size_t word = 21000 + 4 * kOnlyList306;
        flows::poke(m, word, (flows::peek(m, word, 4) & ~(1u << 2)) | (1u << 20), 4);
        m[26000 + kNoRadio] = 20;
        folder.write(kMonstersFile, m);
    }
    EditorHarness editor(folder.root());
    Form& form = editor.form();

    // Onto creature 149: the pasted texts of 121 and 122 are emptied and the
    // edits disabled; the rest is pasted.
    editor.choose(300, kSource);
    editor.menu(kCopyAll);
    editor.choose(300, 149);
    editor.menu(kPasteAll);
    EXPECT_EQ(form.get_text(121, 16), "");
    EXPECT_EQ(form.get_text(122, 16), "");
    EXPECT_FALSE(form.is_enabled(121));
    EXPECT_FALSE(form.is_enabled(122));
    EXPECT_EQ(form.get_text(97, 16), "-100");

    // 2021 clear and 2039 checked: list 306 enabled with its pasted entry; edit
    // 304 and check boxes 2058-2061 disabled.
    editor.choose(300, kOnlyList306);
    const int entry306 = form.selected_item(306);
    EXPECT_TRUE(form.is_enabled(306));
    editor.menu(kCopyAll);
    editor.choose(300, kTarget);
    EXPECT_TRUE(form.is_enabled(304)) << "2021 is checked for creature 9";
    editor.menu(kPasteAll);
    EXPECT_EQ(form.get_check(2021), 0);
    EXPECT_EQ(form.get_check(2039), 1);
    EXPECT_TRUE(form.is_enabled(306));
    EXPECT_EQ(form.selected_item(306), entry306);
    EXPECT_FALSE(form.is_enabled(304));
    for (int id = 2058; id <= 2061; ++id) EXPECT_FALSE(form.is_enabled(id)) << id;

    // An empty radio group pastes as empty; Save stores the copied creature's
    // radio byte, as it stores the other pasted values.
    editor.choose(300, kNoRadio);
    for (int id = 2008; id <= 2017; ++id) EXPECT_EQ(form.get_check(id), 0) << id;
    editor.menu(kCopyAll);
    editor.choose(300, kTarget);
    EXPECT_EQ(form.get_check(2016), 1) << "creature 9's radio byte is 7";
    editor.menu(kPasteAll);
    for (int id = 2008; id <= 2017; ++id) EXPECT_EQ(form.get_check(id), 0) << id;
    editor.click(kSave);
    EXPECT_TRUE(editor.take_errors().empty());
    EXPECT_EQ(folder.read(kMonstersFile)[26000 + kTarget], 20);
    EXPECT_EQ(folder.read(kMonstersFile)[253000 + kTarget], 0x9C) << "-100";
    EXPECT_EQ(folder.read("DefenseBonus.vrh")[kTarget], 250);

    // Copied in English, pasted and saved in Russian: the name keeps its
    // bytes, now read in the Russian code page, and goes into the Russian
    // names file only.
    editor.choose(300, kSource);
    editor.menu(kCopyAll);
    editor.click(2002);
    ASSERT_EQ(folder.read("Lang")[0], 1);
    editor.choose(300, kTarget);
    const Snapshot before = flows::snapshot(folder.root());
    editor.menu(kPasteAll);
    const std::string name = flows::staged_texts(0).name;
    EXPECT_EQ(form.get_text(300, 64), name);
    editor.click(kSave);
    EXPECT_TRUE(editor.take_errors().empty());
    EXPECT_EQ(flows::lines_of(folder.read(TextKind::Monsters, 1)).at(kTarget + 1), name);
    EXPECT_TRUE(folder.read(TextKind::Monsters, 0) == before.at(language_file_name(TextKind::Monsters, 0)));
    EXPECT_EQ(editor.take_language_lists(), 4);
}

}  // namespace
}  // namespace ce
