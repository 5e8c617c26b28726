// The form contract on the real dialog: the editor form made from the same
// template, driven with real input, its commands recorded by a dialog
// procedure of the test's own.
#include <windows.h>

#include <string>

#include "contract/form_contract.h"
#include "win32_support.h"

namespace ce {
namespace {

class DialogBackend : public ContractBackend {
public:
    DialogBackend() : dialog_(test::create_editor_window(record, reinterpret_cast<LPARAM>(this))), form_(dialog_) {}
    ~DialogBackend() override { DestroyWindow(dialog_); test::pump(nullptr); }

    Form& form() override { return form_; }
    void click(int id) override { test::click(dialog_, form_, id); }
    void type(int id, std::string_view chars) override { test::type(dialog_, form_, id, chars); }
    void spin(int spin_id, int steps) override { test::spin(dialog_, form_, spin_id, steps); }
    void choose(int id, int index) override { test::choose(dialog_, form_, id, index); }
    std::vector<std::uint32_t> take_commands() override {
        test::pump(dialog_);
        return std::exchange(commands_, {});
    }
    int take_beeps() override { return test::take_beep_count(); }
    void in_one_event(const std::function<void()>& action) override {
        form_.begin_update();
        action();
        form_.end_update();
        test::pump(dialog_);  // and the paint it leaves
    }
    std::string text_at(int id, int occurrence) override {
        HWND control = test::nth_control(dialog_, id, occurrence);
        if (control == nullptr) return {};
        wchar_t text[1024] = {};
        GetWindowTextW(control, text, 1024);
        const std::u16string units(text, text + lstrlenW(text));
        return utf16_to_bytes(form_.code_page(), units);
    }

private:
    static INT_PTR CALLBACK record(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lparam);
            return FALSE;
        }
        if (message == WM_COMMAND) {
            if (auto* self = reinterpret_cast<DialogBackend*>(GetWindowLongPtrW(dialog, DWLP_USER))) {
                self->commands_.push_back(static_cast<std::uint32_t>(wparam));
            }
        }
        return FALSE;
    }

    std::vector<std::uint32_t> commands_;
    HWND dialog_;
    Win32Form form_;
};

std::wstring shown(HWND control) {
    wchar_t text[64] = {};
    GetWindowTextW(control, text, 64);
    return text;
}

// The form keeps the text of a one-line edit from what it last set or read, so
// a change it did not make must reach it: another program's WM_SETTEXT, an
// edit command, another form on the same dialog; the multi-line edit does not
// tell of a WM_SETTEXT and is read each time.
TEST(Win32FormTexts, TextsChangedBehindTheFormsBackAreReadAndSetAgain) {
    DialogBackend backend;
    auto& form = static_cast<Win32Form&>(backend.form());
    HWND edit = form.control(121);
    form.set_text(121, "abc");
    SetWindowTextW(edit, L"xyz");
    EXPECT_EQ(form.get_text(121, 100), "xyz");
    form.set_text(121, "abc");
    EXPECT_EQ(shown(edit), L"abc");
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_CLEAR, 0, 0);
    EXPECT_EQ(form.get_text(121, 100), "");
    form.set_text(121, "abc");
    EXPECT_EQ(shown(edit), L"abc");

    form.set_text(5001, "one");
    SetWindowTextW(form.control(5001), L"two");
    EXPECT_EQ(form.get_text(5001, 100), "two");
    form.set_text(5001, "one");
    EXPECT_EQ(shown(form.control(5001)), L"one");

    {
        Win32Form second(form.dialog());
        second.set_text(121, "set by the second");
        EXPECT_EQ(form.get_text(121, 100), "set by the second");
        form.set_text(121, "abc");
        EXPECT_EQ(second.get_text(121, 100), "abc");
    }
    // The first form still watches the dialog once the second is gone.
    SetWindowTextW(edit, L"after");
    EXPECT_EQ(form.get_text(121, 100), "after");
}

}  // namespace
}  // namespace ce

CE_INSTANTIATE_FORM_CONTRACT(Win32Dialog, [] { return std::unique_ptr<ce::ContractBackend>(new ce::DialogBackend()); });
