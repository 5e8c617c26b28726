// The sides of a merge read: BASE and each mod (a data folder, or a patch
// applied onto BASE in memory), and the order of precedence of the mods.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "folder/fields.h"
#include "mods/merge.h"
#include "tables/import_table.h"

namespace ce {

// What a merge holds in memory of its folders and patches and of what it
// builds from them, at most (ReadBudget): portraits are read in pieces, so
// that this bounds its memory as a whole. Each side costs besides its files
// what its fields' changes may take in the merge and its report at most.
constexpr std::uint64_t kMergeMemory = std::uint64_t{1} << 30;
constexpr std::uint64_t kSideCost = std::uint64_t{32} << 20;

// A data folder as a side; `base` (when given) is the side the mod is merged
// onto: the mod is read as a stranger's folder, its texts in BASE's language
// and only its differing portraits kept (what else its folder holds is left
// out). Every file read takes from `budget`.
Status load_folder_side(const std::string& root, const MergeSide* base, ReadBudget& budget, MergeSide& side);

// A patch as a side: BASE with the patch's "after" wherever BASE holds its
// "before" or anything else (that is noted: BASE then holds neither), by the
// one apply. The patch, and the copy of BASE it makes, take from `budget`.
// A patch that cannot be read or whose values do not fit fails with each
// fault in `faults`.
Status load_patch_side(const std::string& path, const MergeSide& base, const std::vector<Field>& fields,
                       ReadBudget& budget, MergeSide& side, FaultList& faults);

// Gives the mods' portraits of one name that hold the same bytes one number;
// a fault names its file quoted where it holds anything odd.
Status group_pictures(std::vector<MergeSide>& mods);

// The mods' numbers ("2, 1", 1-based, each once) in the order of precedence,
// as indices of `mods` mods.
Result<std::vector<int>> parse_precedence(std::string_view text, std::size_t mods);

}  // namespace ce
