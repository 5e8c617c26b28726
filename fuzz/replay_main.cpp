// Replays fuzz inputs through a target without libFuzzer, so the ordinary
// build's tests run every checked-in input: each argument is a file or a folder
// of files (read in name order). A finding aborts as it would under the fuzzer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Defined by the targets that prepare something once, before the first input.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

bool replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return false;
    // A copy of its own size, so the address sanitizer sees any read past the end.
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
        return 2;
    }
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(argv[i], ec)) {
            for (const auto& entry : std::filesystem::directory_iterator(argv[i], ec))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
        } else {
            files.push_back(argv[i]);
        }
        if (ec) {
            std::fprintf(stderr, "%s: %s\n", argv[i], ec.message().c_str());
            return 2;
        }
        for (const auto& f : files) {
            if (!replay(f)) {
                std::fprintf(stderr, "%s: cannot be read\n", f.string().c_str());
                return 2;
            }
            ++count;
        }
    }
    if (count == 0) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 2;
    }
    std::printf("%zu inputs replayed\n", count);
    return 0;
}
