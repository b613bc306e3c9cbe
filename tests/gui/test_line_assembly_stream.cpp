// Line assembly over long streams: the rules hold for any split of a stream
// into chunks, and a stream that ends its lines in LF only never completes
// one.  (What a chunk costs as the line under assembly grows is measured in
// bench/bench_workbench_stream.cpp.)
#include <gtest/gtest.h>

#include <QLineSeries>

#include <random>
#include <string>
#include <vector>

#include "ReceivedLines.h"
#include "TestSeed.h"

using gui::TReceivedLines;
using Lines = std::vector<std::string>;

namespace {

// The rules written out plainly over the whole stream: NUL and LF dropped,
// CR ends a line, the last item is the line under assembly.  A stream of
// nothing but NUL bytes leaves the list empty.
Lines Expected(const std::string& stream)
{
    Lines out;
    bool any = false;
    std::string line;
    for (char c : stream) {
        if (c == '\0')
            continue;
        any = true;
        if (c == '\n')
            continue;
        if (c == '\r') {
            out.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (any)
        out.push_back(line);
    return out;
}

}  // namespace

TEST(LineAssemblyStream, AnySplitIntoChunksGivesTheLinesOfTheWholeStream)
{
    const std::uint32_t seed = TestSeed(7);
    SCOPED_TRACE(SeedTrace(seed));
    std::mt19937 random(seed);
    const char alphabet[] = {'1', '2', '-', '0', '\0', '\n', '\r', '\r'};
    std::uniform_int_distribution<int> pick(0, sizeof alphabet - 1), length(1, 9);
    for (int round = 0; round < 300; ++round) {
        std::string stream(size_t(random() % 60), ' ');
        for (char& c : stream)
            c = alphabet[pick(random)];
        TReceivedLines r;
        for (size_t at = 0; at < stream.size();) {
            const size_t n = std::min(stream.size() - at, size_t(length(random)));
            const bool onlyNul = stream.find_first_not_of('\0', at) >= at + n;
            EXPECT_EQ(r.Assemble(stream.data() + at, n), !onlyNul);
            at += n;
        }
        ASSERT_EQ(r.FReceivedLines, Expected(stream)) << "round " << round;
    }
}

TEST(LineAssemblyStream, ATwoMegabyteLfOnlyStreamJoinsIntoOneLineUnderAssembly)
{
    // 2 MB of "12345\n" in 64-byte chunks, as the port delivers them: no CR
    // ever comes, so everything but the LFs joins one line under assembly,
    // and nothing is plotted.
    const size_t total = 2u << 20, chunk = 64;
    std::string stream;
    while (stream.size() < total)
        stream += "12345\n";
    stream.resize(total);

    QLineSeries series;
    TReceivedLines r;
    r.FCurrentSeries = &series;
    r.IsOverlapedView = [] { return true; };
    for (size_t at = 0; at < total; at += chunk)
        r.ReceiveData(stream.data() + at, std::min(chunk, total - at));
    ASSERT_EQ(r.Count(), 1);
    const std::string& line = r.FReceivedLines.back();
    EXPECT_EQ(line.size(), total - total / 6);
    EXPECT_EQ(line.substr(0, 12), "123451234512");
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(series.count(), 0);
}
