// The `creatures` tool.
#include <exception>
#include <iostream>
#include <new>
#include <string_view>

#include "cli/commands.h"
#include "store/file_ops.h"
#include "store/whole_file.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "cli/console.h"
#endif

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::cout << "creatures " CE_VERSION "\n";
        return 0;
    }
#ifdef _WIN32
    // Exports and imports are byte-exact: no CR LF translation on the standard streams.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);
#ifdef _WIN32
    // On a console, texts go as wide characters, whatever its code page; the
    // messages of the handler below too.
    const ce::ConsoleText console_out(std::cout, ce::StandardStream::output);
    const ce::ConsoleText console_err(std::cerr, ce::StandardStream::error);
#endif
    // Whatever a command lets through ends here with a message, never an abort.
    try {
        const int status =
            ce::run_creatures(argc, argv, ce::system_file_ops(), std::cin, std::cout, std::cerr);
        std::cout.flush();
        if (!std::cout && !ce::output_failure_reported(std::cout)) {
            std::cerr << "creatures: cannot write to standard output\n";
            return ce::kExitError;
        }
        return status;
    } catch (const std::bad_alloc&) {
        std::cerr << "creatures: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "creatures: unexpected error: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "creatures: unexpected error\n";
    }
    return ce::kExitError;
}
