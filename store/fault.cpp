#include "store/fault.h"

#include <ostream>

namespace ce {

std::string FileFault::message() const {
    if (path.empty()) return reason;
    return path + ": " + reason;
}

std::ostream& operator<<(std::ostream& out, const FileFault& fault) { return out << fault.message(); }

}  // namespace ce
