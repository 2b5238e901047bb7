// lorvex-literal and lorvex-strict-literal: the two programs with the
// reference extension engine, for benchmarks and output comparisons only.
#include "app/driver.h"

#ifndef LORVEX_BENCH_VARIANT
#error "LORVEX_BENCH_VARIANT must name Main or Strict"
#endif

int main(int argc, char** argv) {
    return lorvex::RunProgram(argc, argv, lorvex::Variant::LORVEX_BENCH_VARIANT,
                              lorvex::Engine::Literal);
}
