// The language texts end to end on the real dialog: the lists of a full
// Monsters file, the none entry, the shared options of 320..322, the captions,
// each list keeping its entry across language switches, and the Russian texts
// shown as Cyrillic characters whatever the system's code page. Also a timing
// of apply_language on the real dialog, run by hand.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "flow_fixture.h"
#include "form/fill_language.h"
#include "text/language.h"

namespace ce {
namespace {

using flow::shown_item;
using flow::shown_text;
using test::EditorHarness;

// Texts as the platform itself converts them, independent of the editor's tables.
std::wstring in_page(UINT page, const std::string& bytes) {
    const int size = static_cast<int>(bytes.size());
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    out.resize(static_cast<std::size_t>(MultiByteToWideChar(page, 0, bytes.data(), size, out.data(), size)));
    return out;
}
std::wstring english(const std::string& bytes) { return in_page(1252, bytes); }
std::wstring russian(const std::string& bytes) { return in_page(1251, bytes); }

using test::none_entry;
// Common line k (not the header's line 3) of the folder's Named texts.
std::string line(int language, int k) { return test::common_line(language, k); }
std::string numbered(int language, int k) {
    char number[8];
    std::snprintf(number, sizeof number, "%03d ", k);
    return number + fixture::creature_name(language, k);
}

// Every list redraws again after a refill (the shell pauses their redrawing).
void expect_lists_drawn(const Win32Form& form) {
    EXPECT_FALSE(form.list_redraw_paused());
    for (int id = 300; id <= 323; ++id) {
        if (id == 304) continue;
        EXPECT_TRUE(IsWindowVisible(form.control(id))) << id;
    }
}

// Records, for each message box that opens over the editor, whether the
// editor's lists were redrawing at that moment.
class ListsAtMessageBoxes {
public:
    explicit ListsAtMessageBoxes(const Win32Form& form) : form_(form) {
        self_ = this;
        hook_ = SetWindowsHookExW(WH_CBT, proc, nullptr, GetCurrentThreadId());
    }
    ~ListsAtMessageBoxes() {
        UnhookWindowsHookEx(hook_);
        self_ = nullptr;
    }
    ListsAtMessageBoxes(const ListsAtMessageBoxes&) = delete;
    ListsAtMessageBoxes& operator=(const ListsAtMessageBoxes&) = delete;

    std::vector<bool> drawn;

private:
    static LRESULT CALLBACK proc(int code, WPARAM wparam, LPARAM lparam) {
        HWND window = reinterpret_cast<HWND>(wparam);
        if (code == HCBT_ACTIVATE && self_ != nullptr && GetDlgItem(window, 2100) == nullptr) {
            self_->drawn.push_back(!self_->form_.list_redraw_paused());
        }
        return CallNextHookEx(nullptr, code, wparam, lparam);
    }

