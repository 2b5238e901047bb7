// lorvex-literal and lorvex-strict-literal: the two programs with the
// literal cycles, for benchmarks and output comparisons only.
#include "app/lorvex_program.h"
#include "reference/literal_cycles.h"

#ifndef LORVEX_BENCH_VARIANT
#error "LORVEX_BENCH_VARIANT must name Main or Strict"
#endif

int main(int argc, char** argv) {
    return lorvex::RunLorvex(argc, argv, lorvex::Variant::LORVEX_BENCH_VARIANT,
                             lorvex::MakeLiteralCycles);
}
