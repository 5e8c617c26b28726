// The real dialog in a Russian session: its boxes (read back from the screen)
// say Russian words with Russian buttons under a Russian title, the frame and
// the menu follow the language, and a key held down in list 300 stops at the
// question that moving on asks. The flows themselves are the model's
// (tests/editor/moving_on_test.cpp, words_test.cpp).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "editor/english_words.h"
#include "flow_fixture.h"
#include "form/catalogue.h"
#include "form/controls.h"
#include "text/code_page.h"
#include "text/language.h"

namespace ce {
namespace {

using test::EditorHarness;

std::string utf8(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) append_utf8(out, static_cast<char32_t>(c));
    return out;
}

std::wstring wide(const char* utf8_text) {
    std::wstring out;
    const std::string_view text(utf8_text);
    for (std::size_t pos = 0; pos < text.size();) out.push_back(static_cast<wchar_t>(next_utf8(text, pos).value_or(U'?')));
    return out;
}

std::wstring menu_text(HWND dialog, int position) {
    wchar_t text[128] = {};
    GetMenuStringW(GetMenu(dialog), static_cast<UINT>(position), text, 128, MF_BYPOSITION);
    return text;
}

class WordsFlow : public flow::SharedFolderTest<WordsFlow> {
protected:
    // Replaces an edit's text as the user does: backspaces, then the text.
    static void retype(EditorHarness& editor, int id, const std::string& text) {
        editor.type(id, std::string(flow::shown_text(editor.form().control(id)).size(), '\b') + text);
    }
};

TEST_F(WordsFlow, ARussianSessionsRefusalAndCloseQuestionAreRussian) {
    folder().write_settings(1, 5);
    EditorHarness editor(root());
    HWND dialog = editor.dialog();
    EXPECT_EQ(flow::shown_text(dialog), wide("Quelmarn - редактор существ (издание Tirrowe)"));
    EXPECT_EQ(menu_text(dialog, 0), wide("Копировать все состояния"));
    EXPECT_EQ(menu_text(dialog, 2), wide("Вставить CrAnim"));

    retype(editor, 98, "300");
    editor.click(2100);
    const std::vector<std::wstring> refusals = editor.boxes().take_messages();
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_EQ(refusals[0], wide("Существо 5 не сохранено: эти значения нельзя записать:\n    ") +
                               flow::shown_text(editor.form().control(2095)) +
                               wide(": 300 не входит в пределы от 0 до 255\n\nНичего не записано."));

    editor.answer_questions(IDCANCEL);
    editor.escape();
    EXPECT_FALSE(editor.closed());
    EXPECT_EQ(editor.boxes().take_questions(),
              std::vector<std::wstring>{wide("Изменения существа 5 не сохранены. Сохранить их перед закрытием?")});
    // Both boxes under the Russian title, with Russian buttons.
    const std::vector<std::wstring> boxes = editor.boxes().take_box_words();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].substr(0, boxes[0].find(L'\n')), wide("Quelmarn - редактор существ (издание Tirrowe)"));
    EXPECT_NE(boxes[0].find(wide("\nОК")), std::wstring::npos) << utf8(boxes[0]);
    EXPECT_NE(boxes[1].find(wide("\n&Да\n&Нет\nОтмена")), std::wstring::npos) << utf8(boxes[1]);

    // Back in English (the change dropped): the frame and the menu as the template has them.
    editor.answer_questions(IDNO);
    editor.click(2001);
    EXPECT_EQ(flow::shown_text(dialog), wide(editor_frame().title));
    for (std::size_t i = 0; i < editor_menu().size(); ++i)
        EXPECT_EQ(menu_text(dialog, static_cast<int>(i)), wide(editor_menu()[i].text));
    retype(editor, 98, "300");
    editor.click(2100);
    const std::vector<std::wstring> english = editor.boxes().take_box_words();
    ASSERT_EQ(english.size(), 2u);  // the question of the switch, the refusal
    EXPECT_NE(english[1].find(L"Creature 5 was not saved: these values cannot be stored:"), std::wstring::npos);
    EXPECT_EQ(english[1].substr(0, english[1].find(L'\n')), wide(editor_frame().title));
}

