#include "tool/messages.h"

#include <cstdio>

namespace lorvex {

void Tell(const std::string& program, const std::string& text) {
    std::string messages;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\n', start);
        messages += program + ": " + text.substr(start, end - start) + "\n";
        start = end == std::string::npos ? text.size() : end + 1;
    }
    std::fputs(messages.c_str(), stderr);
}

void Warn(const std::string& program, const std::string& what) {
    Tell(program, "warning: " + what);
}

}  // namespace lorvex
