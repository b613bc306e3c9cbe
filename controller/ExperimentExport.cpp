#include "ExperimentExport.h"

#include "AASCls.h"
#include "FileNames.h"
#include "ReceivedData.h"

namespace VelorTime {

std::unique_ptr<TAASExperiment> BuildExperiment(const std::vector<std::string>& RowTexts)
{
    auto Experiment = std::make_unique<TAASExperiment>("", true);
    for (const std::string& Text : RowTexts) {
        if (Text.empty())
            continue;
        auto Sample = std::make_unique<TAASSample>("", true);
        auto Replicate = std::make_unique<TAASReplicate>();
        for (const std::string& Line : StoredBlockLines(Text)) {
            if (Line == ReplicateEndMarker) {
                // A refused replicate is freed with the reset below.
                if (Sample->CanAdd(Replicate.get()))
                    Sample->Add(Replicate.release());
                Replicate = std::make_unique<TAASReplicate>();
            } else {
                Replicate->Add(static_cast<double>(StrToFloat(Line)));
            }
        }
        Experiment->Add(Sample.release());
    }
    return Experiment;
}

QString ExperimentFileName(const QString& Typed)
{
    return gui::ChangeFileExt(Typed, QStringLiteral(".AXP"));
}

}  // namespace VelorTime
