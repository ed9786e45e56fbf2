// The twin-road harness: random inputs run through the road a plan picks and through the general
// road beside it, which every fast road must agree with, and what each gives compared.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace road_twin {

// The road a run is forced onto: the one its plan picks, or the general one.
enum class Road { Chosen, General };

inline const char* nameOf(Road road) {
    return road == Road::Chosen ? "chosen road" : "general road";
}

// The random choices of a generator.
class Dice {
  public:
    explicit Dice(unsigned seed) : random(seed) {}

    // A number from 0 to n - 1.
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }
    // A number from low to high.
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    // True about once in n throws.
    bool oneIn(int n) { return below(n) == 0; }
    template <class T>
    const T& pick(const std::vector<T>& from) {
        return from[std::size_t(below(int(from.size())))];
    }
    std::mt19937& engine() { return random; }

  private:
    std::mt19937 random;
};

// The lines of a text, empty ones left out, sorted: for what a road may give in another order.
inline std::vector<std::string> sortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The lines of a text that begin with `prefix`, in their order, without it.
inline std::vector<std::string> linesAfter(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) lines.push_back(line.substr(prefix.size()));
    return lines;
}

// Runs `rounds` inputs, each made by `make(dice)` from dice seeded with `seed`, through
// `run(input, road)` on the chosen road and on the general one, and expects the two results
// equal. The input is anything a stream prints (the failure shows it, to be kept as a fixed
// case); the result anything EXPECT_EQ compares. Stops at the first disagreement. Gives the
// number of rounds run.
template <class Make, class Run>
int expectTwins(unsigned seed, int rounds, Make make, Run run) {
    Dice dice(seed);
    int done = 0;
    for (int round = 0; round < rounds; ++round) {
        const auto input = make(dice);
        const auto chosen = run(input, Road::Chosen);
        const auto general = run(input, Road::General);
        ++done;
        EXPECT_EQ(chosen, general)
            << "the " << nameOf(Road::Chosen) << " and the " << nameOf(Road::General)
            << " disagree in round " << round << " of seed " << seed << " on:\n"
            << input;
        if (chosen != general) break;
    }
    return done;
}

// Runs each fixed input through both roads, as expectTwins does a random one.
template <class Input, class Run>
void expectTwinsOn(const std::vector<Input>& inputs, Run run) {
    for (const Input& input : inputs)
        EXPECT_EQ(run(input, Road::Chosen), run(input, Road::General)) << input;
}

// A program in two steps for the twin tests that evaluate again: facts and rules, then (where
// `later` is not empty) later facts with the same rules added and evaluated again.
struct TwoSteps {
    std::string facts;
    std::string rules;
    std::string later;
};

inline std::ostream& operator<<(std::ostream& out, const TwoSteps& input) {
    return out << input.facts << input.rules << "-- then --\n" << input.later;
}

// What a twin model of two steps gives: whether each evaluation finished (from `run(text)`), each
// followed by the lines `answers(lines)` appends.
template <class Run, class Answers>
std::vector<std::string> evaluatedInSteps(const TwoSteps& input, Run run, Answers answers) {
    std::vector<std::string> all{"evaluated: " + std::to_string(run(input.facts + input.rules))};
    answers(all);
    if (!input.later.empty()) {
        all.push_back("again: " + std::to_string(run(input.later + input.rules)));
        answers(all);
    }
    return all;
}

// For evaluatedInSteps: the lines `ask(query)` answers to each of `queries`, each after its query.
template <class Ask>
auto answersOf(const std::vector<std::string>& queries, Ask ask) {
    return [&queries, ask](std::vector<std::string>& all) {
        for (const std::string& query : queries)
            for (const std::string& line : ask(query)) all.push_back(query + " " + line);
    };
}

}  // namespace road_twin
