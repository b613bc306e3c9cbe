// Line assembly over long streams: the rules hold for any split of a stream
// into chunks, and a chunk costs time in proportion to its own length however
// long the line under assembly has grown (a stream that ends its lines in LF
// only never completes one).
#include <gtest/gtest.h>

#include <QLineSeries>

#include <chrono>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "ReceivedLines.h"

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
    std::mt19937 random(7);
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

TEST(LineAssemblyStream, TimePerByteStaysBoundedOnATwoMegabyteLfOnlyStream)
{
    // 2 MB of "12345\n" in 64-byte chunks, as the port delivers them: no CR
    // ever comes, so everything joins one line under assembly.  The time per
    // byte of the last eighth of the stream (the line already 1.5 MB long) is
    // compared with that of the first eighth; copying the line on every
    // chunk makes it about fifteen times larger.
    const size_t total = 2u << 20, chunk = 64;
    std::string stream;
    while (stream.size() < total)
        stream += "12345\n";
    stream.resize(total);

    QLineSeries series;
    TReceivedLines r;
    r.FCurrentSeries = &series;
    r.IsOverlapedView = [] { return true; };
    using Clock = std::chrono::steady_clock;
    const size_t eighth = total / 8;
    double nsFirst = 0, nsLast = 0;
    for (size_t at = 0; at < total;) {
        const bool first = at < eighth, last = at >= total - eighth;
        const auto t0 = Clock::now();
        const size_t end = first ? eighth : last ? total : total - eighth;
        for (; at < end; at += chunk)
            r.ReceiveData(stream.data() + at, std::min(chunk, total - at));
        const double ns = double(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - t0).count());
        if (first)
            nsFirst = ns / double(eighth);
        if (last)
            nsLast = ns / double(eighth);
    }
    std::cout << "line assembly, 2 MB LF-only stream in " << chunk << "-byte chunks: " << nsFirst
              << " ns/byte over the first eighth, " << nsLast << " ns/byte over the last\n";
    ASSERT_EQ(r.Count(), 1);
    EXPECT_EQ(r.FReceivedLines.back().size(), total - total / 6);
    EXPECT_EQ(series.count(), 0);
    EXPECT_LT(nsLast, 4 * nsFirst);
}
