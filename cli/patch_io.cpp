#include "cli/patch_io.h"

#include <algorithm>
#include <istream>
#include <ostream>

#include "cli/standard_input.h"

namespace ce {

// Faults named one by one before "... and N more".
constexpr std::size_t kFaultsShown = 25;

bool read_patch_file(const std::string& path, std::istream& in, std::string& piped, WholeFile& file,
                     std::string_view& text, const char* command, std::ostream& err) {
    if (path == "-") {
        if (!read_standard_input(in, piped, command, err)) return false;
        text = piped;
        return true;
    }
    if (Status fault = read_whole_file(path, file); !fault.ok()) {
        err << "creatures " << command << ": " << fault.message() << "\n";
        return false;
    }
    text = std::string_view(reinterpret_cast<const char*>(file.data()), file.length);
    return true;
}

bool read_patch_from(const std::string& path, std::istream& in, const std::vector<Field>& fields, Patch& patch,
                     FaultList& faults, const char* command, std::ostream& err) {
    std::string piped;
    WholeFile file;
    std::string_view text;
    if (!read_patch_file(path, in, piped, file, text, command, err)) return false;
    patch = read_patch(text, fields, faults);
    return faults.empty();
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
