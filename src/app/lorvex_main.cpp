// lorvex: the main variant.
#include "app/lorvex_program.h"

int main(int argc, char** argv) {
    return lorvex::RunLorvex(argc, argv, lorvex::Variant::Main);
}
