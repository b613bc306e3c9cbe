#pragma once
// The experiment that "Save As Experiment" writes: one sample per row with
// data, one replicate per stored block.

#include <memory>
#include <string>
#include <vector>

#include <QString>

class TAASExperiment;

namespace VelorTime {

// The experiment of the rows' stored texts, in table order.  A row with an
// empty text gives no sample.  A block the sample refuses (point count or
// step unlike its first replicate) is left out; readings after the last end
// marker are not exported.  A line that is not a number raises the
// conversion error and nothing is returned.
std::unique_ptr<TAASExperiment> BuildExperiment(const std::vector<std::string>& RowTexts);

// The name the experiment is written to: the typed name with its extension
// replaced by ".AXP", or ".AXP" appended when it has none.
QString ExperimentFileName(const QString& Typed);

}  // namespace VelorTime
