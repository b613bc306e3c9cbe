// The experiment: its samples, and the calibration line fitted through the
// origin and the standards, which turns every other sample's statistic into a
// concentration.

#include <memory>
#include <vector>

#include "AASCls.h"
#include "RegComp.h"

ENoStandartsException::ENoStandartsException()
    : Exception("Can't do regression without defined standarts.")
{
}

TAASExperiment::TAASExperiment(const std::string& ATitle, bool AOwnsObjects)
    : TAASSampleList(AOwnsObjects), FTitle(ATitle)
{
}

TAASExperiment::~TAASExperiment() = default;

void TAASExperiment::SetUsedStatistic(std::uint8_t Value)
{
    if (Value != FUsedStatistic)
        FUsedStatistic = Value;
}

namespace {

// The statistic that the calibration uses for one sample, when the sample
// has it; False when it is not available (or the choice names none).
bool SampleStatistic(const TAASSample* Sample, std::uint8_t Used, long double& Value)
{
    switch (Used) {
    case usPeakMean:
        Value = Sample->PeakMean();
        return Value > 0;
    case usAreaMean:
        Value = Sample->AreaMean();
        return Value > 0;
    case usAnsambledPeak:
        Value = Sample->Ansambled()->PeakMean();
        return Sample->Ansambled()->PeakValid();
    case usAnsambledArea:
        Value = Sample->Ansambled()->Area();
        return Sample->Ansambled()->AreaValid();
    default:
        return false;
    }
}

const char* MissingStatisticMessage(std::uint8_t Used)
{
    switch (Used) {
    case usPeakMean:
        return "Peak mean for standart %.3f %s not available.";
    case usAreaMean:
        return "Area mean for standart %.3f %s not available.";
    case usAnsambledPeak:
        return "Ansambled peak mean for standart %.3f %s not available.";
    default:
        return "Ansambled area for standart  %.3f %s not available.";
    }
}

}  // namespace

void TAASExperiment::SortStandards(std::vector<TAASSample*>& Standards) const
{
    // Bubble sort towards the front; equal concentrations are never swapped,
    // so standards of one concentration keep the experiment's order.
    const int Count = static_cast<int>(Standards.size());
    bool Sorted = false;
    for (int I = 0; !Sorted && I < Count - 1; ++I) {
        Sorted = true;
        for (int J = Count - 1; J >= I + 1; --J) {
            if (!(Standards[J]->Concentration() >= Standards[J - 1]->Concentration())) {
                std::swap(Standards[J], Standards[J - 1]);
                Sorted = false;
            }
        }
    }
}

void TAASExperiment::DoRegression(std::vector<double>& X, std::vector<double>& Y)
{
    std::vector<TAASSample*> Standards;
    for (TAASSample* Sample : *this)
        if (Sample->Standart())
            Standards.push_back(Sample);
    if (Standards.empty())
        throw ENoStandartsException();
    SortStandards(Standards);

    // The origin is always the first point of the fit.
    X.assign(Standards.size() + 1, 0.0);
    Y.assign(Standards.size() + 1, 0.0);
    for (size_t I = 0; I < Standards.size(); ++I) {
        const TAASSample* Standard = Standards[I];
        X[I + 1] = Standard->Concentration();
        if (FUsedStatistic > usAnsambledArea)
            continue;  // no statistic chosen: Y stays 0
        long double Value = 0;
        if (!SampleStatistic(Standard, FUsedStatistic, Value))
            throw Exception(Format(MissingStatisticMessage(FUsedStatistic), Standard->Concentration(),
                                   QuoteInMessage(Standard->ConcentrationStr())));
        Y[I + 1] = ToDouble(Value);
    }

    TRegResult Fit;
    {
        std::unique_ptr<TRegComp> Reg(new TRegComp(nullptr));
        Reg->LinearRegression(X, Y, static_cast<int>(X.size()), Fit);
    }
    // The line is stored whole or not at all.
    const double NewB1 = ToDouble(Fit.B1);
    const double NewB0 = ToDouble(Fit.B0);
    const double NewR = ToDouble(Fit.R);
    const double NewR2 = ToDouble(static_cast<long double>(NewR) * NewR);
    FB1 = NewB1;
    FB0 = NewB0;
    FR = NewR;
    FR2 = NewR2;
    CalcConcentrations();
}

void TAASExperiment::CalcConcentrations()
{
    for (TAASSample* Sample : *this) {
        if (Sample->Standart())
            continue;
        double V = NotSet;
        long double Value = 0;
        if (SampleStatistic(Sample, FUsedStatistic, Value))
            V = ToDouble(Value);
        if (V == NotSet) {
            Sample->SetConcentration(NotSet);
        } else {
            TFPGuard Guard;
            const long double C = (static_cast<long double>(V) - FB0) / FB1;
            Sample->SetConcentration(ToDouble(Guard.Checked(C)));
        }
    }
}
