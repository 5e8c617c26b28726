// A patch read strictly: any bytes give a patch and faults, never a crash;
// what is read names known fields and slots, each slot once and each field
// once per creature, and every value is checked or refused for either
// language with its place named.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "folder/fields.h"
#include "mods/patch.h"
#include "fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<ce::Field> fields = ce::make_fields(true);
    ce::FaultList faults;
    const ce::Patch patch = ce::read_patch(ce::fuzz::as_text(data, size), fields, faults);
    for (const ce::Fault& f : faults) CE_FUZZ_CHECK(!f.message().empty(), "an empty fault");
    if (size == 0) CE_FUZZ_CHECK(!faults.empty(), "an empty patch read without a fault");
    std::set<int> slots;
    for (const ce::PatchCreature& c : patch.creatures) {
        CE_FUZZ_CHECK(c.slot >= 0 && c.slot < 1000, "a creature outside the slots");
        CE_FUZZ_CHECK(slots.insert(c.slot).second, "a slot read twice");
        std::set<int> seen;
        for (const ce::PatchChange& change : c.changes) {
            CE_FUZZ_CHECK(change.field >= 0 && static_cast<std::size_t>(change.field) < fields.size(),
                          "a change without a field");
            CE_FUZZ_CHECK(seen.insert(change.field).second, "a field read twice in one creature");
            CE_FUZZ_CHECK(change.line >= 1, "a change without a line");
            CE_FUZZ_CHECK(!ce::change_place(c, change, fields).empty(), "a change without a place");
        }
    }
    if (!faults.empty()) return 0;
    CE_FUZZ_CHECK(patch.language.has_value(), "a patch read without its language");
    std::size_t changes = 0;
    for (const ce::PatchCreature& c : patch.creatures) changes += c.changes.size();
    for (int language : {0, 1}) {
        ce::FaultList value_faults;
        const std::vector<ce::ReadyChange> ready = ce::prepare_patch(patch, fields, language, value_faults);
        CE_FUZZ_CHECK(ready.size() + value_faults.size() >= changes, "a change neither ready nor refused");
        if (value_faults.empty()) CE_FUZZ_CHECK(ready.size() == changes, "a change lost without a fault");
        for (const ce::Fault& f : value_faults) CE_FUZZ_CHECK(f.message().starts_with("line "), "a fault without its place");
        (void)ce::language_mismatch(patch, fields, language);
    }
    return 0;
}
