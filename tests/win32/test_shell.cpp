// The editor end to end in this process: start-up, the routing of
// editor_dialog_proc on the real dialog, the language list form, and the
// numeric entry filter's choice of characters.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

#include "app/editor_shell.h"
#include "editor_harness.h"
#include "form/catalogue.h"
#include "store/file_ops.h"
#include "support/forwarding_ops.h"

namespace ce {
namespace {

using test::EditorHarness;
using test::TempDir;

TEST(NumericEntryFilter, AcceptsDigitsPointMinusAndBackspaceOnly) {
    for (unsigned code = 0; code < 0x500; ++code) {
        const bool expected = (code >= '0' && code <= '9') || code == '.' || code == '-' || code == 8;
        EXPECT_EQ(numeric_entry_accepts(code), expected) << code;
    }
    EXPECT_FALSE(numeric_entry_accepts(0x10030));  // a digit in the low word is not a digit
}

TEST(EditorShell, StartsOnTheStoredCreatureAndEscapeStoresTheCurrentOne) {
    TempDir folder;
    test::make_data_folder(folder, 0, 7);
    {
        EditorHarness editor(folder.str());
        EXPECT_EQ(editor.state().current, 7);
        EXPECT_EQ(editor.form().selected_item(300), 7);
        EXPECT_EQ(editor.form().item_count(300), 1000);

        editor.choose(300, 250);
        EXPECT_EQ(editor.state().current, 250);
        EXPECT_EQ(editor.form().get_text(300, 64), editor.form().item_text(300, 250).value_or("?"));

        // One arrow-key step in the list is a selection change too.
        editor.choose_by_key(300, true);
        EXPECT_EQ(editor.state().current, 251);
        EXPECT_EQ(editor.form().selected_item(300), 251);

        EXPECT_FALSE(editor.closed());
        editor.escape();
        EXPECT_TRUE(editor.closed());
        EXPECT_TRUE(editor.take_errors().empty());
    }
    EXPECT_EQ(folder.read("Lang"), test::settings_bytes(0, 251));
}

TEST(EditorShell, CloseButtonJumpButtonAndEnterKey) {
    TempDir folder;
    test::make_data_folder(folder, 0, 0);
    folder.write("Lang", std::string("\x07\xE7\x03", 3));  // unknown language kept as it is
    {
        EditorHarness editor(folder.str());
        EXPECT_EQ(editor.state().current, 999);
        editor.choose(301, 12);
        EXPECT_EQ(editor.state().current, 999) << "a choice in list 301 alone changes nothing";
        editor.click(2101);
        EXPECT_EQ(editor.state().current, 11);
        EXPECT_EQ(editor.form().selected_item(300), 11);
        editor.choose(301, 0);
        editor.click(2101);
        EXPECT_EQ(editor.state().current, 11) << "the none entry jumps nowhere";

        editor.menu(1);  // the Enter key's command
        EXPECT_FALSE(editor.closed());
        // Choosing the none entry of list 301 changed creature 11: closing asks (answered No).
        editor.close_button();
        EXPECT_EQ(editor.take_questions().size(), 1u);
        EXPECT_TRUE(editor.closed());
    }
    EXPECT_EQ(folder.read("Lang"), std::string("\x07\x0B\x00", 3));
}

// Every way the dialog closes goes through the question when something is
// unsaved: Escape in the multi-line Ability text (which the edit turns into
// WM_CLOSE), Escape after a drop-down list has closed, the close box, Alt+F4.
TEST(EditorShell, ClosingWithUnsavedChangesAsksWhicheverWayItCloses) {
    const auto escape_in_ability = [](EditorHarness& e) {
        SetFocus(e.form().control(5001));
        e.escape();
    };
    const auto escape_after_drop_down = [](EditorHarness& e) {
        HWND list = e.form().control(302);
        SetFocus(list);
        SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
        test::pump(e.dialog());
        e.escape();  // closes the list
        e.escape();  // closes the dialog
    };
    const auto alt_f4 = [](EditorHarness& e) {
        SendMessageW(e.dialog(), WM_SYSKEYDOWN, VK_F4, 0x20000001);
        SendMessageW(e.dialog(), WM_SYSKEYUP, VK_F4, 0xE0000001);
        test::pump(e.dialog());
    };
    const auto close_box = [](EditorHarness& e) { e.close_button(); };
    const std::pair<const char*, std::function<void(EditorHarness&)>> ways[] = {
        {"Escape in the Ability text", escape_in_ability},
        {"Escape after a drop-down list", escape_after_drop_down},
        {"Alt+F4", alt_f4},
        {"the close box", close_box}};
    for (const auto& [name, close] : ways) {
        SCOPED_TRACE(name);
        TempDir folder;
        test::make_data_folder(folder, 0, 7);
        const std::string defense = folder.read("DefenseBonus.vrh");
        EditorHarness editor(folder.str());
        editor.form().set_text(98, "42");
        editor.answer_questions(IDCANCEL);
        close(editor);
        EXPECT_EQ(editor.take_questions().size(), 1u);
        EXPECT_FALSE(editor.closed());
        editor.answer_questions(IDNO);
        close(editor);
        EXPECT_EQ(editor.take_questions().size(), 1u);
        EXPECT_TRUE(editor.closed());
        EXPECT_EQ(folder.read("DefenseBonus.vrh"), defense);
    }
}

// A Save refused for a value it cannot store puts the focus on that field.
TEST(EditorShell, ARefusedValueGetsTheFocus) {
    TempDir folder;
    test::make_data_folder(folder, 0, 7);
    EditorHarness editor(folder.str());
    SetFocus(editor.form().control(5001));
    editor.form().set_text(98, "300");
    editor.click(2100);
    const std::vector<std::string> errors = editor.take_errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("300 is outside 0..255"), std::string::npos) << errors[0];
    EXPECT_EQ(GetFocus(), editor.form().control(98));
}

TEST(EditorShell, LanguageRadioButtonsRewriteTheSettingAndTheTexts) {
    TempDir folder;
    test::make_data_folder(folder, 0, 3);
    EditorHarness editor(folder.str());
    EXPECT_EQ(editor.form().code_page(), CodePage::Western1252);
    EXPECT_EQ(editor.form().item_text(300, 3).value_or(""), test::creature_name(0, 3));

    editor.click(2002);
    EXPECT_EQ(folder.read("Lang")[0], '\x01');
    EXPECT_EQ(editor.form().code_page(), CodePage::Cyrillic1251);
    EXPECT_EQ(editor.form().item_text(300, 3).value_or(""), test::creature_name(1, 3));
    // Shown in Cyrillic on the screen.
    wchar_t shown[64] = {};
    GetWindowTextW(editor.form().control(300), shown, 64);
    EXPECT_EQ(std::wstring(shown).substr(0, 1), L"\u0417");  // the first letter of creature_name(1, 3)

    editor.click(2001);
    EXPECT_EQ(folder.read("Lang")[0], '\x00');
    EXPECT_EQ(editor.form().item_text(300, 3).value_or(""), test::creature_name(0, 3));
    EXPECT_TRUE(editor.take_errors().empty());
}

TEST(EditorShell, CopyAllStatesOpensTheLanguageListAndChangesNothingElse) {
    TempDir folder;
    test::make_data_folder(folder, 0, 5);
    EditorHarness editor(folder.str());
    editor.choose(300, 9);
    const std::string header = editor.state().header_format;
    const std::string caption = editor.form().get_text(2003, 200);

    editor.menu(10000);
    EXPECT_EQ(editor.take_language_lists(), 1);
    EXPECT_TRUE(editor.state().copied);
    EXPECT_EQ(editor.state().current, 9);
    EXPECT_EQ(editor.state().header_format, header);
    EXPECT_EQ(editor.form().get_text(2003, 200), caption);
    EXPECT_FALSE(editor.closed());

    editor.menu(10001);
    editor.menu(10002);
    EXPECT_EQ(editor.take_language_lists(), 0);
    EXPECT_EQ(editor.state().current, 9);
    EXPECT_TRUE(editor.take_errors().empty());
}

TEST(LanguageList, OkAndEscapeCloseIt) {
    for (bool escape : {false, true}) {
        test::ModalCloser closer(escape);
        run_language_list(nullptr);  // returns only once closed
        EXPECT_EQ(closer.take_language_lists(), 1) << escape;
    }
}

TEST(EditorShell, FaultsAreReportedInOneMessageBoxTitledWithTheEditorsTitle) {
    TempDir folder;
    test::make_data_folder(folder, 0, 4);
    EditorHarness editor(folder.str());
    ASSERT_EQ(std::remove(folder.file("MonstersSetup.vrh").c_str()), 0);
    editor.choose(300, 8);
    const auto errors = editor.take_errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("MonstersSetup.vrh"), std::string::npos) << errors[0];
    EXPECT_EQ(editor.take_error_titles(), std::vector<std::string>{editor_frame().title});
    EXPECT_EQ(editor.state().current, 4) << "a refused show keeps the current creature";
    EXPECT_FALSE(editor.closed());
}

