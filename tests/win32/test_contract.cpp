// The form contract on the real dialog: the editor form made from the same
// template, driven with real input, its commands recorded by a dialog
// procedure of the test's own.
#include <windows.h>

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

}  // namespace
}  // namespace ce

CE_INSTANTIATE_FORM_CONTRACT(Win32Dialog, [] { return std::unique_ptr<ce::ContractBackend>(new ce::DialogBackend()); });
