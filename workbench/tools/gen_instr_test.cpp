// Writes a test line stream as the spectrometer sends it: six replicates of
// 300 readings (0.02 s apart), each a baseline, a rise, a plateau and a fall,
// ended by "-1000"; CR LF line ends.  Two replicates each at three levels, so
// that they can be grouped into samples.  Deterministic: the same file at
// every build.
#include <cmath>
#include <cstdint>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::uint32_t seed = 20240611u;
    auto noise = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 16) % 21) - 10;  // -10..10
    };
    const int levels[] = {1200, 1200, 2600, 2600, 4100, 4100};
    const int points = 300, riseAt = 50, riseLen = 30, plateauLen = 150, fallLen = 40;
    const double pi = 3.14159265358979323846;
    for (int level : levels) {
        for (int i = 0; i < points; ++i) {
            double v = 0;
            if (i >= riseAt && i < riseAt + riseLen)
                v = level * 0.5 * (1 - std::cos(pi * (i - riseAt) / riseLen));
            else if (i >= riseAt + riseLen && i < riseAt + riseLen + plateauLen)
                v = level;
            else if (i >= riseAt + riseLen + plateauLen && i < riseAt + riseLen + plateauLen + fallLen)
                v = level * 0.5 * (1 + std::cos(pi * (i - riseAt - riseLen - plateauLen) / fallLen));
            std::fprintf(out, "%d\r\n", 25 + static_cast<int>(std::lround(v)) + noise());
        }
        std::fputs("-1000\r\n", out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
