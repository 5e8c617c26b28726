// Reading a patch: a JSON reader of its own, strict and fast (a patch of every
// field of every creature is some ten megabytes, read in a few milliseconds),
// that names the line of every fault and keeps numbers as they are written.
#include <unordered_map>

#include "mods/patch.h"
#include "store/layouts.h"
#include "store/quoted_text.h"
#include "store/value_text.h"
#include "text/code_page.h"

namespace ce {
namespace {

// Nesting deeper than this is refused (no field needs any).
constexpr int kDeepest = 64;

class PatchReader {
public:
    PatchReader(std::string_view text, const std::vector<Field>& fields, FaultList& faults, Patch& patch)
        : text_(text), fields_(fields), faults_(faults), patch_(patch), slot_index_(kSlots, -1),
          seen_(fields.size(), -1) {
        index_.reserve(fields.size() * 2);
        for (std::size_t i = 0; i < fields.size(); ++i) index_.emplace(fields[i].key, static_cast<int>(i));
    }

    void read() {
        if (text_.starts_with("\xEF\xBB\xBF")) pos_ = 3;  // a byte order mark, as an editor may add
        space();
        if (pos_ >= text_.size()) {
            faults_.push_back("the patch is empty");
            return;
        }
        if (!top()) return;
        space();
        if (pos_ < text_.size()) {
            fault_here("more text after the patch's end (is the file two patches, or one twice?)");
            return;
        }
        if (!language_line_) faults_.push_back("the patch names no \"language\" (\"English\" or \"Russian\")");
        if (!creatures_line_) faults_.push_back("the patch has no \"creatures\"");
    }

private:
    // --- where we are ----------------------------------------------------------

    std::string where() const {
        return "line " + std::to_string(line_) + ", column " + std::to_string(pos_ - line_start_ + 1);
    }
    void fault_here(const std::string& message) { faults_.push_back(where() + ": " + message); }
    // A fault in the JSON itself: reading ends there.
    bool broken(const std::string& message) {
        if (pos_ >= text_.size())
            fault_here("the patch ends before it is closed (is it cut short?)");
        else
            fault_here("not well-formed JSON: " + message);
        return false;
    }

    void space() {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                line_start_ = pos_ + 1;
            } else if (c != ' ' && c != '\t' && c != '\r') {
                return;
            }
            ++pos_;
        }
    }
    // The next character after white space, or 0 at the end.
    char peek() {
        space();
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }
    std::string found() const {
        if (pos_ >= text_.size()) return "the end";
        const char c = text_[pos_];
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            return "byte " + std::to_string(static_cast<unsigned char>(c));
        return std::string("'") + c + "'";
    }
    bool take(char c) {
        if (peek() != c) return broken(std::string("expected '") + c + "', found " + found());
        ++pos_;
        return true;
    }

    // --- tokens ----------------------------------------------------------------

    static int hex4(std::string_view s) {
        int v = 0;
        for (char c : s) {
            const int d = hex_value(c);
            if (d < 0) return -1;
            v = v * 16 + d;
        }
        return v;
    }

    // A string at pos_ (its opening quote) into out, as UTF-8.
    bool string(std::string& out) {
        if (peek() != '"') return broken("expected a text in quotes, found " + found());
        ++pos_;
        out.clear();
        while (true) {
            // The plain run up to a quote, a backslash, a control or a byte above 0x7F.
            std::size_t run = pos_;
            while (run < text_.size()) {
                const auto b = static_cast<unsigned char>(text_[run]);
                if (b == '"' || b == '\\' || b < 0x20 || b >= 0x80) break;
                ++run;
            }
            out.append(text_.substr(pos_, run - pos_));
            pos_ = run;
            if (pos_ >= text_.size()) return broken("");
            const auto b = static_cast<unsigned char>(text_[pos_]);
            if (b == '"') {
                ++pos_;
                return true;
            }
            if (b < 0x20)
                return broken(std::string("a control character in a text (write it as \\u00") + hex_digit(b >> 4u) +
                              hex_digit(b & 15u) + ")");
            if (b >= 0x80) {
                std::size_t next = pos_;
                if (!next_utf8(text_, next)) return broken("a text that is not UTF-8");
                out.append(text_.substr(pos_, next - pos_));
                pos_ = next;
                continue;
            }
            if (!escape(out)) return false;
        }
    }

    // The end of the text where more must follow.
    bool cut_short() {
        pos_ = text_.size();
        return broken("");
    }

