#include "notes/local_time.h"

#include <ctime>

namespace scriblet {

std::string localTimeNow(const char* format) {
    const std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1)) return std::string();
    const std::tm* local = std::localtime(&now);
    if (!local) return std::string();
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, format, local);
    return std::string(buffer, length);
}

std::string todayString() { return localTimeNow("%m%d%y"); }

}  // namespace scriblet
