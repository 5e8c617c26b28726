#include "cli/patch_io.h"

#include <algorithm>
#include <ostream>

#include "cli/standard_input.h"

namespace ce {

// Faults named one by one before "... and N more".
constexpr std::size_t kFaultsShown = 25;

Status read_patch_from(const std::string& path, std::istream& in, const std::vector<Field>& fields, Patch& patch,
                       FaultList& faults) {
    std::string piped;
    WholeFile file;
    std::string_view text;
    if (Status s = read_named_input(path, in, piped, file, text); !s.ok()) return s;
    patch = read_patch(text, fields, faults);
    return {};
}

std::string counted(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

void report_patch_faults(const char* command, const std::string& label, const FaultList& faults, std::ostream& err) {
    const std::size_t n = faults.size();
    const std::size_t shown = std::min(kFaultsShown, faults.kept().size());
    for (std::size_t i = 0; i < shown; ++i) err << "creatures " << command << ": " << label << ": " << faults.kept()[i] << "\n";
    if (n > shown) err << "creatures " << command << ": " << label << ": ... and " << (n - shown) << " more\n";
    err << "creatures " << command << ": " << n << (n == 1 ? " fault" : " faults") << " in the patch; nothing was written\n";
}

}  // namespace ce
