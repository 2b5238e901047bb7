// lorvex-extend: extends every seed of a FASTA file, on one or both sides,
// and writes the extended contigs with the reason each side stopped.
#include "extend/extend_options.h"
#include "extend/extend_run.h"
#include "run/batch_run.h"

int main(int argc, char** argv) {
    using namespace lorvex::extend;
    return lorvex::BatchMain("lorvex-extend", argc, argv, ParseCommandLine, RunExtend);
}
