// The `creatures` command-line tool.
#include <iostream>

#include "cli/commands.h"
#include "store/file_ops.h"
#include "store/whole_file.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // Exports and imports are byte-exact: no CR LF translation on the standard streams.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);
    const int status = ce::run_creatures(argc, argv, ce::system_file_ops(), std::cin, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "creatures: cannot write to standard output\n";
        return ce::kExitError;
    }
    return status;
}
