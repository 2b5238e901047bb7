// lorvex-close: closes the gaps of scaffolds by extending both flanks of
// every gap towards each other.
#include "close/close_options.h"
#include "close/close_run.h"
#include "run/batch_run.h"

int main(int argc, char** argv) {
    using namespace lorvex::close;
    return lorvex::BatchMain("lorvex-close", argc, argv, ParseCommandLine, RunClose);
}
