#include "tool/run_tool.h"

#include <csignal>
#include <cstdio>
#include <new>
#include <system_error>

#include "base/errors.h"

namespace lorvex {

int RunTool(const std::string& program, const std::function<int()>& body,
            const std::string& outOfMemoryAdvice) {
    std::signal(SIGPIPE, SIG_IGN);
    const auto report = [&](const std::string& message, int status) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), message.c_str());
        return status;
    };
    try {
        return body();
    } catch (const UsageError& error) {
        return report(error.what(), 2);
    } catch (const InputError& error) {
        return report(error.what(), 1);
    } catch (const OutputError& error) {
        return report(error.what(), 1);
    } catch (const Interrupted& error) {
        return report(std::string(error.what()) + "; nothing was written",
                      128 + error.signalNumber);
    } catch (const std::bad_alloc&) {
        return report(outOfMemoryAdvice.empty() ? "out of memory"
                                                : "out of memory (" + outOfMemoryAdvice + ")",
                      1);
    } catch (const std::system_error& error) {
        return report(error.what(), 1);
    }
}

}  // namespace lorvex
