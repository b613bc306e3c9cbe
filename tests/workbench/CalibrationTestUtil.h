// Helpers of the calibration and batch tests: experiments built in memory
// from a list of sample descriptions, so that a test can build the same
// experiment twice and compare the window's results with the model's.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "AASCls.h"

namespace calibration_test {

enum class Kind { Sample, Standart, Zero };

struct SampleSpec {
    std::string Title;
    double Height;            // plateau height above the base of 10
    Kind Type = Kind::Sample;
    double Concentration = NotSet;
    bool Plateau = true;      // plateau interval set
    bool Area = true;         // area interval set
    int Points = 60;
};

// Replicate r, point j: 10 + r outside the middle third, 10 + Height + 2 r in it.
inline double PeakPoint(const SampleSpec& S, int r, int j)
{
    const bool on = j >= S.Points / 3 && j < 2 * S.Points / 3;
    return on ? 10.0 + S.Height + 2 * r : 10.0 + r;
}

inline TAASSample* BuildSample(const SampleSpec& S, int Replicates = 2)
{
    auto* Sample = new TAASSample(S.Title, true);
    for (int r = 0; r < Replicates; ++r) {
        auto* Rep = new TAASReplicate;
        for (int j = 0; j < S.Points; ++j)
            Rep->Add(PeakPoint(S, r, j));
        Sample->Add(Rep);
    }
    const double Step = 0.02;
    if (S.Plateau) {
        Sample->SetPeakStart((S.Points / 3 + 1) * Step);
        Sample->SetPeakEnd((2 * S.Points / 3 - 1) * Step);
    }
    if (S.Area) {
        Sample->SetAreaStart(2 * Step);
        Sample->SetAreaEnd((S.Points - 2) * Step);
    }
    Sample->SetStandart(S.Type == Kind::Standart);
    Sample->SetZero(S.Type == Kind::Zero);
    Sample->SetConcentration(S.Concentration);
    return Sample;
}

inline std::unique_ptr<TAASExperiment> BuildExperiment(const std::vector<SampleSpec>& Specs, int Replicates = 2)
{
    auto E = std::make_unique<TAASExperiment>("Experiment", true);
    for (const SampleSpec& S : Specs)
        E->Add(BuildSample(S, Replicates));
    return E;
}

// Two standards (1 and 3 ppm), two samples and a zero sample.
inline std::vector<SampleSpec> StandardSet()
{
    return {
        {"Std 3", 300, Kind::Standart, 3.0},
        {"Sample A", 150},
        {"Std 1", 110, Kind::Standart, 1.0},
        {"Blank", 20, Kind::Zero},
        {"Sample B", 250},
    };
}

}  // namespace calibration_test
