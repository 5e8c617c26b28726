// The table of the editor's own words. This file is UTF-8; the texts are
// turned into each language's code page once, when first asked for.
#include "form/messages.h"

#include <array>
#include <cstddef>
#include <optional>

#include "text/code_page.h"

namespace ce {
namespace {

using K = MessageKey;

constexpr MessageRow kRows[] = {
    // The English title and menu are the template's (form/catalogue.cpp), word for word.
    {K::editor_title, "Quelmarn - Creatures Editor (Tirrowe edition)", "Quelmarn - редактор существ (издание Tirrowe)"},
    {K::menu_copy_all_states, "Copy all states", "Копировать все состояния"},
    {K::menu_paste_all_states, "Paste all states", "Вставить все состояния"},
    {K::menu_paste_cranim, "Paste CrAnim", "Вставить CrAnim"},
    {K::menu_history, "&History...", "&История..."},
    {K::menu_undo_save, "&Undo Save (Ctrl+Z)", "&Отмена (Ctrl+Z)"},
    {K::menu_apply_mod, "Apply &mod...", "Применить &мод..."},
    {K::menu_save_as_mod, "Save changes as m&od...", "Изменения в мо&д..."},
    {K::button_ok, "OK", "ОК"},
    {K::button_yes, "&Yes", "&Да"},
    {K::button_no, "&No", "&Нет"},
    {K::button_cancel, "Cancel", "Отмена"},

    {K::language_label, "{language} : ", "{language} : "},
    {K::language_chinese, "Chinese", "Китайский"},
    {K::language_japanese, "Japanese", "Японский"},
    {K::language_russian, "Russian", "Русский"},
    {K::language_greek, "Greek", "Греческий"},
    {K::language_hindi, "Hindi", "Хинди"},
    {K::language_vietnamese, "Vietnamese", "Вьетнамский"},
    {K::language_georgian, "Georgian", "Грузинский"},
    {K::language_serbian, "Serbian", "Сербский"},
    {K::language_armenian, "Armenian", "Армянский"},
    {K::language_korean, "Korean", "Корейский"},

    {K::ask_save_before_closing,
     "Creature {slot} has changes that are not saved. Save them before closing?",
     "Изменения существа {slot} не сохранены. Сохранить их перед закрытием?"},
    {K::ask_save_before_showing,
     "Creature {slot} has changes that are not saved. Save them before showing creature {next}?",
     "Изменения существа {slot} не сохранены. Сохранить их, прежде чем показать существо {next}?"},
    {K::ask_save_before_language,
     "Creature {slot} has changes that are not saved. Save them before switching the language?",
     "Изменения существа {slot} не сохранены. Сохранить их перед сменой языка?"},

    {K::index_not_stored, "The current creature could not be stored in the settings file:\n    {reason}",
     "Номер текущего существа не удалось записать в файл настроек:\n    {reason}"},
    {K::language_not_stored, "The language choice could not be stored in the settings file:\n    {reason}",
     "Выбранный язык не удалось записать в файл настроек:\n    {reason}"},

    {K::folder_faults, "{headline} (folder \"{folder}\"):", "{headline} (папка \"{folder}\"):"},
    {K::cannot_start, "The editor cannot start: files it needs cannot be read or are too short",
     "Редактор не может запуститься: нужные ему файлы не читаются или слишком короткие"},
    {K::creature_not_a_slot, "Creature {slot} is not a creature slot ({first} to {last}).",
     "Существа {slot} нет: номер существа должен быть от {first} до {last}."},
    {K::creature_not_shown, "Creature {slot} cannot be shown: data files cannot be read or are too short",
     "Существо {slot} нельзя показать: файлы данных не читаются или слишком короткие"},
    {K::language_files_missing_on_show, "Language files cannot be read; their texts show empty",
     "Языковые файлы не читаются; их тексты показаны пустыми"},
    {K::language_files_unread, "These language files could not be read; their texts are shown empty:",
     "Эти языковые файлы не удалось прочитать; их тексты показаны пустыми:"},

    {K::save_not_shown, "Creature {slot} was not saved: it is not shown, so nothing of it was changed.",
     "Существо {slot} не сохранено: оно не показано, а значит, в нём ничего не менялось."},
    {K::save_failed, "Creature {slot} was not saved:\n    {reason}", "Существо {slot} не сохранено:\n    {reason}"},
    {K::save_data_files_unread, "Creature {slot} was not saved: data files cannot be read or are too short",
     "Существо {slot} не сохранено: файлы данных не читаются или слишком короткие"},
    {K::save_language_files_unread,
     "Creature {slot} was not saved: language files cannot be read; nothing was written",
     "Существо {slot} не сохранено: языковые файлы не читаются; ничего не записано"},
    {K::save_values_refused, "Creature {slot} was not saved: these values cannot be stored:{fields}\n\nNothing was written.",
     "Существо {slot} не сохранено: эти значения нельзя записать:{fields}\n\nНичего не записано."},
    {K::refused_value_line, "\n    {field}: {why}", "\n    {field}: {why}"},
    {K::value_not_whole_number, "{value} is not a whole number", "{value} — не целое число"},
    {K::value_outside_range, "{value} is outside {range}", "{value} не входит в пределы {range}"},
    {K::value_range, "{min}..{max}", "от {min} до {max}"},
    {K::value_not_a_number, "{value} is not a number", "{value} — не число"},
    {K::value_decimal_comma, " (the decimal point is '.', not ',')", " (дробную часть отделяет точка '.', а не запятая ',')"},
    {K::value_outside_float_range, "{value} is outside the float range",
     "{value} не входит в пределы чисел с плавающей точкой"},
    {K::value_text_too_long, "{value} has {count} characters; the field holds at most {max}",
     "{value}: символов {count}, а поле вмещает не больше {max}"},
    {K::save_conflict_question,
     "Creature {slot} was changed by another program since it was shown, in fields you changed too:\n{fields}\n\n"
     "Yes: save your values over them.\n"
     "No: keep the values on disk in these fields and save your other changes.\n"
     "Cancel: save nothing.",
     "Существо {slot} после показа изменила другая программа, и в тех же полях, что и вы:\n{fields}\n\n"
     "Да: записать ваши значения поверх них.\n"
     "Нет: оставить в этих полях значения с диска и записать остальные ваши изменения.\n"
     "Отмена: ничего не записывать."},
    {K::conflict_line, "\n    {field}: shown {shown}, yours {yours}, on disk {disk}",
     "\n    {field}: было {shown}, у вас {yours}, на диске {disk}"},
    {K::state_checked, "checked", "отмечено"},
    {K::state_clear, "clear", "не отмечено"},
    {K::name_caption, "Name", "Имя"},

    {K::recovered_current_folder, "Files of the current folder were put right after an interrupted write:",
     "Файлы текущей папки восстановлены после прерванной записи:"},
    {K::recovered_folder, "Files of the folder \"{folder}\" were put right after an interrupted write:",
     "Файлы папки \"{folder}\" восстановлены после прерванной записи:"},
    {K::unrecoverable_current_folder,
     "An interrupted write in the current folder cannot be rolled back, so nothing can be saved there:\n    {reason}",
     "Прерванную запись в текущей папке нельзя откатить, поэтому сохранять туда ничего нельзя:\n    {reason}"},
    {K::unrecoverable_folder,
     "An interrupted write in the folder \"{folder}\" cannot be rolled back, so nothing can be saved there:\n    {reason}",
     "Прерванную запись в папке \"{folder}\" нельзя откатить, поэтому сохранять туда ничего нельзя:\n    {reason}"},

    {K::unexpected_error, "Unexpected error: {what}", "Непредвиденная ошибка: {what}"},
    {K::unexpected_unknown_error, "Unexpected error: unknown", "Непредвиденная ошибка неизвестного рода"},
    {K::form_not_created, "The editor form could not be created.", "Окно редактора не удалось создать."},
    {K::out_of_memory, "The editor ran out of memory and stops.", "Редактору не хватило памяти, и он закрывается."},
    {K::stops_on_error, "The editor stops on an unexpected error: {what}",
     "Редактор закрывается из-за непредвиденной ошибки: {what}"},
    {K::stops_on_unknown_error, "The editor stops on an unexpected error.",
     "Редактор закрывается из-за непредвиденной ошибки."},

    {K::button_close, "C&lose", "&Закрыть"},
    {K::history_title, "History", "История"},
    {K::history_entries, "&Entries, newest first:", "&Записи, новые сверху:"},
    {K::history_changes, "What the selected entry c&hanged:", "Что &изменила выбранная запись:"},
    {K::history_restore_creature, "Restore this &creature as before it", "Вернуть &существо как до неё"},
    {K::history_restore_folder, "Restore the &folder as before it", "Вернуть &папку как до неё"},
    {K::history_empty, "No history yet.", "Истории пока нет."},
    {K::history_unreadable, "The history cannot be read: {reason}", "Историю не удаётся прочитать: {reason}"},
    {K::history_row, "{number}   {time} UTC   {by}   {files}", "{number}   {time} по UTC   {by}   {files}"},
    {K::history_row_slots, "{number}   {time} UTC   {by}   [creatures {slots}]   {files}",
     "{number}   {time} по UTC   {by}   [существа {slots}]   {files}"},
    {K::history_by_save, "Save of creature {slot} in the editor", "Сохранение существа {slot} в редакторе"},
    {K::history_by_restore, "Restore of the folder as before entry {entry}",
     "Возврат папки как до записи {entry}"},
    {K::history_by_restore_creature, "Restore of creature {slot} as before entry {entry}",
     "Возврат существа {slot} как до записи {entry}"},
    {K::history_by_import, "Import of a table ({slots} creatures)", "Импорт таблицы (существ: {slots})"},
    {K::history_by_apply, "Apply of the mod {mod}", "Применение мода {mod}"},
    {K::history_change_row, "{slot} {name}   {caption}:   {before} -> {after}",
     "{slot} {name}   {caption}:   {before} -> {after}"},
    {K::history_in_english, "{caption} (English)", "{caption} (английский)"},
    {K::history_in_russian, "{caption} (Russian)", "{caption} (русский)"},
    {K::ask_restore_creature,
     "Put creature {slot} back as it was before entry {entry}? The other creatures stay as they are; the restore "
     "is itself a history entry.",
     "Вернуть существо {slot} таким, каким оно было до записи {entry}? Остальные существа не изменятся; возврат "
     "сам станет записью истории."},
    {K::ask_restore_folder,
     "Put the whole folder back as it was before entry {entry}? The restore is itself a history entry.",
     "Вернуть всю папку такой, какой она была до записи {entry}? Возврат сам станет записью истории."},
    {K::ask_undo_save,
     "Undo the last Save of creature {slot} (history entry {entry})? The undo is itself a history entry.",
     "Отменить последнее сохранение существа {slot} (запись истории {entry})? Отмена сама станет записью истории."},
    {K::ask_undo_over_changes,
     "Creature {slot} has changes that are not saved. Drop them and undo its last Save (history entry {entry})?",
     "Изменения существа {slot} не сохранены. Отбросить их и отменить его последнее сохранение (запись истории "
     "{entry})?"},
    {K::unsaved_dropped, "Creature {slot} has changes that are not saved: the restore drops them.",
     "Изменения существа {slot} не сохранены: возврат их отбросит."},
    {K::nothing_to_undo, "Creature {slot} has no Save in the history that is not undone yet.",
     "В истории нет неотменённого сохранения существа {slot}."},
    {K::restore_failed, "Nothing was restored: {reason}", "Ничего не возвращено: {reason}"},
    {K::restore_nothing_changed, "Nothing to restore: the files are already as they were before entry {entry}.",
     "Возвращать нечего: файлы уже такие, какими были до записи {entry}."},

    {K::button_apply, "&Apply", "&Применить"},
    {K::mod_title, "Apply mod", "Применение мода"},
    {K::mod_changes, "&Changes the mod makes:", "&Изменения мода:"},
    {K::mod_take_mod, "Take the &mod's value", "Взять значение &мода"},
    {K::mod_keep_folder, "Keep the &folder's value", "Оставить значение &папки"},
    {K::mod_all_mod, "Mod's value in &all conflicts", "Значение мода во &всех спорах"},
    {K::mod_all_folder, "Folder's value in all c&onflicts", "Значение папки во вс&ех спорах"},
    {K::mod_conflict_row, "{slot} {name}   {caption}:   {before} -> {after}, the folder holds {folder}   [{settled}]",
     "{slot} {name}   {caption}:   {before} -> {after}, в папке {folder}   [{settled}]"},
    {K::mod_settled_open, "conflict: choose", "спор: выберите"},
    {K::mod_settled_mod, "the mod's value", "значение мода"},
    {K::mod_settled_folder, "the folder's value", "значение папки"},
    {K::mod_summary, "{write} to write, {already} already there, {conflicts} in conflict ({open} to choose)",
     "Записать: {write}, уже есть: {already}, спорных: {conflicts} (выбрать: {open})"},
    {K::mod_nothing, "The mod changes nothing in this folder.", "Мод ничего не меняет в этой папке."},
    {K::mod_unreadable, "The mod cannot be read: {reason}", "Мод не удаётся прочитать: {reason}"},
    {K::mod_faults, "The mod {file} cannot be applied:", "Мод {file} нельзя применить:"},
    {K::mod_not_applied, "The mod was not applied: {reason}", "Мод не применён: {reason}"},
    {K::mod_folder_changed,
     "The folder changed since the mod was read: look at its changes again. Nothing was written.",
     "Папка изменилась после чтения мода: просмотрите его изменения снова. Ничего не записано."},
    {K::ask_apply_mod, "Apply the mod to the folder? The apply is itself a history entry.",
     "Применить мод к папке? Применение само станет записью истории."},
    {K::choose_mod, "Apply which mod?", "Какой мод применить?"},
    {K::choose_base, "Changes since which folder (the base)?", "Изменения с какой папки (основы)?"},
    {K::choose_mod_file, "Save the mod as", "Сохранить мод как"},
    {K::mod_not_saved, "The mod was not saved: {reason}", "Мод не сохранён: {reason}"},
    {K::mod_no_difference, "The folder holds no change since {base}: no mod was saved.",
     "В папке нет изменений с {base}: мод не сохранён."},

    {K::menu_export_table, "E&xport table...",
     "В &таблицу..."},
    {K::menu_import_table, "&Import table...",
     "Из т&аблицы..."},
    {K::table_title, "Import table",
     "Импорт таблицы"},
    {K::table_changes, "&Changes the table makes:",
     "&Изменения, которые вносит таблица:"},
    {K::table_import_all, "Import &all of them",
     "Импортировать &все"},
    {K::table_import_without_held, "Import without the &held ones",
     "Импортировать без за&держанных"},
    {K::table_held_row, "held back ({class}): {change}",
     "задержано ({class}): {change}"},
    {K::table_summary, "{changes} changes; {held} of them held back: they look like a spreadsheet's reformatting rather than an edit.",
     "Изменений: {changes}; задержано из них: {held}, они похожи на переформатирование в электронной таблице, а не на правку."},
    {K::table_nothing, "The table changes nothing.",
     "Таблица ничего не меняет."},
    {K::table_faults, "{file} cannot be imported:",
     "Файл {file} не удаётся импортировать:"},
    {K::table_not_imported, "The table was not imported: {reason}",
     "Таблица не импортирована: {reason}"},
    {K::table_not_exported, "The table was not exported: {reason}",
     "Таблица не экспортирована: {reason}"},
    {K::ask_import_table, "Write every change of the table into the folder, the {held} held back ones too? The import is one history entry.",
     "Записать в папку все изменения таблицы, включая задержанные ({held})? Импорт станет одной записью истории."},
    {K::ask_import_without_held, "Write the table's changes into the folder, leaving out the {held} held back ones? The import is one history entry.",
     "Записать в папку изменения таблицы без задержанных ({held})? Импорт станет одной записью истории."},
    {K::choose_table, "Import table",
     "Импорт таблицы"},
    {K::choose_table_file, "Export table",
     "Экспорт таблицы"},
    {K::table_class_character_set, "characters mixed up by a wrong character set",
     "символы искажены неверной кодировкой"},
    {K::table_class_formula, "a formula's result in place of the text",
     "результат формулы вместо текста"},
    {K::table_class_missing, "a missing-value marker emptied or added",
     "метка пропуска (NA, nan) убрана или добавлена"},
    {K::table_class_number, "a number-like text rewritten",
     "текст-число переписан"},
    {K::table_class_serial, "a text turned into a date's serial number",
     "текст стал порядковым номером даты"},
    {K::table_class_date, "a text turned into a date",
     "текст стал датой"},
    {K::table_class_time, "a text turned into a time",
     "текст стал временем"},
    {K::table_class_percentage, "a text turned into a percentage",
     "текст стал процентами"},
    {K::table_class_boolean, "a true/false text rewritten",
     "текст true/false переписан"},
    {K::table_class_spaces, "spaces trimmed or collapsed",
     "пробелы обрезаны или сжаты"},
    {K::table_class_quotes, "quotes added around the text",
     "вокруг текста добавлены кавычки"},
    {K::table_class_zero_sign, "the sign of a zero lost",
     "потерян знак нуля"},
    {K::table_class_rounding, "a float rounded to fewer digits",
     "дробное число округлено"},
    {K::table_class_dropped, "a tab or another control character dropped",
     "табуляция или другой управляющий символ пропал"},
    {K::table_class_typed_number, "a text replaced by a number",
     "текст заменён числом"},
};

constexpr std::size_t kCount = static_cast<std::size_t>(MessageKey::count_);
static_assert(std::size(kRows) == kCount, "one row per message key");

constexpr bool rows_in_key_order() {
    for (std::size_t i = 0; i < std::size(kRows); ++i)
        if (static_cast<std::size_t>(kRows[i].key) != i) return false;
    return true;
}
static_assert(rows_in_key_order(), "the rows follow the keys' order");

int table_language(int language) { return language == 1 ? 1 : 0; }

// A text the page cannot write would be a fault of the table, which its test
// catches; should one slip through, its characters show as '?'.
std::string encoded(const char* utf8, int language) {
    if (auto bytes = encode_code_page(utf8, language)) return *bytes;
    std::string out;
    const std::string_view text(utf8);
    for (std::size_t pos = 0; pos < text.size();) {
        const std::optional<char32_t> c = next_utf8(text, pos);
        if (!c) {
            ++pos;
            out += '?';
            continue;
        }
        const auto byte = code_page_byte(language, *c);
        out += byte ? static_cast<char>(*byte) : '?';
    }
    return out;
}

using Encoded = std::array<std::array<std::string, kCount>, 2>;

const Encoded& encoded_table() {
    static const Encoded table = [] {
        Encoded out;
        for (std::size_t i = 0; i < kCount; ++i) {
            out[0][i] = encoded(kRows[i].english, 0);
            out[1][i] = encoded(kRows[i].russian, 1);
        }
        return out;
    }();
    return table;
}

}  // namespace

std::span<const MessageRow> message_rows() { return kRows; }

std::string_view message_text(int language, MessageKey key) {
    const auto index = static_cast<std::size_t>(key);
    if (index >= kCount) return {};
    return encoded_table()[static_cast<std::size_t>(table_language(language))][index];
}

std::vector<std::string> placeholders(std::string_view pattern) {
    std::vector<std::string> out;
    for (std::size_t open = pattern.find('{'); open != std::string_view::npos; open = pattern.find('{', open + 1)) {
        const std::size_t close = pattern.find('}', open + 1);
        if (close == std::string_view::npos) break;
        out.emplace_back(pattern.substr(open + 1, close - open - 1));
    }
    return out;
}

UserText UserText::words(std::string_view bytes) { return UserText().add_words(bytes); }
UserText UserText::system(std::string_view bytes) { return UserText().add_system(bytes); }
UserText& UserText::add_words(std::string_view bytes) { return add(bytes, false); }
UserText& UserText::add_system(std::string_view bytes) { return add(bytes, true); }

UserText& UserText::add(std::string_view bytes, bool system) {
    if (bytes.empty()) return *this;
    if (!pieces_.empty() && pieces_.back().system == system)
        pieces_.back().bytes += bytes;
    else
        pieces_.push_back({std::string(bytes), system});
    return *this;
}

UserText& UserText::operator+=(const UserText& more) {
    for (const Piece& piece : more.pieces_) add(piece.bytes, piece.system);
    return *this;
}

std::string UserText::flat() const {
    std::string out;
    for (const Piece& piece : pieces_) out += piece.bytes;
    return out;
}

bool UserText::empty() const { return pieces_.empty(); }

UserText say(int language, MessageKey key, std::initializer_list<Fill> fills) {
    const std::string_view pattern = message_text(language, key);
    UserText out;
    std::size_t done = 0;
    for (std::size_t open = pattern.find('{'); open != std::string_view::npos;) {
        const std::size_t close = pattern.find('}', open + 1);
        if (close == std::string_view::npos) break;
        const std::string_view name = pattern.substr(open + 1, close - open - 1);
        const Fill* fill = nullptr;
        for (const Fill& f : fills)
            if (f.name == name) fill = &f;
        if (fill == nullptr) {
            open = pattern.find('{', open + 1);
            continue;
        }
        out.add_words(pattern.substr(done, open - done));
        out += fill->value;
        done = close + 1;
        open = pattern.find('{', done);
    }
    out.add_words(pattern.substr(done));
    return out;
}

}  // namespace ce
