// Feeds arbitrary bytes to the experiment file reader; what it reads must
// save and load again.
#include <cstdint>
#include <string>

#include "AASCls.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    TakeSeparator(Data, Size);
    static const std::string File = ScratchFile("experiment.axp");
    static const std::string Out = ScratchFile("experiment_out.axp");
    WriteScratch(File, Data, Size);

    TAASExperiment E("", true);
    try {
        E.LoadFromFile(File);
    } catch (const Exception&) {
    }
    try {
        E.SaveToFile(Out);
        TAASExperiment F("", true);
        F.LoadFromFile(Out);
        // Without description lines nothing can be taken for a block.
        if (E.Description().empty() && F.Count() > E.Count())
            __builtin_trap();
    } catch (const Exception&) {
    }
    return 0;
}
