#include "store/fault.h"

#include <ostream>

namespace ce {

FaultKind kind_of_reason(const std::string& reason) {
    if (reason == reason::kMissing) return FaultKind::missing;
    if (reason == reason::kDenied) return FaultKind::denied;
    return FaultKind::io;
}

std::string Fault::message() const {
    if (path.empty()) return reason;
    return path + ": " + reason;
}

Fault failed_step(const std::string& path, const std::string& what, const Fault& why) {
    return Fault(why.kind, path, what + ": " + why.reason);
}

std::ostream& operator<<(std::ostream& out, const Fault& fault) { return out << fault.message(); }

std::string Status::message() const { return ok() ? std::string() : fault_->message(); }

}  // namespace ce
