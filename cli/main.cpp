// The `creatures` tool.
#include <exception>
#include <iostream>
#include <new>

#include "cli/commands.h"
#include "store/whole_file.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
    // Whatever a command lets through ends here with a message, never an abort.
    try {
#ifdef _WIN32
        // Exports and imports are byte-exact: no CR LF translation on the standard streams.
        _setmode(_fileno(stdout), _O_BINARY);
        _setmode(_fileno(stdin), _O_BINARY);
#endif
        std::ios::sync_with_stdio(false);
        const int status =
            ce::run_creatures(argc, argv, ce::system_file_ops(), std::cin, std::cout, std::cerr);
        std::cout.flush();
        if (!std::cout) {
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
