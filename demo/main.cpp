// creatures-demo DIR [--seed N] [--force]: writes a demo data folder.
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "demo/demo.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::cout << "creatures-demo " CE_VERSION "\n";
        return 0;
    }
    // Whatever the generator lets through ends here with a message, never an abort.
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        const ce::DemoArgs parsed = ce::parse_demo_args(args);
        if (!parsed.error.empty()) {
            std::cerr << "creatures-demo: " << parsed.error << "\n\n" << ce::demo_usage();
            return 2;
        }
        if (parsed.help) {
            std::cout << ce::demo_usage();
            return 0;
        }
        const ce::Result<std::vector<ce::DemoFile>> made = ce::make_demo_files(parsed.seed);
        if (!made.ok()) {
            std::cerr << "creatures-demo: " << made.fault().message() << '\n';
            return 1;
        }
        const std::vector<ce::DemoFile>& files = *made;
        if (const ce::Status error = ce::write_demo(parsed.dir, files, parsed.force); !error.ok()) {
            std::cerr << "creatures-demo: " << error.message() << '\n';
            return 1;
        }
        std::cout << "Wrote the demo data folder " << parsed.dir << " (seed " << parsed.seed << ", "
                  << files.size() << " files).\n";
        return 0;
    } catch (const std::bad_alloc&) {
        std::cerr << "creatures-demo: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "creatures-demo: unexpected error: " << e.what() << '\n';
    } catch (...) {
        std::cerr << "creatures-demo: unexpected error\n";
    }
    return 2;
}
