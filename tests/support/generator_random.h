// Pieces both report generators draw on: seeded choices, random bytes and the
// report split into lines (each keeping its line feed).
#pragma once

#include <random>
#include <string>
#include <vector>

namespace varnet::test {

int Uniform(std::mt19937& random, int low, int high);
bool Chance(std::mt19937& random, double p);
// One to twelve bytes of any value: garbage that may hold NUL, CR or LF.
std::string RandomBytes(std::mt19937& random);
std::vector<std::string> SplitLines(const std::string& text);

} // namespace varnet::test