    static inline ListsAtMessageBoxes* self_ = nullptr;
    const Win32Form& form_;
    HHOOK hook_;
};

// A creature whose text fields hold bytes above 0x7F.
constexpr int kHighBytes = 40;
const std::string kHighName = "Caf\xE9 \xC6\xF8";
const std::string kHighCode = "\xC0\xC9\xD6\xFF";
const std::string kHighAmmo = "Dart \xE9\xFF\xC0";

class LanguageFlow : public flow::SharedFolderTest<LanguageFlow> {
public:
    static void prepare(const fixture::DataFolder& folder) {
        flow::put_text(folder, "MonstersSetup.vrh", 0, 16, kHighBytes, kHighName);
        flow::put_text(folder, "MonstersSetup.vrh", 16000, 5, kHighBytes, kHighCode);
        flow::put_text(folder, "Ammo.vrh", 0, 16, kHighBytes, kHighAmmo);
    }
};

TEST_F(LanguageFlow, AThousandCreaturesFillTheListsAndTheNoneEntryHeadsItsFiveLists) {
    ASSERT_EQ(fixture::lines_of(folder().text(TextKind::Monsters, 0)).size(), 1001u);
    folder().write_settings(0, 5);
    EditorHarness editor(root());
    Win32Form& form = editor.form();
    auto list = [&](int id) { return form.control(id); };

    EXPECT_EQ(form.item_count(300), 1000);
    EXPECT_EQ(form.item_count(302), 1000);
    EXPECT_EQ(form.item_count(301), 1001);
    EXPECT_EQ(form.item_count(323), 1001);
    const std::wstring seven = english(numbered(0, 7));
    EXPECT_EQ(shown_item(list(302), 7), seven);
    EXPECT_EQ(shown_item(list(301), 8), seven);
    EXPECT_EQ(shown_item(list(323), 8), seven);
    EXPECT_EQ(shown_item(list(300), 7), english(fixture::creature_name(0, 7)));
    EXPECT_EQ(shown_item(list(300), 999), english(fixture::creature_name(0, 999)));
    EXPECT_EQ(shown_item(list(302), 999), english(numbered(0, 999)));
    EXPECT_EQ(shown_item(list(301), 1000), english(numbered(0, 999)));
    EXPECT_EQ(shown_item(list(323), 1000), english(numbered(0, 999)));

    // The none entry is entry 0 of 301, 317, 318, 319 and 323, and in no other list.
    const std::wstring none = english(none_entry(0));
    for (int id = 300; id <= 323; ++id) {
        if (id == 304) continue;
        const LRESULT found = SendMessageW(list(id), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(none.c_str()));
        const bool heads = id == 301 || id == 317 || id == 318 || id == 319 || id == 323;
        EXPECT_EQ(found, heads ? 0 : CB_ERR) << id;
    }
    EXPECT_EQ(form.item_count(303), fixture::kSpells);
    for (int id : {317, 318, 319}) {
        EXPECT_EQ(form.item_count(id), fixture::kSpells + 1) << id;
        EXPECT_EQ(shown_item(list(id), 1), L"000 Spell 0") << id;
    }

    // Common lines 213..216 are the same four options of 320, 321 and 322.
    for (int id : {320, 321, 322}) {
        ASSERT_EQ(form.item_count(id), 4) << id;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(shown_item(list(id), i), english(line(0, 213 + i))) << id << " " << i;
    }

    // Captions: line k on control 2000 + k; lines 97 and 98 nowhere; of the two
    // controls 2101 the portrait frame takes line 101 and the jump button keeps "->".
    EXPECT_EQ(shown_text(list(2000)), L"Line 0");
    EXPECT_EQ(shown_text(list(2100)), L"Line 100");
    EXPECT_EQ(shown_text(list(2132)), L"Line 132");
    EXPECT_EQ(shown_text(list(2003)), L"Creature 5");
    EXPECT_EQ(shown_text(test::nth_control(editor.dialog(), 2101, 0)), L"Line 101");
    EXPECT_EQ(shown_text(test::button_of(editor.dialog(), 2101)), L"->");
    for (HWND c = GetWindow(editor.dialog(), GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        const std::wstring text = shown_text(c);
        EXPECT_TRUE(text != L"Line 97" && text != L"Line 98") << GetDlgCtrlID(c);
    }
    EXPECT_TRUE(editor.take_errors().empty());
}

TEST_F(LanguageFlow, EveryListKeepsTheEntryTheUserChoseAcrossLanguageSwitches) {
    EditorHarness editor(root());
    Win32Form& form = editor.form();
    editor.choose(300, 4);
    ASSERT_EQ(editor.state().current, 4);
    // Lists 305..307 open only while their boxes (and so 2021) are checked.
    for (int box : {2039, 2030, 2024, 2021})
        if (form.get_check(box) == 0) editor.click(box);

    std::map<int, int> chosen;  // entry 4, or the last of a shorter list
    for (int id = 301; id <= 323; ++id) {
        if (id == 304) continue;
        ASSERT_TRUE(form.is_enabled(id)) << id;
        chosen[id] = std::min(4, form.item_count(id) - 1);
        editor.choose(id, chosen[id]);
    }
    chosen[300] = 4;
    for (const auto& [id, entry] : chosen) ASSERT_EQ(form.selected_item(id), entry) << id;

    for (int language : {1, 0, 1}) {
        SCOPED_TRACE(language);
        editor.click(2001 + language);
        EXPECT_EQ(folder().read("Lang").at(0), language);
        for (const auto& [id, entry] : chosen) EXPECT_EQ(form.selected_item(id), entry) << id;
        auto as_shown = [&](const std::string& bytes) { return language == 0 ? english(bytes) : russian(bytes); };
        EXPECT_EQ(shown_text(form.control(300)), as_shown(fixture::creature_name(language, 4)));
        EXPECT_EQ(shown_text(form.control(302)), shown_item(form.control(302), chosen[302]));
        EXPECT_EQ(shown_item(form.control(302), 4), as_shown(numbered(language, 4)));
        EXPECT_EQ(shown_text(form.control(305)), as_shown(line(language, 133 + 4)));
        EXPECT_EQ(shown_text(form.control(306)), as_shown(line(language, 138 + 2)));
        EXPECT_EQ(shown_text(form.control(322)), as_shown(line(language, 213 + 3)));
        EXPECT_EQ(editor.state().current, 4);
    }
    EXPECT_TRUE(editor.take_errors().empty());
}

TEST_F(LanguageFlow, RussianTextsShowAsCyrillicCharactersOnAWesternSystem) {
    const UINT acp = GetACP();
    RecordProperty("ansi_code_page", static_cast<int>(acp));
    std::printf("  system ANSI code page: %u\n", acp);
    folder().write_settings(0, 12);
    EditorHarness editor(root());
    Win32Form& form = editor.form();
    EXPECT_EQ(shown_text(form.control(2000)), L"Line 0");

    editor.click(2002);
    EXPECT_EQ(folder().read("Lang"), (fixture::Bytes{1, 12, 0}));
    EXPECT_EQ(form.get_check(2001), 0);
    EXPECT_EQ(form.get_check(2002), 1);
    // "Стр 0": Cyrillic letters, not the Western letters of the same bytes.
    EXPECT_EQ(shown_text(form.control(2000)), L"\u0421\u0442\u0440 0");
    EXPECT_EQ(shown_text(form.control(2100)), L"\u0421\u0442\u0440 100");
    // "Существо 12": the Russian header applied to the current creature.
    EXPECT_EQ(shown_text(form.control(2003)), L"\u0421\u0443\u0449\u0435\u0441\u0442\u0432\u043e 12");
    EXPECT_EQ(shown_text(form.control(300)), L"\u0417\u0432\u0435\u0440\u044c 12");
    EXPECT_EQ(shown_item(form.control(301), 0), L"(\u043d\u0435\u0442)");
    EXPECT_EQ(shown_item(form.control(302), 12), russian(numbered(1, 12)));
    EXPECT_EQ(shown_item(form.control(303), 7), L"007 " + russian("\xD7\xE0\xF0\xFB 7"));
    EXPECT_EQ(shown_text(form.control(5000)), russian(fixture::plural_of(1, 12)));
    EXPECT_EQ(shown_text(form.control(5001)), russian(fixture::ability_of(1, 12)));
    EXPECT_EQ(shown_text(test::button_of(editor.dialog(), 2101)), L"->");
    expect_lists_drawn(form);
    // The core still holds the file's bytes.
    EXPECT_EQ(form.get_text(2000, 100), line(1, 0));

    // A look at the Russian form: CE_FLOW_SCREENSHOT names a BMP file to write.
    if (const char* path = std::getenv("CE_FLOW_SCREENSHOT")) {
        editor.paint();
        EXPECT_TRUE(flow::save_screenshot(editor.dialog(), path)) << path;
    }

    editor.click(2001);
    EXPECT_EQ(folder().read("Lang"), (fixture::Bytes{0, 12, 0}));
    EXPECT_EQ(shown_text(form.control(2000)), L"Line 0");
    EXPECT_EQ(shown_text(form.control(2003)), L"Creature 12");
    EXPECT_EQ(shown_text(form.control(5000)), english(fixture::plural_of(0, 12)));
    EXPECT_TRUE(editor.take_errors().empty());
}

TEST_F(LanguageFlow, TextFieldsKeepTheirBytesAcrossLanguageSwitches) {
    folder().write_settings(0, kHighBytes);
    EditorHarness editor(root());
    Win32Form& form = editor.form();
    auto expect_bytes = [&](const std::string& name) {
        EXPECT_EQ(form.get_text(121, 100), name);
        EXPECT_EQ(form.get_text(122, 100), kHighCode);
        EXPECT_EQ(form.get_text(304, 100), kHighAmmo);
    };
    expect_bytes(kHighName);
    EXPECT_EQ(shown_text(form.control(121)), L"Caf\u00e9 \u00c6\u00f8");

    editor.click(2002);
    {
        SCOPED_TRACE("Russian");
        expect_bytes(kHighName);
        // The same bytes, now read in the Russian page.
        EXPECT_EQ(shown_text(form.control(121)), russian(kHighName));
    }
    editor.type(121, "\xC6");  // a Cyrillic letter typed in Russian
    editor.click(2001);
    {
        SCOPED_TRACE("English again");
        expect_bytes(kHighName + "\xC6");
    }

    editor.click(2100);
    EXPECT_TRUE(editor.take_errors().empty());
    const fixture::Bytes data = folder().read("MonstersSetup.vrh");
    const std::string stored(reinterpret_cast<const char*>(data.data()) + 16 * kHighBytes, 16);
    EXPECT_EQ(stored, kHighName + "\xC6" + std::string(16 - kHighName.size() - 1, '\0'));
    EXPECT_EQ(fixture::field_text(data, 16000 + 5 * kHighBytes).substr(0, 4), kHighCode);
    EXPECT_EQ(fixture::field_text(folder().read("Ammo.vrh"), 16 * kHighBytes), kHighAmmo);
}

TEST_F(LanguageFlow, ASwitchToALanguageWithAMissingFileReportsItOverADrawnForm) {
    const fixture::Bytes spells = folder().read(TextKind::Spells, 1);
    std::filesystem::remove(folder().path(TextKind::Spells, 1));
    EditorHarness editor(root());
    Win32Form& form = editor.form();
    {
        ListsAtMessageBoxes lists(form);
        editor.click(2002);
        EXPECT_EQ(lists.drawn, std::vector<bool>{true}) << "the message stands over drawn lists";
    }
    fixture::write_bytes(folder().path(TextKind::Spells, 1), spells);
    const auto errors = editor.take_errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(language_file_name(TextKind::Spells, 1)), std::string::npos) << errors[0];
    expect_lists_drawn(form);
    // Read as empty: one entry numbered 000 in 303, the none entry and it in 317..319.
    EXPECT_EQ(form.item_count(303), 1);
    EXPECT_EQ(shown_item(form.control(303), 0), L"000 ");
    EXPECT_EQ(form.item_count(317), 2);
    EXPECT_EQ(form.item_count(300), 1000);
    EXPECT_EQ(shown_text(form.control(2000)), L"\u0421\u0442\u0440 0");

    // Back in English, and again in Russian with the file back: whole lists.
    editor.click(2001);
    editor.click(2002);
    EXPECT_TRUE(editor.take_errors().empty());
    EXPECT_EQ(form.item_count(303), fixture::kSpells);
    expect_lists_drawn(form);
}

// --- timing, run by hand ----------------------------------------------------------
//   wine test_win32.exe --gtest_also_run_disabled_tests --gtest_filter='*LanguageTiming*'

class LanguageTiming : public flow::SharedFolderTest<LanguageTiming> {
public:
    // 1000 creatures and 100 spells.
    static void prepare(const fixture::DataFolder& folder) {
        for (int language : {0, 1}) {
            std::vector<std::string> spells;
            for (int k = 0; k < 100; ++k) spells.push_back(test::spell_name(language, k));
            fixture::write_text(folder.path(TextKind::Spells, language), fixture::join_lines(spells));
        }
    }
};

TEST_F(LanguageTiming, DISABLED_ApplyLanguageOnTheRealDialog) {
    constexpr int kRuns = 15;
    folder().write_settings(0, 250);
    EditorHarness editor(root());
    Win32Form& form = editor.form();
    ASSERT_EQ(form.item_count(303), 100);
    std::string header;

    std::printf("apply_language, 1000 creatures and 100 spells:\n");
    flow::report_timing("apply_language on the real dialog", flow::time_runs(kRuns, [&] {
        apply_language(form, "", editor.state().current, header);
    }));
    flow::report_timing("  ... with the lists' redrawing paused, as the shell runs it", flow::time_runs(kRuns, [&] {
        form.pause_list_redraw();
        apply_language(form, "", editor.state().current, header);
        form.resume_list_redraw();
    }));
    int language = 0;
    flow::report_timing("language switch by click (write Lang + apply_language)", flow::time_runs(kRuns, [&] {
        language = 1 - language;
        editor.click(2001 + language);
    }));
    if (language == 1) editor.click(2001);
    flow::report_timing("  ... and painting what it changed", flow::time_runs(kRuns, [&] {
        language = 1 - language;
        editor.click(2001 + language);
        RedrawWindow(editor.dialog(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        GdiFlush();
    }));

    // The share that is not the window: the files and the lines, on the model.
    MemoryForm model;
    flow::report_timing("apply_language on MemoryForm (files, lines, no window)", flow::time_runs(kRuns, [&] {
        apply_language(model, "", 250, header);
    }));

    // The list filling alone: the same entries straight into the combo boxes.
    std::vector<std::pair<HWND, std::wstring>> entries;
    for (int id = 300; id <= 323; ++id) {
        if (id == 304) continue;
        for (int i = 0; i < form.item_count(id); ++i) entries.emplace_back(form.control(id), shown_item(form.control(id), i));
    }
    auto refill = [&](bool redraw_off, bool presize) {
        for (int id = 300; id <= 323; ++id) {
            if (id == 304) continue;
            HWND list = form.control(id);
            if (redraw_off) SendMessageW(list, WM_SETREDRAW, FALSE, 0);
            SendMessageW(list, CB_RESETCONTENT, 0, 0);
            if (presize) SendMessageW(list, CB_INITSTORAGE, 1001, 1001 * 32);
        }
        for (const auto& [list, text] : entries) SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        for (int id = 300; id <= 323; ++id) {
            if (id == 304) continue;
            HWND list = form.control(id);
            SendMessageW(list, CB_SETCURSEL, 0, 0);
            if (redraw_off) {
                SendMessageW(list, WM_SETREDRAW, TRUE, 0);
                InvalidateRect(list, nullptr, TRUE);
            }
        }
        RedrawWindow(editor.dialog(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    };
    std::printf("the %zu list entries alone, reset + CB_ADDSTRING + paint:\n", entries.size());
    flow::report_timing("plain", flow::time_runs(kRuns, [&] { refill(false, false); }));
    flow::report_timing("redraw off (WM_SETREDRAW)", flow::time_runs(kRuns, [&] { refill(true, false); }));
    flow::report_timing("storage pre-sized (CB_INITSTORAGE)", flow::time_runs(kRuns, [&] { refill(false, true); }));
    flow::report_timing("both", flow::time_runs(kRuns, [&] { refill(true, true); }));
}

}  // namespace
}  // namespace ce
