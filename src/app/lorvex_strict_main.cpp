// lorvex-strict: exact first-read matches and single-overlap votes.
#include "app/lorvex_program.h"

int main(int argc, char** argv) {
    return lorvex::RunLorvex(argc, argv, lorvex::Variant::Strict);
}
