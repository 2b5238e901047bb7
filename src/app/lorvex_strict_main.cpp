// lorvex-strict: exact first-read matches and single-overlap votes.
#include "app/driver.h"

int main(int argc, char** argv) {
    return lorvex::RunProgram(argc, argv, lorvex::Variant::Strict);
}
