#include "run/run_settings.h"

namespace lorvex {

ExtensionRules RulesFor(const RunSettings& settings) {
    ExtensionRules rules;
    rules.parameters = settings.parameters;
    rules.variant = settings.variant;
    rules.cap = settings.cap;
    return rules;
}

}  // namespace lorvex
