// A whole `creatures import --dry-run` of any bytes on standard input, into a
// demo data folder made once per process: a report or faults, exit status 0
// or 2, and nothing written.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "demo/demo.h"
#include "fuzz/check.h"
#include "fuzz/temp_folder.h"
#include "store/file_ops.h"

namespace {

// A dry run writes nothing: any write step is a finding.
class NoWrites : public ce::FileOps {
public:
    ce::Status link_count(const std::string&, unsigned&) override { return refuse(); }
    ce::Status create_new(const std::string&, const std::string&, Handle&) override { return refuse(); }
    ce::Status open_existing(const std::string&, Handle&) override { return refuse(); }
    ce::Status write(Handle, const void*, std::size_t) override { return refuse(); }
    ce::Status set_size(Handle, std::uint64_t) override { return refuse(); }
    ce::Status flush(Handle) override { return refuse(); }
    ce::Status close(Handle) override { return refuse(); }
    ce::Status replace(const std::string&, const std::string&) override { return refuse(); }
    ce::Status copy(const std::string&, const std::string&) override { return refuse(); }
    ce::Status remove(const std::string&) override { return refuse(); }

private:
    static ce::Status refuse() {
        CE_FUZZ_CHECK(false, "a dry run writes");
        return std::string("refused");
    }
};

const std::string& demo_folder() {
    static const ce::fuzz::TempFolder folder;
    static const bool written = [] {
        const auto files = ce::make_demo_files(ce::kDefaultDemoSeed);
        CE_FUZZ_CHECK(files.ok() && ce::write_demo(folder.path(), *files, false).ok(),
                      "the demo folder cannot be written");
        return true;
    }();
    (void)written;
    return folder.path();
}

}  // namespace

// The demo folder is made before fuzzing starts: under load it takes longer
// than any one input may.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    (void)demo_folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& root = demo_folder();
    // The first byte chooses the format as the user would: by content, or named.
    if (size < 1) return 0;
    static const char* const formats[] = {nullptr, "json", "csv"};
    const char* format = formats[data[0] % 3];
    const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);

    std::vector<const char*> argv{"creatures", "import", "-C", root.c_str(), "--dry-run", "-"};
    if (format) {
        argv.push_back("--format");
        argv.push_back(format);
    }
    NoWrites ops;
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = ce::run_creatures(static_cast<int>(argv.size()), argv.data(), ops, in, out, err);
    CE_FUZZ_CHECK(status == ce::kExitOk || status == ce::kExitError, "an exit status of neither success nor error");
    if (status == ce::kExitOk) {
        CE_FUZZ_CHECK(!out.str().empty() && out.str().back() == '\n', "success without a report");
        CE_FUZZ_CHECK(out.str().find("would write") != std::string::npos ||
                          out.str().find("nothing to write") != std::string::npos,
                      "a dry run's report says neither what it would write nor that there is nothing");
    } else {
        CE_FUZZ_CHECK(!err.str().empty(), "an error without a message");
    }
    return 0;
}
