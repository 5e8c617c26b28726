#include "store/fault.h"

#include <ostream>

namespace ce {

std::string FileFault::message() const {
    if (path.empty()) return reason;
    return path + ": " + reason;
}

FileFault failed_step(const std::string& path, const std::string& what, const FileFault& why) {
    return FileFault(path, what + ": " + why.reason);
}

std::ostream& operator<<(std::ostream& out, const FileFault& fault) { return out << fault.message(); }

}  // namespace ce