    bool escape(std::string& out) {
        if (pos_ + 1 >= text_.size()) return cut_short();
        const char e = text_[pos_ + 1];
        pos_ += 2;
        switch (e) {
            case '"': out += '"'; return true;
            case '\\': out += '\\'; return true;
            case '/': out += '/'; return true;
            case 'b': out += '\b'; return true;
            case 'f': out += '\f'; return true;
            case 'n': out += '\n'; return true;
            case 'r': out += '\r'; return true;
            case 't': out += '\t'; return true;
            case 'u': break;
            default: pos_ -= 2; return broken(std::string("an unknown escape \\") + e);
        }
        if (pos_ + 4 > text_.size()) return cut_short();
        int c = hex4(text_.substr(pos_, 4));
        if (c < 0) return broken("\\u needs four hexadecimal digits");
        pos_ += 4;
        if (c >= 0xDC00 && c <= 0xDFFF) return broken("a lone low surrogate \\u" + std::string(text_.substr(pos_ - 4, 4)));
        if (c >= 0xD800 && c <= 0xDBFF) {
            const int low = pos_ + 6 <= text_.size() && text_[pos_] == '\\' && text_[pos_ + 1] == 'u'
                                ? hex4(text_.substr(pos_ + 2, 4))
                                : -1;
            if (low < 0xDC00 || low > 0xDFFF) return broken("a high surrogate without its low one");
            pos_ += 6;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        }
        append_utf8(out, static_cast<char32_t>(c));
        return true;
    }

    static bool digit(char c) { return c >= '0' && c <= '9'; }

