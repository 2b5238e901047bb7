// lorvex-literal, lorvex-strict-literal, lorvex-bitset and
// lorvex-strict-bitset: the two programs with a reference extension engine,
// for benchmarks and output comparisons only.
#include "app/driver.h"

#ifndef LORVEX_BENCH_VARIANT
#error "LORVEX_BENCH_VARIANT must name Main or Strict"
#endif
#ifndef LORVEX_BENCH_ENGINE
#define LORVEX_BENCH_ENGINE Literal
#endif

int main(int argc, char** argv) {
    return lorvex::RunProgram(argc, argv, lorvex::Variant::LORVEX_BENCH_VARIANT,
                              lorvex::Engine::LORVEX_BENCH_ENGINE);
}
