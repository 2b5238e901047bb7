// lorvex-literal, lorvex-strict-literal, lorvex-bitset and
// lorvex-strict-bitset: the two programs with reference cycles (literal or
// bit-set), for benchmarks and output comparisons only.
#include "app/lorvex_program.h"
#include "reference/bitset_cycles.h"
#include "reference/literal_cycles.h"

#ifndef LORVEX_BENCH_VARIANT
#error "LORVEX_BENCH_VARIANT must name Main or Strict"
#endif
#ifndef LORVEX_BENCH_CYCLES
#error "LORVEX_BENCH_CYCLES must name MakeLiteralCycles or MakeBitsetCycles"
#endif

int main(int argc, char** argv) {
    return lorvex::RunLorvex(argc, argv, lorvex::Variant::LORVEX_BENCH_VARIANT,
                             lorvex::LORVEX_BENCH_CYCLES);
}