    // A number as written, checked against JSON's grammar.
    bool number(std::string& out) {
        const std::size_t start = pos_;
        auto digits = [&] {
            const std::size_t from = pos_;
            while (pos_ < text_.size() && digit(text_[pos_])) ++pos_;
            return pos_ > from;
        };
        if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '0') ++pos_;
        else if (!digits()) return broken("a number needs digits");
        if (pos_ < text_.size() && text_[pos_] == '.') {
            ++pos_;
            if (!digits()) return broken("a number needs digits after its point");
        }
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
            if (!digits()) return broken("a number needs digits in its exponent");
        }
        if (pos_ < text_.size() && (digit(text_[pos_]) || text_[pos_] == '.' || text_[pos_] == 'e' ||
                                    text_[pos_] == 'E' || text_[pos_] == '+' || text_[pos_] == '-'))
            return broken("a number that JSON cannot read (" + found() + " after its digits)");
        out.assign(text_.substr(start, pos_ - start));
        return true;
    }

    bool word(std::string_view w) {
        if (text_.substr(pos_, w.size()) != w) return broken("unexpected " + found());
        pos_ += w.size();
        return true;
    }

    // One value of any kind, skipped (white space and nesting counted).
    bool skip_value(int depth = 0) {
        std::string scratch;
        const char c = peek();
        if (c == '{' || c == '[') {
            if (depth >= kDeepest) return broken("nested more than " + std::to_string(kDeepest) + " deep");
            const char close = c == '{' ? '}' : ']';
            ++pos_;
            if (peek() == close) return ++pos_, true;
            while (true) {
                if (c == '{') {
                    if (!string(scratch) || !take(':')) return false;
                }
                if (!skip_value(depth + 1)) return false;
                const char n = peek();
                if (n == close) return ++pos_, true;
                if (n != ',') return broken(std::string("expected ',' or '") + close + "', found " + found());
                ++pos_;
            }
        }
        PatchValue v;
        return scalar(v);
    }

    // A string, a number, true, false or null.
    bool scalar(PatchValue& v) {
        const char c = peek();
        if (c == '"') {
            v.type = CellType::String;
            return string(v.text);
        }
        if (c == '-' || digit(c)) {
            v.type = CellType::Number;
            return number(v.text);
        }
        v.type = CellType::Other;
        for (std::string_view w : {"true", "false", "null"})
            if (c == w[0]) {
                v.text = w;
                return word(w);
            }
        return broken("expected a value, found " + found());
    }

    // A value that must be one string, number, true, false or null: an object or
    // an array is named (`what` says where) and skipped.
    enum class Got { Value, Nested, Broken };
    Got single(PatchValue& v, const std::string& what) {
        const char c = peek();
        if (c == '{' || c == '[') {
            faults_.push_back(what + ": expected a single value, found " + (c == '{' ? "an object" : "an array"));
            return skip_value() ? Got::Nested : Got::Broken;
        }
        return scalar(v) ? Got::Value : Got::Broken;
    }

    // Walks the members of an object at pos_: `member`(key, key's line) reads
    // each value. False when the JSON is broken.
    template <class Member>
    bool members(Member&& member) {
        if (!take('{')) return false;
        if (peek() == '}') return ++pos_, true;
        std::string key;
        while (true) {
            if (!string(key)) return false;
            const int key_line = line_;
            if (!take(':')) return false;
            if (!member(key, key_line)) return false;
            const char n = peek();
            if (n == '}') return ++pos_, true;
            if (n != ',') return broken("expected ',' or '}', found " + found());
            ++pos_;
        }
    }

    // Keeps the first line of a key that may appear once; a second one is a fault.
    bool once(int& first, int key_line, const std::string& place, std::string_view key) {
        if (first == 0) {
            first = key_line;
            return true;
        }
        faults_.push_back(place + ": the key " + quoted_piece(key) + " appears again (first on line " +
                          std::to_string(first) + ")");
        return false;
    }

    // A value as a message names it: a text quoted, a number as written, each cut short.
    static std::string shown(const PatchValue& v) {
        return v.type == CellType::String ? quoted_piece(v.text) : message_piece(v.text);
    }

    // --- the patch -------------------------------------------------------------

    bool top() {
        if (peek() != '{') return broken("a patch is an object: {\"language\": ..., \"creatures\": [...]}; found " + found());
        return members([&](const std::string& key, int key_line) {
            const std::string place = "line " + std::to_string(key_line);
            if (key == "language") {
                if (!once(language_line_, key_line, place, key)) return skip_value();
                PatchValue v;
                const Got got = single(v, place + ", key \"language\"");
                if (got == Got::Value) {
                    if (v.type == CellType::String && (v.text == "English" || v.text == "Russian"))
                        patch_.language = v.text == "Russian" ? 1 : 0;
                    else
                        faults_.push_back(place + ": \"language\" must be \"English\" or \"Russian\", found " +
                                          shown(v));
                }
                return got != Got::Broken;
            }
            if (key == "creatures") {
                if (!once(creatures_line_, key_line, place, key)) return skip_value();
                if (peek() != '[') {
                    faults_.push_back(place + ": \"creatures\" must be an array");
                    return skip_value();
                }
                return creatures();
            }
            faults_.push_back(place + ": unknown key " + quoted_piece(key) +
                              " (a patch holds \"language\" and \"creatures\")");
            return skip_value();
        });
    }

    bool creatures() {
        ++pos_;  // '['
        if (peek() == ']') return ++pos_, true;
        while (true) {
            if (peek() == '{') {
                if (!creature()) return false;
            } else {
                faults_.push_back("line " + std::to_string(line_) + ", creatures[" + std::to_string(count_) +
                                  "]: expected an object for each creature, found " + found());
                if (!skip_value()) return false;
            }
            ++count_;
            const char n = peek();
            if (n == ']') return ++pos_, true;
            if (n != ',') return broken("expected ',' or ']', found " + found());
            ++pos_;
        }
    }

    std::string creature_place(const PatchCreature& c, int line) const {
        std::string s = "line " + std::to_string(line) + ", creatures[" + std::to_string(c.index) + "]";
        if (c.slot >= 0) s += " (slot " + std::to_string(c.slot) + ")";
        return s;
    }

    // A creature's "slot": digits alone, as a patch writes a slot ("-0" and
    // "5.0" are no slot). False when the JSON is broken.
    bool slot_member(PatchCreature& c, const std::string& place, bool& bad_slot) {
        PatchValue v;
        const Got got = single(v, place + ", key \"slot\"");
        const std::optional<std::uint64_t> digits =
            v.type == CellType::Number ? parse_decimal(v.text, kSlots - 1) : std::nullopt;
        if (got == Got::Value && digits) {
            c.slot = static_cast<int>(*digits);
        } else {
            if (got == Got::Value) faults_.push_back(place + ": " + slot_fault(shown(v)).message());
            bad_slot = true;
        }
        return got != Got::Broken;
    }

    bool creature() {
        PatchCreature c;
        c.index = count_;
        c.line = line_;
        int slot_line = 0, name_line = 0, changes_line = 0;
        bool bad_slot = false;
        const bool ok = members([&](const std::string& key, int key_line) {
            const std::string place = creature_place(c, key_line);
            if (key == "slot") {
                if (!once(slot_line, key_line, place, key)) return skip_value();
                return slot_member(c, place, bad_slot);
            }
            if (key == "name") {
                if (!once(name_line, key_line, place, key)) return skip_value();
                PatchValue v;  // the creature's name, for the reader: any text
                const Got got = single(v, place + ", key \"name\"");
                if (got == Got::Value && v.type != CellType::String)
                    faults_.push_back(place + ": \"name\" must be a text in quotes, found " + shown(v));
                return got != Got::Broken;
            }
            if (key == "changes") {
                if (!once(changes_line, key_line, place, key)) return skip_value();
                if (peek() != '{') {
                    faults_.push_back(place + ": \"changes\" must be an object of the changed fields");
                    return skip_value();
                }
                return changes(c);
            }
            faults_.push_back(place + ": unknown key " + quoted_piece(key) +
                              " (a creature holds \"slot\", \"name\" and \"changes\")");
            return skip_value();
        });
        if (!ok) return false;
        const std::string where = creature_place(c, c.line);
        if (slot_line == 0) faults_.push_back(where + ": the creature has no \"slot\"");
        if (changes_line == 0) faults_.push_back(where + ": the creature has no \"changes\"");
        if (c.slot < 0 || bad_slot) return true;
        int& first = slot_index_[static_cast<std::size_t>(c.slot)];
        if (first >= 0) {
            faults_.push_back(where + ": slot " + std::to_string(c.slot) + " appears again (first in creatures[" +
                              std::to_string(first) + "])");
            return true;
        }
        first = c.index;
        patch_.creatures.push_back(std::move(c));
        return true;
    }

    bool changes(PatchCreature& c) {
        ++serial_;  // a new creature: seen_ marks its keys with this number
        return members([&](const std::string& key, int key_line) {
            // Places are spelt out only for a fault: a patch may hold a hundred thousand changes.
            auto place = [&] { return creature_place(c, key_line) + ", key " + quoted_piece(key); };
            const auto it = index_.find(key);
            if (it == index_.end()) {
                faults_.push_back(place() + ": unknown key");
                return skip_value();
            }
            int& seen = seen_[static_cast<std::size_t>(it->second)];
            if (seen == serial_) {
                faults_.push_back(place() + ": the key appears twice in this creature");
                return skip_value();
            }
            seen = serial_;
            if (peek() != '{') {
                faults_.push_back(place() + ": expected {\"caption\": ..., \"before\": ..., \"after\": ...}, found " +
                                  found());
                return skip_value();
            }
            return change(c, it->second, key, key_line);
        });
    }

    // One change of a creature, its members read: {"caption", "before", "after"}.
    bool change(PatchCreature& c, int field, const std::string& key, int key_line) {
        auto place = [&] { return creature_place(c, key_line) + ", key " + quoted_piece(key); };
        PatchChange change;
        change.field = field;
        change.line = key_line;
        int caption_line = 0, before_line = 0, after_line = 0;
        const bool ok = members([&](const std::string& member, int member_line) {
            int* first = member == "caption" ? &caption_line
                         : member == "before" ? &before_line
                         : member == "after"  ? &after_line
                                              : nullptr;
            auto at = [&] { return place() + ", \"" + member + "\""; };
            return change_member(at, member, member_line, first, caption_line,
                                 first == &before_line ? change.before : change.after, place);
        });
        if (!ok) return false;
        if (before_line == 0 || after_line == 0) {
            faults_.push_back(place() + ": the change has no " +
                              (before_line == 0 && after_line == 0 ? "\"before\" and no \"after\""
                               : before_line == 0                 ? "\"before\""
                                                                  : "\"after\""));
            return true;
        }
        c.changes.push_back(std::move(change));
        return true;
    }

    // One member of a change: `first` its first line (null: an unknown key);
    // a caption is checked and dropped, a value kept in `value`.
    template <class At, class Place>
    bool change_member(At at, const std::string& member, int member_line, int* first,
                       const int& caption_line, PatchValue& value, Place place) {
        if (!first) {
            faults_.push_back(at() + ": unknown key (a change holds \"caption\", \"before\" and \"after\")");
            return skip_value();
        }
        if (*first != 0) {
            once(*first, member_line, place(), member);
            return skip_value();
        }
        *first = member_line;
        PatchValue v;
        const char next = peek();
        if (next == '{' || next == '[') {
            faults_.push_back(at() + ": expected a single value, found " + (next == '{' ? "an object" : "an array"));
            return skip_value();
        }
        if (!scalar(v)) return false;
        if (first == &caption_line) {
            if (v.type != CellType::String)
                faults_.push_back(at() + ": the caption must be a text in quotes, found " + shown(v));
        } else {
            value = std::move(v);
        }
        return true;
    }

    std::string_view text_;
    const std::vector<Field>& fields_;
    FaultList& faults_;
    Patch& patch_;
    std::unordered_map<std::string_view, int> index_;
    std::size_t pos_ = 0;
    int line_ = 1;
    std::size_t line_start_ = 0;
    int count_ = 0;  // the creature being read
    int language_line_ = 0, creatures_line_ = 0;
    std::vector<int> slot_index_;  // slot -> the creature that gave it first
    std::vector<int> seen_;        // field -> serial_ of the creature that gave it last
    int serial_ = 0;
};

}  // namespace

Patch read_patch(std::string_view text, const std::vector<Field>& fields, FaultList& faults) {
    Patch patch;
    PatchReader(text, fields, faults, patch).read();
    return patch;
}

std::string change_place(const PatchCreature& creature, const PatchChange& change, const std::vector<Field>& fields) {
    return "line " + std::to_string(change.line) + ", creatures[" + std::to_string(creature.index) + "] (slot " +
           std::to_string(creature.slot) + "), key " + quote_text(fields[static_cast<std::size_t>(change.field)].key);
}

}  // namespace ce
