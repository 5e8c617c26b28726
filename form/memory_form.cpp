// The headless form. Where the dialog manager's behaviour matters to the
// editor (absent controls, shared identifiers, two-state check boxes, the edit
// field of drop-down 300, spins, typing), this follows what the Windows
// controls do, so that flows tested here behave the same on the real dialog.
#include "form/memory_form.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "form/controls.h"

namespace ce {

MemoryForm::MemoryForm(std::span<const Control> controls, std::span<const MenuItem> menu) : menu_(menu) {
    controls_.reserve(controls.size());
    int max_id = -1;
    for (const Control& c : controls) {
        State s;
        s.def = &c;
        s.text = c.text;
        controls_.push_back(std::move(s));
        max_id = std::max(max_id, c.id);
    }
    first_by_id_.assign(static_cast<std::size_t>(max_id + 1), -1);
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const int id = controls_[i].def->id;
        if (id < 0) continue;
        int& slot = first_by_id_[static_cast<std::size_t>(id)];
        // A shared identifier names the first of its controls in template order.
        if (slot < 0) slot = static_cast<int>(i);
    }
}

MemoryForm::State* MemoryForm::find(int id) {
    return const_cast<State*>(static_cast<const MemoryForm*>(this)->find(id));
}

const MemoryForm::State* MemoryForm::find(int id) const {
    if (id < 0 || static_cast<std::size_t>(id) >= first_by_id_.size()) return nullptr;
    const int index = first_by_id_[static_cast<std::size_t>(id)];
    return index < 0 ? nullptr : &controls_[static_cast<std::size_t>(index)];
}

bool MemoryForm::is_list(const State& s) const {
    return s.def->kind == Kind::ComboEdit || s.def->kind == Kind::ComboList || s.def->kind == Kind::ListBox;
}

bool MemoryForm::is_edit(const State& s) const {
    switch (s.def->kind) {
    case Kind::TextEdit:
    case Kind::NumberEdit:
    case Kind::NewEdit:
    case Kind::MultiLineEdit:
        return true;
    default:
        return false;
    }
}

void MemoryForm::raise(std::uint32_t wparam) {
    if (sink_) sink_(wparam);
}

// --- control operations ---------------------------------------------------------

void MemoryForm::set_text(int id, std::string_view text) {
    State* s = find(id);
    // A drop-down list has no text of its own to set: it shows its selection.
    if (!s || s->def->kind == Kind::ComboList) return;
    s->text.assign(text);
}

std::string MemoryForm::get_text(int id, int capacity) const {
    const State* s = find(id);
    if (!s || capacity <= 0) return {};
    std::string_view text = s->text;
    if (s->def->kind == Kind::ComboList) {
        if (s->selected < 0) return {};
        text = s->items[static_cast<std::size_t>(s->selected)];
    }
    return std::string(text.substr(0, static_cast<std::size_t>(capacity - 1)));
}

void MemoryForm::set_check(int id, int state) {
    State* s = find(id);
    if (!s || (s->def->kind != Kind::CheckBox && s->def->kind != Kind::RadioButton)) return;
    s->checked = state != 0;  // both kinds have two states
}

int MemoryForm::get_check(int id) const {
    const State* s = find(id);
    return s && s->checked ? 1 : 0;
}

void MemoryForm::check_radio(int first, int last, int id) {
    for (State& s : controls_) {
        if (s.def->kind != Kind::RadioButton) continue;
        if (s.def->id < first || s.def->id > last) continue;
        s.checked = s.def->id == id;
    }
}

void MemoryForm::select_item(int id, int index) {
    State* s = find(id);
    if (!s || !is_list(*s)) return;
    const bool valid = index >= 0 && static_cast<std::size_t>(index) < s->items.size();
    s->selected = valid ? index : -1;
    if (s->def->kind == Kind::ComboEdit) s->text = valid ? s->items[static_cast<std::size_t>(index)] : std::string();
}

int MemoryForm::selected_item(int id) const {
    const State* s = find(id);
    if (!s || !is_list(*s)) return 0;
    return s->selected;
}

void MemoryForm::clear_items(int id) {
    State* s = find(id);
    if (!s || !is_list(*s)) return;
    s->items.clear();
    s->selected = -1;
    if (s->def->kind == Kind::ComboEdit) s->text.clear();
}

int MemoryForm::add_item(int id, std::string_view text) {
    State* s = find(id);
    if (!s || !is_list(*s)) return -1;
    s->items.emplace_back(text);
    return static_cast<int>(s->items.size()) - 1;
}

int MemoryForm::insert_item(int id, int index, std::string_view text) {
    State* s = find(id);
    if (!s || !is_list(*s)) return -1;
    const int count = static_cast<int>(s->items.size());
    if (index == -1) index = count;  // as CB_INSERTSTRING: -1 appends
    if (index < 0 || index > count) return -1;
    s->items.insert(s->items.begin() + index, std::string(text));
    if (s->selected >= index) ++s->selected;
    return index;
}

