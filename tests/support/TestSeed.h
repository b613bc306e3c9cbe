#pragma once
// Seeds of tests that draw random trials.  A test takes its seed from
// TestSeed and traces it, so that a failure prints the seed:
//   const std::uint32_t Seed = TestSeed(7);   // or TestSeed(std::random_device{}())
//   SCOPED_TRACE(SeedTrace(Seed));
//   std::mt19937 Random(Seed);
// VELOR_TEST_SEED=<n> in the environment replays a printed seed: every
// TestSeed then returns n (run the one test with --gtest_filter).

#include <cstdint>
#include <cstdlib>
#include <string>

inline std::uint32_t TestSeed(std::uint32_t Fallback)
{
    const char* Text = std::getenv("VELOR_TEST_SEED");
    if (!Text || !*Text)
        return Fallback;
    char* End = nullptr;
    const unsigned long long Value = std::strtoull(Text, &End, 10);
    return *End == '\0' ? static_cast<std::uint32_t>(Value) : Fallback;
}

inline std::string SeedTrace(std::uint32_t Seed)
{
    return "random seed " + std::to_string(Seed) + " (VELOR_TEST_SEED=" + std::to_string(Seed) + " replays it)";
}
