#include "tool/run_tool.h"

#include <csignal>
#include <cstdio>
#include <new>
#include <system_error>

#include "base/errors.h"

namespace lorvex {

int RunTool(const std::string& program, const std::function<int()>& body, const ToolEnds& ends) {
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
    } catch (const ClosedPipe& error) {
        return ends.quietOnClosedPipe ? 128 + SIGPIPE : report(error.what(), 1);
    } catch (const OutputError& error) {
        return report(error.what(), 1);
    } catch (const Interrupted& error) {
        return report(std::string(error.what()) + "; " + ends.stoppedNote,
                      128 + error.signalNumber);
    } catch (const std::bad_alloc&) {
        return report(ends.outOfMemoryAdvice.empty()
                          ? "out of memory"
                          : "out of memory (" + ends.outOfMemoryAdvice + ")",
                      1);
    } catch (const std::system_error& error) {
        return report(error.what(), 1);
    }
}

}  // namespace lorvex