void MemoryForm::delete_item(int id, int index) {
    State* s = find(id);
    if (!s || !is_list(*s)) return;
    if (index < 0 || static_cast<std::size_t>(index) >= s->items.size()) return;
    s->items.erase(s->items.begin() + index);
    if (s->selected == index)
        s->selected = -1;
    else if (s->selected > index)
        --s->selected;
}

std::optional<std::string> MemoryForm::item_text(int id, int index) const {
    const State* s = find(id);
    if (!s || !is_list(*s)) return std::nullopt;
    if (index < 0 || static_cast<std::size_t>(index) >= s->items.size()) return std::nullopt;
    return s->items[static_cast<std::size_t>(index)];
}

void MemoryForm::set_enabled(int id, bool enabled) {
    if (State* s = find(id)) s->enabled = enabled;
}

void MemoryForm::set_text_limit(int id, int limit) {
    State* s = find(id);
    if (!s || !is_edit(*s)) return;
    // 0 (or a value read as a huge unsigned one) asks for the largest limit.
    s->limit = limit > 0 ? limit : -1;
}

void MemoryForm::set_spin_range(int spin_id, int low, int high) {
    State* s = find(spin_id);
    if (!s || s->def->kind != Kind::Spin) return;
    s->low = low;
    s->high = high;
}

int MemoryForm::item_count(int id) const {
    const State* s = find(id);
    return s && is_list(*s) ? static_cast<int>(s->items.size()) : 0;
}

bool MemoryForm::is_enabled(int id) const {
    const State* s = find(id);
    return s && s->enabled;
}

bool MemoryForm::has_control(int id) const { return find(id) != nullptr; }

// --- the user's actions -----------------------------------------------------------

void MemoryForm::click(int id) {
    std::size_t index = controls_.size();
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const Kind kind = controls_[i].def->kind;
        if (controls_[i].def->id == id &&
            (kind == Kind::PushButton || kind == Kind::CheckBox || kind == Kind::RadioButton)) {
            index = i;
            break;
        }
    }
    if (index == controls_.size()) return;
    State& s = controls_[index];
    if (!s.enabled) return;
    if (s.def->kind == Kind::CheckBox) {
        s.checked = !s.checked;
    } else if (s.def->kind == Kind::RadioButton) {
        // The group runs from the nearest group start at or before the button
        // up to the next group start.
        std::size_t start = index;
        while (start > 0 && !(controls_[start].def->kind == Kind::RadioButton &&
                              (controls_[start].def->flags & kGroupStart)))
            --start;
        for (std::size_t i = start; i < controls_.size(); ++i) {
            State& other = controls_[i];
            if (other.def->kind != Kind::RadioButton) continue;
            if (i != start && (other.def->flags & kGroupStart)) break;
            other.checked = i == index;
        }
    }
    raise(static_cast<std::uint32_t>(id) & 0xFFFFu);
}

void MemoryForm::type(int id, std::string_view chars) {
    State* s = find(id);
    if (!s || !s->enabled) return;
    if (!is_edit(*s) && s->def->kind != Kind::ComboEdit) return;
    for (char c : chars) {
        const std::string before = s->text;
        type_one(*s, static_cast<unsigned char>(c));
        // The edit field of 300 tells of each change of its text, as the
        // platform's editable drop-down does (CBN_EDITCHANGE).
        if (s->def->kind == Kind::ComboEdit && s->text != before)
            raise((static_cast<std::uint32_t>(ctl::kEditChange) << 16) | (static_cast<std::uint32_t>(id) & 0xFFFFu));
    }
}

void MemoryForm::type_one(State& s, unsigned char c) {
    const Kind kind = s.def->kind;
    if (kind == Kind::NewEdit) {
        // The numeric entry filter: digits, '.', '-' and backspace pass;
        // every other key beeps and is dropped.
        const bool passes = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == 8;
        if (!passes) {
            ++beeps_;
            return;
        }
    }
    if (c == 8) {
        if (s.text.empty()) return;
        if (kind == Kind::MultiLineEdit && s.text.ends_with("\r\n"))
            s.text.resize(s.text.size() - 2);
        else
            s.text.pop_back();
    } else {
        std::string insert;
        if (kind == Kind::MultiLineEdit && c == '\n') {
            insert = "\r\n";  // Ctrl+Enter; a plain Enter goes to the dialog
        } else if (c < 32 || c == 127) {
            return;  // copy, paste, cut, undo and other control keys change no text here
        } else if (kind == Kind::NumberEdit && (c < '0' || c > '9')) {
            return;
        } else {
            char ch = static_cast<char>(c);
            if ((s.def->flags & kUpperCase) && ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
            insert.assign(1, ch);
        }
        if (s.limit > 0 && s.text.size() + insert.size() > static_cast<std::size_t>(s.limit)) return;
        s.text += insert;
    }
    // A change of 300's edit field drops the list's selection, without a
    // selection change notification.
    if (kind == Kind::ComboEdit) s.selected = -1;
}

void MemoryForm::choose(int id, int index) {
    State* s = find(id);
    if (!s || !is_list(*s) || !s->enabled) return;
    if (index < 0 || static_cast<std::size_t>(index) >= s->items.size()) return;
    s->selected = index;
    if (s->def->kind == Kind::ComboEdit) s->text = s->items[static_cast<std::size_t>(index)];
    raise((1u << 16) | (static_cast<std::uint32_t>(id) & 0xFFFFu));
}

namespace {

// The up-down control's reading of its buddy: the whole text must be one
// decimal number (an empty text reads as 0).
std::optional<std::int64_t> read_buddy(std::string_view text) {
    if (text.empty()) return 0;
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';
    const std::size_t digits = pos;
    std::int64_t value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = std::min<std::int64_t>(value * 10 + (text[pos] - '0'), std::int64_t{1} << 40);
        ++pos;
    }
    if (pos == digits || pos != text.size()) return std::nullopt;
    value = negative ? -value : value;
    return std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::max());
}

}  // namespace

