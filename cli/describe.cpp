#include "cli/describe.h"

#include <ostream>

namespace ce {

void warn_unread_texts(const Dataset& data, const char* command, std::ostream& err) {
    for (const Fault& fault : unread_texts(data)) err << "creatures " << command << ": " << fault << "; read as empty\n";
}

}  // namespace ce