TEST_F(WordsFlow, NoBoxOfARussianSessionHoldsAnEnglishSentence) {
    folder().write_settings(1, 5);
    const flow::Bytes plural = folder().read(TextKind::Plural, 1);
    {
        EditorHarness editor(root());
        editor.answer_questions(IDCANCEL);
        retype(editor, 98, "300");
        editor.click(2100);                       // refused
        editor.choose(300, 9);                    // moving on: asked, stays
        editor.choose(301, 3);
        editor.click(2101);
        editor.choose_by_key(300, true);
        editor.click(2001);
        editor.escape();                          // closing: asked, stays
        editor.menu(ctl::kCopyAllStates);         // the language list form
        retype(editor, 98, "7");
        retype(editor, 5000, "Typed");            // another program's change meets it
        std::vector<std::string> lines = fixture::lines_of(folder().text(TextKind::Plural, 1));
        lines.at(5) = *encode_code_page("Чужое", 1);
        fixture::write_text(folder().path(TextKind::Plural, 1), fixture::join_lines(lines));
        editor.click(2100);
        EXPECT_EQ(editor.state().current, 5);

        const std::vector<std::wstring> boxes = editor.boxes().take_box_words();
        EXPECT_EQ(boxes.size(), 7u);
        for (const std::wstring& box : boxes) {
            EXPECT_EQ(test::english_sentence(utf8(box)), "") << utf8(box);
            EXPECT_NE(box.find(wide("редактор существ")), std::wstring::npos) << utf8(box);
        }
        EXPECT_EQ(editor.take_language_lists(), 1);
    }
    fixture::write_bytes(folder().path(TextKind::Plural, 1), plural);
}

// The texts of the language list form when it opens: label 1002, name 1252, OK.
struct ListReader {
    static inline std::vector<std::wstring> texts;
    static LRESULT CALLBACK proc(int code, WPARAM wparam, LPARAM lparam) {
        if (code == HCBT_ACTIVATE) {
            HWND hwnd = reinterpret_cast<HWND>(wparam);
            if (GetDlgItem(hwnd, 1000) != nullptr) {
                texts = {flow::shown_text(GetDlgItem(hwnd, 1002)), flow::shown_text(GetDlgItem(hwnd, 1252)),
                         flow::shown_text(GetDlgItem(hwnd, IDOK))};
            }
        }
        return CallNextHookEx(nullptr, code, wparam, lparam);
    }
};

// The language list form speaks the session's language too.
TEST_F(WordsFlow, TheLanguageListFormSpeaksTheSessionsLanguage) {
    for (const int language : {0, 1}) {
        ListReader::texts.clear();
        test::ModalCloser closer;
        HHOOK hook = SetWindowsHookExW(WH_CBT, ListReader::proc, nullptr, GetCurrentThreadId());
        run_language_list(nullptr, language);
        UnhookWindowsHookEx(hook);
        EXPECT_EQ(closer.take_language_lists(), 1);
        if (language == 0) {
            EXPECT_EQ(ListReader::texts, (std::vector<std::wstring>{L"Russian : ", L"Russian", L"OK"}));
        } else {
            EXPECT_EQ(ListReader::texts, (std::vector<std::wstring>{wide("Русский : "), wide("Русский"), wide("ОК")}));
        }
    }
}

