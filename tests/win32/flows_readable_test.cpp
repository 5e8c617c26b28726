// Values readable in their fields on the real dialog: every value of a number
// field's range shows whole wherever the dialog's own font has room for it,
// whatever font stands in for it (Wine without its own fonts takes a TrueType
// face, which gave the edits margins that cut "161" to "16"); and a value too
// wide for its field shows from its start once the focus has passed through.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "flow_fixture.h"
#include "store/value_text.h"

namespace ce {
namespace {

using test::EditorHarness;

class ReadableFlow : public flow::SharedFolderTest<ReadableFlow> {};

// The width of a value's text in the dialog's own font, MS Sans Serif 8 at 96
// dots per inch (a bitmap font: every digit 6 pixels, '-' and '.' 3), which
// leaves no margins in an edit.
int design_width(const std::string& text) {
    int width = 0;
    for (char c : text) width += c == '-' || c == '.' ? 3 : 6;
    return width;
}

// The edits that show float texts (cut to five characters).
std::set<int> float_edits() {
    std::set<int> out;
    for (const DataFileInfo& info : data_files()) {
        for (const BindingRow& row : binding_rows(info.id)) {
            if (row.kind == Conversion::Float || row.kind == Conversion::Scaled) out.insert(row.control);
        }
    }
    return out;
}

// The widest texts of a field's range: its ends, and for a float field the
// values next to them (four digits and a point fill the five characters).
std::vector<std::string> widest_texts(const LimitRow& row, bool is_float) {
    if (!is_float) return {std::to_string(row.low), std::to_string(row.high)};
    std::vector<std::string> out;
    for (double v : {row.low * 1.0, row.high * 1.0, row.low + 0.01, row.high - 0.01}) {
        out.push_back(float_text(static_cast<float>(v)));
    }
    return out;
}

// Where an edit shows its text: the box it draws text in, and the text's
// left and right ends.
struct Placed {
    RECT box;
    int left, right;
};
Placed placed(HWND edit) {
    Placed p{};
    SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&p.box));
    const std::wstring text = flow::shown_text(edit);
    HDC dc = GetDC(edit);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(edit, dc);
    p.left = static_cast<short>(LOWORD(SendMessageW(edit, EM_POSFROMCHAR, 0, 0)));
    p.right = p.left + size.cx;
    return p;
}
bool shows_whole(HWND edit) {
    const Placed p = placed(edit);
    return p.left >= p.box.left && p.right <= p.box.right;
}

TEST_F(ReadableFlow, EveryValueOfAFieldsRangeShowsWholeWhereTheDialogsFontHasRoom) {
    EditorHarness editor(root());
    Win32Form& form = editor.form();
    const std::set<int> floats = float_edits();
    int checked = 0;
    std::vector<std::string> cut;
    for (const LimitRow& row : limit_rows()) {
        HWND edit = form.control(row.edit);
        if (edit == nullptr || row.spin < 0) continue;
        RECT client;
        GetClientRect(edit, &client);
        const int room = client.right - 2;  // an edit keeps a pixel free beside its sunken edge
        for (const std::string& text : widest_texts(row, floats.count(row.edit) != 0)) {
            if (design_width(text) > room) continue;
            form.set_text(row.edit, text);
            ++checked;
            if (!shows_whole(edit)) {
                const Placed p = placed(edit);
                cut.push_back(std::to_string(row.edit) + " \"" + text + "\": text " + std::to_string(p.left) +
                              ".." + std::to_string(p.right) + ", box " + std::to_string(p.box.left) + ".." +
                              std::to_string(p.box.right));
            }
        }
    }
    EXPECT_GT(checked, 100);
    std::string list;
    for (const std::string& one : cut) list += "\n  " + one;
    EXPECT_TRUE(cut.empty()) << cut.size() << " values cut:" << list;
    EXPECT_TRUE(editor.take_errors().empty());
}

// The values: each reads whole where it is shown, also after Tab has
// passed through its field; a value wider than its field (the number block
// shows what the file holds, up to ten digits) shows its start again once the
// focus has left.
TEST_F(ReadableFlow, AFieldTheFocusHasLeftShowsItsValueFromTheStart) {
    EditorHarness editor(root());
    Win32Form& form = editor.form();
    HWND dialog = editor.dialog();
    auto tab = [&] {
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
        PostMessageW(GetFocus(), WM_KEYUP, VK_TAB, 0xC0000001);
        test::pump(dialog);
    };
    const struct {
        int id;
        const char* text;
        bool fits;
    } cases[] = {{70, "161", false}, {91, "-22", true},  {77, "201420", true},
                 {5002, "74.00", true}, {70, "99", true}, {70, "4294967295", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + " \"" + c.text + "\"");
        HWND edit = form.control(c.id);
        ASSERT_NE(edit, nullptr);
        form.set_text(c.id, c.text);
        EXPECT_TRUE(!c.fits || shows_whole(edit)) << "shown";
        SetFocus(GetNextDlgTabItem(dialog, edit, TRUE));
        tab();
        ASSERT_EQ(GetFocus(), edit);
        EXPECT_TRUE(!c.fits || shows_whole(edit)) << "with the focus";
        tab();
        ASSERT_NE(GetFocus(), edit);
        const Placed p = placed(edit);
        EXPECT_GE(p.left, p.box.left) << "its start, after the focus has left";
        EXPECT_TRUE(!c.fits || shows_whole(edit)) << "after the focus has left";
    }
    EXPECT_TRUE(editor.take_errors().empty());
}

}  // namespace
}  // namespace ce
