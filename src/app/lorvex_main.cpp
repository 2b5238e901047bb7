// lorvex: the main variant.
#include "app/driver.h"

int main(int argc, char** argv) {
    return lorvex::RunProgram(argc, argv, lorvex::Variant::Main);
}
