#include "base/errors.h"

#include <cstring>

namespace lorvex {

Interrupted::Interrupted(int signal)
    : std::runtime_error(std::string("stopped by signal ") + strsignal(signal)),
      signalNumber(signal) {}

}  // namespace lorvex
