// The two programs share all code and differ in the rules each layer takes
// from this switch: how much of a first read must equal its window (mates),
// how many windows the queue set holds and which are filled at start-up
// (mates), and which mates vote (calling).
#pragma once

namespace lorvex {

enum class Variant { Main, Strict };

}  // namespace lorvex
