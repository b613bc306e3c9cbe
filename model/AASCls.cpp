// Point list, replicate and sample (everything but the file formats).
#include "AASCls.h"

#include <climits>
#include <cmath>

// ---------------------------------------------------------------------------
// Mean and standard deviation

long double PlainMean(const double* Values, int Count)
{
    long double Sum = 0;
    for (int I = 0; I < Count; ++I)
        Sum += Values[I];
    return Sum / Count;
}

void MeanAndSD(const double* Values, int Count, long double& Mean, long double& SD)
{
    if (Count == 1) {
        Mean = Values[0];
        SD = Values[0];
        return;
    }
    const long double M = PlainMean(Values, Count);
    long double Squares = 0;
    for (int I = 0; I < Count; ++I) {
        const long double D = M - Values[I];
        Squares += D * D;
    }
    Mean = M;
    SD = std::sqrt(Squares / (Count - 1));
}

namespace {

// SD * 100 / Mean, failing on a zero mean as the floating-point rules say.
long double RelativeSD(long double Mean, long double SD)
{
    FPClear();
    const long double R = SD * 100 / Mean;
    return FPChecked(R);
}

}  // namespace

// ---------------------------------------------------------------------------
// TAASDoubleList

int TAASDoubleList::Add(double Value)
{
    FPoints.push_back(Value);
    return Count() - 1;
}

bool TAASDoubleList::ValidIndex(int Index) const
{
    return Index >= 0 && Index < Count();
}

void TAASDoubleList::Clear()
{
    FPoints.clear();
    FPoints.shrink_to_fit();
}

double TAASDoubleList::GetItem(int Index) const
{
    if (!ValidIndex(Index))
        throw EListError(Format(SListIndexError, Index));
    return FPoints[static_cast<size_t>(Index)];
}

void TAASDoubleList::SetItem(int Index, double Value)
{
    if (!ValidIndex(Index))
        throw EListError(Format(SListIndexError, Index));
    FPoints[static_cast<size_t>(Index)] = Value;
}

void TAASDoubleList::CheckRange(int StartIndex, int EndIndex) const
{
    if (!ValidIndex(StartIndex))
        throw EListError(Format(SListIndexError, StartIndex));
    if (!ValidIndex(EndIndex))
        throw EListError(Format(SListIndexError, EndIndex));
    if (EndIndex < StartIndex)
        throw EListError(Format("[%d;%d] is not a valid interval", StartIndex, EndIndex));
}

void TAASDoubleList::GetRange(int StartIndex, int EndIndex, TAASPointArray& Dest) const
{
    CheckRange(StartIndex, EndIndex);
    Dest.assign(FPoints.begin() + StartIndex, FPoints.begin() + EndIndex + 1);
}

// ---------------------------------------------------------------------------
// TAASReplicate

TAASReplicate::TAASReplicate() = default;

TAASReplicate::~TAASReplicate() = default;

void TAASReplicate::Clear()
{
    TAASDoubleList::Clear();
    FAreaValid = false;
    FPeakValid = false;
    FResolution = 0.02;
}

void TAASReplicate::Assign(const TAASDoubleList* Source)
{
    const auto* Src = dynamic_cast<const TAASReplicate*>(Source);
    // A replicate assigned to itself would lose its points in Clear.
    if (Src == nullptr || Src == this)
        return;
    Clear();
    FPoints = Src->FPoints;
    FArea = Src->FArea;
    FAreaValid = Src->FAreaValid;
    FAreaStartX = Src->FAreaStartX;
    FAreaEndX = Src->FAreaEndX;
    FPeakValid = Src->FPeakValid;
    FPeakStartX = Src->FPeakStartX;
    FPeakEndX = Src->FPeakEndX;
    FPeakMean = Src->FPeakMean;
    FPeakSD = Src->FPeakSD;
    FPeakRSD = Src->FPeakRSD;
    FResolution = Src->FResolution;
}

void TAASReplicate::ResetArea()
{
    FArea = NotSet;
    FAreaStartX = NotSet;
    FAreaEndX = NotSet;
    FAreaValid = false;
}

void TAASReplicate::ResetPeak()
{
    FPeakStartX = NotSet;
    FPeakEndX = NotSet;
    FPeakMean = NotSet;
    FPeakSD = NotSet;
    FPeakRSD = NotSet;
    FPeakValid = false;
}

double TAASReplicate::XOfIndex(int Index) const
{
    if (!ValidIndex(Index))
        throw EListError(Format(SListIndexError, Index));
    FPClear();
    const long double X = static_cast<long double>(Index) * FResolution + FResolution;
    return FPChecked(ToDouble(X));
}