void MemoryForm::spin(int spin_id, int steps) {
    State* s = find(spin_id);
    if (!s || s->def->kind != Kind::Spin || !s->enabled || steps == 0) return;
    const std::size_t index = static_cast<std::size_t>(s - controls_.data());
    if (index == 0) return;
    State& buddy = controls_[index - 1];
    if (!buddy.enabled) return;  // the arrows follow their buddy's state

    const std::int64_t low = std::min(s->low, s->high);
    const std::int64_t high = std::max(s->low, s->high);
    // With a reversed range (low above high) the up arrow counts down.
    int direction = steps > 0 ? 1 : -1;
    if (s->high < s->low) direction = -direction;
    const int count = steps > 0 ? steps : -steps;
    for (int i = 0; i < count; ++i) {
        // A buddy text that is no number in range leaves the last position.
        if (auto value = read_buddy(buddy.text); value && *value >= low && *value <= high)
            s->position = static_cast<int>(*value);
        std::int64_t next = static_cast<std::int64_t>(s->position) + direction;
        next = std::clamp(next, low, high);  // no wrapping at the ends
        if (next == s->position) continue;
        s->position = static_cast<int>(next);
        buddy.text = std::to_string(s->position);
    }
}

void MemoryForm::key_escape() { raise(2); }

std::optional<std::string> MemoryForm::choose_path(PathChoice what) {
    path_choices_.push_back(what);
    if (paths_.empty()) return std::nullopt;
    std::optional<std::string> path = std::move(paths_.front());
    paths_.erase(paths_.begin());
    return path;
}

void MemoryForm::open_window(FormWindow& window) {
    ++windows_opened_;
    MemoryForm form(window.layout().controls, {});
    form.set_language(language_);
    bool open = true;
    form.set_command_sink([&](std::uint32_t wparam) {
        if (open && window.on_command(form, wparam)) open = false;
    });
    word_window(form, window.layout());
    window.on_initialise(form);
    if (window_scripts_.empty()) return;
    const WindowScript script = std::move(window_scripts_.front());
    window_scripts_.erase(window_scripts_.begin());
    script(form);
}

void MemoryForm::menu(int id) {
    for (const MenuItem& item : menu_) {
        if (item.id == id) {
            raise(static_cast<std::uint32_t>(id) & 0xFFFFu);
            return;
        }
    }
}

// --- queries ----------------------------------------------------------------------

std::string MemoryForm::text_at(int id, int occurrence) const {
    for (const State& s : controls_) {
        if (s.def->id != id) continue;
        if (occurrence-- == 0) {
            if (s.def->kind == Kind::ComboList)
                return s.selected < 0 ? std::string() : s.items[static_cast<std::size_t>(s.selected)];
            return s.text;
        }
    }
    return {};
}

int MemoryForm::text_limit(int id) const {
    const State* s = find(id);
    return s ? s->limit : -1;
}

std::optional<MemoryForm::SpinRange> MemoryForm::spin_range(int spin_id) const {
    const State* s = find(spin_id);
    if (!s || s->def->kind != Kind::Spin) return std::nullopt;
    return SpinRange{s->low, s->high};
}

const Control* MemoryForm::control(int id) const {
    const State* s = find(id);
    return s ? s->def : nullptr;
}

void MemoryForm::clear_records() {
    beeps_ = 0;
    errors_.clear();
    portraits_.clear();
    decoration_paints_ = 0;
    language_list_opens_ = 0;
    questions_.clear();
}

Form::Answer MemoryForm::ask(const UserText& question) {
    questions_.push_back(question.flat());
    if (answers_.empty()) return Answer::Cancel;
    const Answer answer = answers_.front();
    answers_.erase(answers_.begin());
    return answer;
}

}  // namespace ce
