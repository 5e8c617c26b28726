// Drives the real editor end to end in this process: the editor dialog from
// template 37 with editor_dialog_proc (the real routing) on a data folder,
// which is the process's current directory while the harness lives.
//
//   ce::test::EditorHarness editor(folder.str());
//   editor.choose(300, 250);
//   EXPECT_EQ(editor.form().get_text(304, 16), "...");
//   editor.escape();   // the close sequence stores the creature index
//
// Message boxes (errors) and the language list form are closed automatically
// and recorded; read them with take_errors() and take_language_lists().
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/editor_shell.h"
#include "picture/draw_win32.h"
#include "win32_support.h"

namespace ce::test {

class EditorHarness {
public:
    explicit EditorHarness(const std::string& folder);
    ~EditorHarness();
    EditorHarness(const EditorHarness&) = delete;
    EditorHarness& operator=(const EditorHarness&) = delete;

    HWND dialog() const { return dialog_; }
    Win32Form& form() { return *session_.form; }
    EditorState& state() { return session_.state; }

    // The user's actions; each runs the messages it causes before returning.
    void click(int id);                         // push button, check box, radio button
    void type(int id, std::string_view chars);  // typed at the end of an edit
    void choose(int id, int index);             // a list entry chosen by the user
    void choose_by_key(int id, bool down);      // one arrow-key step in a list
    void spin(int spin_id, int steps);          // arrow keys in the buddy
    void menu(int id);                          // a command of the menu bar
    void escape();                              // the Escape key
    void close_button();                        // the caption's close button
    void paint();                               // a full repaint, now

    // True once the editor form has ended (after the close sequence).
    bool closed() const { return !IsWindow(dialog_) || !IsWindowVisible(dialog_); }

    // Texts of the message boxes the editor showed (and that were closed).
    std::vector<std::string> take_errors();
    std::vector<std::string> take_error_titles();
    int take_language_lists() { return closer_.take_language_lists(); }
    // Questions the editor asked (answered No unless answer_questions says otherwise).
    std::vector<std::string> take_questions();
    void answer_questions(int button) { closer_.answer_questions(button); }
    // The boxes as the screen shows them (UTF-16), messages and questions.
    ModalCloser& boxes() { return closer_; }
    int take_beeps() { return take_beep_count(); }

private:
    std::string previous_directory_;
    OleSession ole_;  // the portrait decoder's, as run_editor holds one
    ModalCloser closer_;
    EditorSession session_;
    HWND dialog_ = nullptr;
};

}  // namespace ce::test