int TAASReplicate::IndexOfX(double X) const
{
    FPClear();
    const long double Q = static_cast<long double>(X) / FResolution;
    const double Quotient = FPChecked(ToDouble(Q));
    // Beyond the integer range the index is out of bounds anyway; keep it
    // there instead of wrapping around into the points.
    if (Quotient >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (Quotient <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(Trunc(Quotient));
}

long double TAASReplicate::CalcArea(double StartX, double EndX)
{
    return CalcAreaByIndex(IndexOfX(StartX), IndexOfX(EndX));
}

long double TAASReplicate::CalcAreaByIndex(int StartIndex, int EndIndex)
{
    CheckRange(StartIndex, EndIndex);
    const double A = AreaIntegral(StartIndex, EndIndex, FPoints, FResolution);
    const double StartX = XOfIndex(StartIndex);
    const double EndX = XOfIndex(EndIndex);
    FArea = A;
    FAreaValid = true;
    FAreaStartX = StartX;
    FAreaEndX = EndX;
    return A;
}

void TAASReplicate::CalcPeak(double StartX, double EndX)
{
    CalcPeakByIndex(IndexOfX(StartX), IndexOfX(EndX));
}

void TAASReplicate::CalcPeakByIndex(int StartIndex, int EndIndex)
{
    CheckRange(StartIndex, EndIndex);
    const double* Values = FPoints.data() + StartIndex;
    const int N = EndIndex - StartIndex + 1;
    const double StartX = XOfIndex(StartIndex);
    const double EndX = XOfIndex(EndIndex);
    FPeakValid = true;
    FPeakStartX = StartX;
    FPeakEndX = EndX;
    MeanAndSD(Values, N, FPeakMean, FPeakSD);
    FPeakRSD = RelativeSD(FPeakMean, FPeakSD);
}

void TAASReplicate::SubtractZero(double StartX, double EndX)
{
    SubtractZeroByIndex(IndexOfX(StartX), IndexOfX(EndX));
}

void TAASReplicate::SubtractZeroByIndex(int StartIndex, int EndIndex)
{
    CheckRange(StartIndex, EndIndex);
    const long double Z = PlainMean(FPoints.data() + StartIndex, EndIndex - StartIndex + 1);
    for (double& P : FPoints)
        P = ToDouble(P - Z);
}

void TAASReplicate::SetResolution(double NewResolution)
{
    if (NewResolution == FResolution)
        return;
    FPClear();
    const long double Q = FPChecked(static_cast<long double>(NewResolution) / FResolution);
    // K stays within the int range; a K beyond the points makes no block,
    // which is what any larger K would do too.
    long long K;
    if (Q >= static_cast<long double>(INT_MAX))
        K = INT_MAX;
    else if (Q <= static_cast<long double>(INT_MIN + 1))
        K = INT_MIN + 1;
    else
        K = Trunc(Q);

    TAASPointArray Result;
    TAASPointArray Block;
    const long long Count = this->Count();
    for (long long C = 0; C <= Count - K; C += K) {
        GetRange(static_cast<int>(C), static_cast<int>(C + K - 1), Block);
        Result.push_back(ToDouble(PlainMean(Block.data(), static_cast<int>(Block.size()))));
    }
    if (!Result.empty())
        FPoints.swap(Result);
    FAreaValid = false;
    FPeakValid = false;
    FResolution = NewResolution;
}

void TAASReplicate::FindEdges(double& RiseX, double& FallX) const
{
    if (Count() < 2)
        return;
    TAASPointArray D;
    Differences(FPoints, D);
    double Largest = D[0], Smallest = D[0];
    for (double V : D) {
        if (V > Largest)
            Largest = V;
        if (V < Smallest)
            Smallest = V;
    }
    int Rise = -1, Fall = -1;
    for (int I = 0; I < static_cast<int>(D.size()) && (Rise < 0 || Fall < 0); ++I) {
        if (Rise < 0 && D[static_cast<size_t>(I)] == Largest)
            Rise = I;
        if (Fall < 0 && D[static_cast<size_t>(I)] == Smallest)
            Fall = I;
    }
    const double NewRise = XOfIndex(Rise);
    const double NewFall = XOfIndex(Fall);
    RiseX = NewRise;
    FallX = NewFall;
}

void TAASReplicate::SmoothMovingAverage(int N)
{
    TAASPointArray Result;
    ::SmoothMovingAverage(N, FPoints, Result);
    FPoints.swap(Result);
}

void TAASReplicate::SmoothWeighted(int N)
{
    TAASPointArray Result;
    ::SmoothWeighted(N, FPoints, Result);
    FPoints.swap(Result);
}

// ---------------------------------------------------------------------------
// TAASSample

TAASSample::TAASSample(const std::string& ATitle, bool AOwnsObjects)
    : TAASReplicateList(AOwnsObjects), FAnsambled(new TAASReplicate), FTitle(ATitle)
{
}

TAASSample::~TAASSample()
{
    delete FAnsambled;
}

bool TAASSample::CanAdd(const TAASReplicate* R) const
{
    if (R == nullptr)
        return false;
    if (Count() == 0)
        return true;
    return R->Count() == FItems[0]->Count() && R->Resolution() == GetResolution();
}

int TAASSample::Add(TAASReplicate* R)
{
    if (!CanAdd(R))
        return -1;
    const int Index = TAASReplicateList::Add(R);
    BuildAnsambled();
    return Index;
}

int TAASSample::Remove(TAASReplicate* R)
{
    const int Index = TAASReplicateList::Remove(R);
    BuildAnsambled();
    return Index;
}

long double TAASSample::GetResolution() const
{
    if (Count() == 0)
        return NotSet;
    return FItems[0]->Resolution();
}

void TAASSample::BuildAnsambled()
{
    if (Count() == 0)
        return;
    FAnsambled->Clear();
    FAnsambled->FResolution = FItems[0]->Resolution();

    const size_t Points = FItems[0]->FPoints.size();
    size_t Available = Points;
    std::vector<const double*> Rows;
    Rows.reserve(FItems.size());
    for (const TAASReplicate* R : FItems) {
        Rows.push_back(R->FPoints.data());
        Available = std::min(Available, R->FPoints.size());
    }
    const long double N = static_cast<long double>(Rows.size());
    TAASPointArray& Mean = FAnsambled->FPoints;
    Mean.reserve(Points);
    for (size_t J = 0; J < Available; ++J) {
        long double Sum = 0;
        for (const double* Row : Rows)
            Sum += Row[J];
        Mean.push_back(static_cast<double>(Sum / N));
    }
    // A replicate changed behind the sample's back may be shorter than the
    // first one: its missing point is an index error, as reading it would be.
    if (Available < Points)
        throw EListError(Format(SListIndexError, static_cast<long long>(Available)));

    CalcAnsambledArea();
    CalcAnsambledPeak();
}

// One rule for the four interval bounds: NotSet resets the interval; a value
// equal to the bound or not above 0 is refused; with the other bound unset
// the value is stored alone; otherwise it must keep start <= end, and then
// the interval is computed.
void TAASSample::SetBound(double X, double& Bound, double Other, bool IsStart, void (TAASSample::*Reset)(),
                          void (TAASSample::*Calc)())
{
    if (X == NotSet) {
        Bound = NotSet;
        (this->*Reset)();
        return;
    }
    if (X == Bound || X <= 0)
        return;
    if (Other == NotSet) {
        Bound = X;
        return;
    }
    if (IsStart ? X <= Other : X >= Other) {
        Bound = X;
        (this->*Calc)();
    }
}

void TAASSample::SetAreaStart(double X)
{
    SetBound(X, FAreaStart, FAreaEnd, true, &TAASSample::ResetAreaResults, &TAASSample::CalcAreas);
}

void TAASSample::SetAreaEnd(double X)
{
    SetBound(X, FAreaEnd, FAreaStart, false, &TAASSample::ResetAreaResults, &TAASSample::CalcAreas);
}

void TAASSample::SetPeakStart(double X)
{
    SetBound(X, FPeakStart, FPeakEnd, true, &TAASSample::ResetPeakResults, &TAASSample::CalcPeaks);
}

void TAASSample::SetPeakEnd(double X)
{
    SetBound(X, FPeakEnd, FPeakStart, false, &TAASSample::ResetPeakResults, &TAASSample::CalcPeaks);
}

void TAASSample::CalcStatistics(const std::vector<double>& Values, long double& Mean, long double& SD,
                                long double& RSD)
{
    MeanAndSD(Values.data(), static_cast<int>(Values.size()), Mean, SD);
    RSD = RelativeSD(Mean, SD);
}

void TAASSample::CalcAreas()
{
    if (Count() == 0 || FAreaStart == NotSet || FAreaEnd == NotSet || FAreaStart > FAreaEnd)
        return;
    std::vector<double> Values;
    Values.reserve(FItems.size());
    for (TAASReplicate* R : FItems) {
        R->CalcArea(FAreaStart, FAreaEnd);
        Values.push_back(static_cast<double>(R->Area()));
    }
    CalcStatistics(Values, FAreaMean, FAreaSD, FAreaRSD);
    CalcAnsambledArea();
}

void TAASSample::CalcPeaks()
{
    if (Count() == 0 || FPeakStart == NotSet || FPeakEnd == NotSet || FPeakStart > FPeakEnd)
        return;
    std::vector<double> Values;
    Values.reserve(FItems.size());
    for (TAASReplicate* R : FItems) {
        R->CalcPeak(FPeakStart, FPeakEnd);
        Values.push_back(ToDouble(R->PeakMean()));
    }
    CalcStatistics(Values, FPeakMean, FPeakSD, FPeakRSD);
    CalcAnsambledPeak();
}

void TAASSample::CalcAnsambledArea()
{
    if (Count() > 0 && FAreaStart != NotSet && FAreaEnd != NotSet)
        FAnsambled->CalcArea(FAreaStart, FAreaEnd);
}

void TAASSample::CalcAnsambledPeak()
{
    if (Count() > 0 && FPeakStart != NotSet && FPeakEnd != NotSet)
        FAnsambled->CalcPeak(FPeakStart, FPeakEnd);
}

void TAASSample::Recalculate()
{
    CalcAreas();
    CalcPeaks();
}

void TAASSample::ResetAreaResults()
{
    FAreaMean = NotSet;
    FAreaSD = NotSet;
    FAreaRSD = NotSet;
    for (TAASReplicate* R : FItems)
        R->ResetArea();
    FAnsambled->ResetArea();
}

void TAASSample::ResetPeakResults()
{
    FPeakMean = NotSet;
    FPeakSD = NotSet;
    FPeakRSD = NotSet;
    for (TAASReplicate* R : FItems)
        R->ResetPeak();
    FAnsambled->ResetPeak();
}

void TAASSample::SetAbsorbtion(bool Value)
{
    if (Value == FAbsorbtion || Count() == 0)
        return;
    FAbsorbtion = Value;
    for (TAASReplicate* R : FItems) {
        for (double& P : R->FPoints) {
            const long double Scaled =
                Value ? static_cast<long double>(P) / 10000 : static_cast<long double>(P) * 10000;
            P = ToDouble(Scaled);
        }
    }
    BuildAnsambled();
    Recalculate();
}

void TAASSample::SetResolution(double X)
{
    if (Count() == 0 || X <= GetResolution())
        return;
    for (TAASReplicate* R : FItems)
        R->SetResolution(X);
    BuildAnsambled();
    Recalculate();
}

void TAASSample::Smooth(std::uint8_t Kind, int N)
{
    if (N <= 0)
        return;
    for (TAASReplicate* R : FItems) {
        if (Kind == 0)
            R->SmoothMovingAverage(N);
        else if (Kind == 1)
            R->SmoothWeighted(N);
    }
    BuildAnsambled();
    Recalculate();
}

void TAASSample::SubtractZero(double StartX, double EndX)
{
    if (Count() == 0)
        return;
    for (TAASReplicate* R : FItems)
        R->SubtractZero(StartX, EndX);
    BuildAnsambled();
    Recalculate();
    FZeroSubtracted = true;
}

void TAASSample::FindEdges(double& StartX, double& EndX) const
{
    std::vector<double> Rises, Falls;
    for (const TAASReplicate* R : FItems) {
        if (R->Count() < 2)
            continue;  // no edges to propose
        double Rise = 0, Fall = 0;
        R->FindEdges(Rise, Fall);
        Rises.push_back(Rise);
        Falls.push_back(Fall);
    }
    if (Rises.empty())
        return;
    long double Mean, SD;
    MeanAndSD(Rises.data(), static_cast<int>(Rises.size()), Mean, SD);
    const double NewStart = ToDouble(Mean);
    MeanAndSD(Falls.data(), static_cast<int>(Falls.size()), Mean, SD);
    const double NewEnd = ToDouble(Mean);
    StartX = NewStart;
    EndX = NewEnd;
}

void TAASSample::Assign(const TAASSample* Source)
{
    // Copying a sample onto itself would destroy the replicates it copies.
    if (Source == nullptr || Source == this)
        return;
    Clear();
    for (const TAASReplicate* R : Source->FItems) {
        auto* Copy = new TAASReplicate;
        Copy->Assign(R);
        if (Add(Copy) < 0)
            delete Copy;
    }
    FAbsorbtion = Source->FAbsorbtion;
    SetAreaStart(Source->FAreaStart);
    SetAreaEnd(Source->FAreaEnd);
    SetPeakStart(Source->FPeakStart);
    SetPeakEnd(Source->FPeakEnd);
    SetResolution(static_cast<double>(Source->GetResolution()));
    FTitle = Source->FTitle;
    FStandart = Source->FStandart;
    FConcentration = Source->FConcentration;
    FConcentrationStr = Source->FConcentrationStr;
    FZeroSubtracted = Source->FZeroSubtracted;
}
