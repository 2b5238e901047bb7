// Messages on standard error, every line starting with the program's name,
// so that a log of several programs tells who said what. A warning carries
// one tag after the name: "lorvex-extend: warning: ...".
#pragma once

#include <string>

namespace lorvex {

// Every line of `text` as "<program>: <line>"; a last line without its line
// end gets one.
void Tell(const std::string& program, const std::string& text);

// "<program>: warning: <what>".
void Warn(const std::string& program, const std::string& what);

}  // namespace lorvex