// A key held down in list 300 meets the question of moving on at its first
// step; the repeats queued behind it, delivered while the box is open and
// after it has closed, move nothing until the key is let go.
TEST_F(WordsFlow, AHeldKeyStopsAtTheQuestion) {
    folder().write_settings(0, 10);
    EditorHarness editor(root());
    HWND dialog = editor.dialog();
    SetFocus(editor.form().control(300));
    HWND field = GetFocus();
    auto pump_all = [&] {
        for (int wait = 0; wait < 200; ++wait) {
            test::pump(dialog);
            if (!editor.state().choice_pending && GetQueueStatus(QS_ALLINPUT) == 0) break;
            Sleep(5);
        }
    };
    auto hold = [&](int repeats, bool fresh) {
        if (fresh) PostMessageW(field, WM_KEYDOWN, VK_DOWN, 1);
        for (int i = 0; i < repeats; ++i) PostMessageW(field, WM_KEYDOWN, VK_DOWN, 0x40000001);
        pump_all();
    };

    retype(editor, 98, "1");
    for (const int answer : {IDCANCEL, IDNO}) {
        SCOPED_TRACE(answer == IDCANCEL ? "Cancel" : "No");
        const int from = editor.state().current;
        editor.answer_questions(answer);
        hold(12, true);
        EXPECT_EQ(editor.boxes().take_questions().size(), 1u);
        const int at = answer == IDCANCEL ? from : from + 1;
        EXPECT_EQ(editor.state().current, at);
        EXPECT_EQ(editor.form().selected_item(300), at);
        // Still held: more repeats do nothing either.
        hold(5, false);
        EXPECT_EQ(editor.state().current, at);
        EXPECT_TRUE(editor.boxes().take_questions().empty());
        PostMessageW(field, WM_KEYUP, VK_DOWN, 0xC0000001);
        pump_all();
        if (answer == IDCANCEL) {
            // Let go and pressed again: asked again, as the change is still there.
            hold(0, true);
            EXPECT_EQ(editor.boxes().take_questions().size(), 1u);
            EXPECT_EQ(editor.state().current, from);
            PostMessageW(field, WM_KEYUP, VK_DOWN, 0xC0000001);
            pump_all();
        }
    }
    // Nothing left unsaved: a held key runs on as ever.
    const int from = editor.state().current;
    hold(6, true);
    PostMessageW(field, WM_KEYUP, VK_DOWN, 0xC0000001);
    pump_all();
    EXPECT_EQ(editor.state().current, from + 7);
    EXPECT_TRUE(editor.boxes().take_questions().empty());
    EXPECT_TRUE(editor.take_errors().empty());
}

// The same with the keyboard's own input (hardware messages rather than
// posted ones): the repeats queue behind the key that meets the question,
// and none of them moves on past it.
TEST_F(WordsFlow, TheKeyboardsRepeatsStopAtTheQuestion) {
    folder().write_settings(0, 10);
    EditorHarness editor(root());
    HWND dialog = editor.dialog();
    SetForegroundWindow(dialog);
    SetFocus(editor.form().control(300));
    if (GetForegroundWindow() != dialog) GTEST_SKIP() << "the display gives this program no keyboard input";
    auto pump_all = [&] {
        for (int wait = 0; wait < 200; ++wait) {
            test::pump(dialog);
            if (!editor.state().choice_pending && GetQueueStatus(QS_ALLINPUT) == 0) break;
            Sleep(5);
        }
    };
    auto keys = [](int presses, bool release) {
        std::vector<INPUT> inputs(static_cast<std::size_t>(presses) + (release ? 1 : 0));
        for (INPUT& input : inputs) {
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = VK_DOWN;
        }
        if (release) inputs.back().ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    };

    // Nothing changed: the keyboard reaches the list at all.
    keys(1, true);
    pump_all();
    if (editor.state().current != 11) GTEST_SKIP() << "the keyboard's input does not reach the editor here";

    retype(editor, 98, "1");
    editor.answer_questions(IDCANCEL);
    SetFocus(editor.form().control(300));
    keys(10, false);
    pump_all();
    EXPECT_EQ(editor.boxes().take_questions().size(), 1u);
    EXPECT_EQ(editor.state().current, 11);
    EXPECT_EQ(editor.form().selected_item(300), 11);
    keys(0, true);
    pump_all();
    EXPECT_EQ(editor.state().current, 11);
    EXPECT_TRUE(editor.take_errors().empty());
}

}  // namespace
}  // namespace ce
