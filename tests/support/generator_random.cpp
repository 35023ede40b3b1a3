#include "generator_random.h"

namespace varnet::test {

int Uniform(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

bool Chance(std::mt19937& random, double p) {
    return std::uniform_real_distribution<double>(0, 1)(random) < p;
}

std::string RandomBytes(std::mt19937& random) {
    std::string bytes(static_cast<size_t>(Uniform(random, 1, 12)), '\0');
    for (char& c : bytes)
        c = static_cast<char>(Uniform(random, 0, 255));
    return bytes;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.emplace_back(text, start, end - start);
        start = end;
    }
    return lines;
}

} // namespace varnet::test