TEST(EditorShell, IconIsSetAndPaintingRuns) {
    TempDir folder;
    test::make_data_folder(folder);
    EditorHarness editor(folder.str());
    const bool has_icon = FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(500), reinterpret_cast<LPCWSTR>(RT_GROUP_ICON)) != nullptr;
    const LRESULT icon = SendMessageW(editor.dialog(), WM_GETICON, ICON_BIG, 0);
    if (has_icon) {
        EXPECT_NE(icon, 0);
    }
    for (int i = 0; i < 5; ++i) editor.paint();
    EXPECT_TRUE(editor.take_errors().empty());
}

// File steps that fail by throwing, as a broken lower layer might.
class ThrowingFileOps : public test::ForwardingOps {
public:
    Status before(Step, const std::string&) override { throw std::runtime_error("the disk is on fire"); }
};

TEST(EditorShell, ExceptionsStopAtTheDialogProcedureAndAreReported) {
    TempDir folder;
    test::make_data_folder(folder, 0, 6);
    EditorHarness editor(folder.str());
    ThrowingFileOps throwing;
    editor.state().files = &throwing;
    editor.escape();
    const auto errors = editor.take_errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("the disk is on fire"), std::string::npos) << errors[0];
    EXPECT_EQ(editor.take_error_titles(), std::vector<std::string>{editor_frame().title});
    EXPECT_FALSE(editor.closed()) << "the close did not finish";
    EXPECT_EQ(folder.read("Lang"), test::settings_bytes(0, 6));

    editor.state().files = nullptr;
    editor.choose(300, 2);
    editor.escape();
    EXPECT_TRUE(editor.closed());
    EXPECT_EQ(folder.read("Lang"), test::settings_bytes(0, 2));
}

TEST(RunEditor, MissingFilesGiveOneMessageAndExitCodeTwo) {
    TempDir folder;
    folder.write("Lang", test::settings_bytes(0, 0));
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.str().c_str()));
    test::ModalCloser closer;
    const int code = run_editor();
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(code, 2);
    const auto messages = closer.take_messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(L"MonstersSetup.vrh"), std::wstring::npos);
    EXPECT_NE(messages[0].find(L"DefenseBonus.vrh"), std::wstring::npos);
    EXPECT_EQ(closer.take_titles(), std::vector<std::wstring>{ansi_to_wide(editor_frame().title)});
}

}  // namespace
}  // namespace ce
