// Feeds arbitrary bytes to the sample text reader (both the file and the
// list form) and checks that what it accepts writes and reads back stably.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <string>

#include "AASCls.h"
#include "FuzzSupport.h"

namespace {

void Check(bool Condition)
{
    if (!Condition)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    TakeSeparator(Data, Size);
    int Skip = 0;
    if (Size > 0) {
        Skip = Data[0] % 8;  // 0 for .AST, 6 for .AAT, and a few others
        ++Data;
        --Size;
    }
    static const std::string File = ScratchFile("sample.ast");
    static const std::string Out = ScratchFile("sample_out.ast");
    WriteScratch(File, Data, Size);

    TAASSample S("", true);
    int Calls = 0;
    S.LoadFromFile(File, Skip, [&](int Position, int Total) {
        Check(Position >= 1 && Position <= Total && Position > Calls);
        Calls = Position;
    });

    // Whatever was read writes out and reads back with the same points.
    TAASStrings Lines;
    S.SaveToStrings(Lines);
    TAASSample T("", true);
    try {
        T.LoadFromStrings(Lines);
    } catch (const Exception&) {
        // A bound written with two decimals may now fall outside the points.
        return 0;
    }
    // A point that is written as the end marker splits its replicate when
    // read back; that is the format's own limit.
    for (const TAASReplicate* R : S)
        for (double P : R->Points())
            if (FloatToStr(P) == ReplicateEndMarker)
                return 0;
    Check(T.Count() == S.Count());
    for (int I = 0; I < T.Count(); ++I) {
        const TAASPointArray& A = S.GetItem(I)->Points();
        const TAASPointArray& B = T.GetItem(I)->Points();
        Check(A.size() == B.size());
        for (size_t J = 0; J < A.size(); ++J) {
            if (std::fabs(A[J]) < DBL_MIN)
                continue;  // subnormals carry fewer than 15 digits
            Check(FloatToStr(A[J]) == FloatToStr(B[J]));
        }
    }
    if (S.Count() > 0) {
        Check(S.SaveToFile(Out));
        TAASSample U("", true);
        U.LoadFromFile(Out);
    }
    return 0;
}
