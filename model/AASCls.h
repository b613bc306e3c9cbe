// The signal data model: point lists, replicates, samples and experiments.
//
// Style: state is private; a property is read with Name() and changed with
// SetName().  Objects are handled by pointer as in the rest of the program;
// containers created as owners destroy their items.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "AASFuncs.h"
#include "SysUtils.h"

// Marks every unset interval bound, every result not computed and every
// concentration that is not available.  Always compared exactly.
inline constexpr double NotSet = -2.0;

// The line that ends a replicate in the instrument's stream and in files.
inline constexpr const char* ReplicateEndMarker = "-1000";

// A list of text lines (file contents, description lines).
using TAASStrings = std::vector<std::string>;

// Progress callback of the file operations: (Position, Total).  Empty means
// not called.
using TProgressEvent = std::function<void(int Position, int Total)>;

// ---------------------------------------------------------------------------
// Growable array of double points.

class TAASDoubleList {
public:
    TAASDoubleList() = default;
    virtual ~TAASDoubleList() = default;
    TAASDoubleList(const TAASDoubleList&) = delete;
    TAASDoubleList& operator=(const TAASDoubleList&) = delete;

    // Appends Value; returns its index.
    int Add(double Value);
    bool ValidIndex(int Index) const;
    virtual void Clear();
    int Count() const { return static_cast<int>(FPoints.size()); }
    // "List index out of bounds (%d)" for an invalid index.
    double GetItem(int Index) const;
    void SetItem(int Index, double Value);
    // Copies Start..End inclusive into Dest.  Tests: Start valid, End valid
    // ("List index out of bounds (%d)"), End >= Start ("[%d;%d] is not a
    // valid interval").
    void GetRange(int StartIndex, int EndIndex, TAASPointArray& Dest) const;

    // Read-only view of all points (for plotting and writing).
    const TAASPointArray& Points() const { return FPoints; }

protected:
    // The three range tests shared by GetRange and the index operations.
    void CheckRange(int StartIndex, int EndIndex) const;
    TAASPointArray FPoints;
};

// ---------------------------------------------------------------------------
// One recorded signal at a fixed X step, with its area and plateau ("Peak")
// results.  X of point i is (i + 1) * Resolution.

class TAASReplicate : public TAASDoubleList {
public:
    TAASReplicate();
    ~TAASReplicate() override;

    void Clear() override;
    // Deep copy of the points and every result field; does nothing when
    // Source is not a replicate.
    void Assign(const TAASDoubleList* Source);

    void ResetArea();
    void ResetPeak();

    double XOfIndex(int Index) const;
    int IndexOfX(double X) const;

    long double CalcArea(double StartX, double EndX);
    long double CalcAreaByIndex(int StartIndex, int EndIndex);
    void CalcPeak(double StartX, double EndX);
    void CalcPeakByIndex(int StartIndex, int EndIndex);
    void SubtractZero(double StartX, double EndX);
    void SubtractZeroByIndex(int StartIndex, int EndIndex);

    // Re-bins to a coarser step.
    void SetResolution(double NewResolution);
    // X of the steepest rise and of the steepest fall; with fewer than two
    // points both stay untouched.
    void FindEdges(double& RiseX, double& FallX) const;
    void SmoothMovingAverage(int N);
    void SmoothWeighted(int N);

    // Results.
    long double Area() const { return FArea; }
    bool AreaValid() const { return FAreaValid; }
    double AreaStartX() const { return FAreaStartX; }
    double AreaEndX() const { return FAreaEndX; }
    bool PeakValid() const { return FPeakValid; }
    double PeakStartX() const { return FPeakStartX; }
    double PeakEndX() const { return FPeakEndX; }
    long double PeakMean() const { return FPeakMean; }
    long double PeakSD() const { return FPeakSD; }
    long double PeakRSD() const { return FPeakRSD; }
    double Resolution() const { return FResolution; }

private:
    // The sample rescales its replicates' points and sets its ensemble's step.
    friend class TAASSample;

    long double FArea = 0;
    bool FAreaValid = false;
    double FAreaStartX = 0;
    double FAreaEndX = 0;
    bool FPeakValid = false;
    double FPeakStartX = 0;
    double FPeakEndX = 0;
    long double FPeakMean = 0;
    long double FPeakSD = 0;
    long double FPeakRSD = 0;
    double FResolution = 0.02;
};

// Mean and standard deviation of a set of values (sum / n; sample SD with
// divisor n - 1; with one value both equal that value).  Errors only through
// the floating-point check.
void MeanAndSD(const double* Values, int Count, long double& Mean, long double& SD);
long double PlainMean(const double* Values, int Count);

// ---------------------------------------------------------------------------
// Ordered list of object references; when created as owner it destroys the
// items it removes or still holds when cleared or destroyed.

template <class T>
class TAASObjectList {
public:
    explicit TAASObjectList(bool AOwnsObjects = true) : FOwnsObjects(AOwnsObjects) {}
    virtual ~TAASObjectList() { ClearItems(); }
    TAASObjectList(const TAASObjectList&) = delete;
    TAASObjectList& operator=(const TAASObjectList&) = delete;

    virtual int Add(T* Item)
    {
        FItems.push_back(Item);
        return static_cast<int>(FItems.size()) - 1;
    }
    // "List index out of bounds (%d)" for an index outside 0..Count-1.
    T* GetItem(int Index) const
    {
        if (Index < 0 || Index >= Count())
            throw EListError(Format(SListIndexError, Index));
        return FItems[static_cast<size_t>(Index)];
    }
    T* operator[](int Index) const { return GetItem(Index); }
    int IndexOf(const T* Item) const
    {
        auto it = std::find(FItems.begin(), FItems.end(), Item);
        return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
    }
    // Removes the first entry that is Item; returns its former index or -1.
    // Destroys Item when the list owns its items.
    virtual int Remove(T* Item)
    {
        int Index = IndexOf(Item);
        if (Index >= 0) {
            FItems.erase(FItems.begin() + Index);
            if (FOwnsObjects)
                delete Item;
        }
        return Index;
    }
    int Count() const { return static_cast<int>(FItems.size()); }
    // Moves the item at CurIndex to NewIndex (the items between shift by
    // one); "List index out of bounds (%d)" for an index outside the list.
    void Move(int CurIndex, int NewIndex)
    {
        if (CurIndex == NewIndex)
            return;
        T* Item = GetItem(CurIndex);
        GetItem(NewIndex);
        FItems.erase(FItems.begin() + CurIndex);
        FItems.insert(FItems.begin() + NewIndex, Item);
    }
    // Removes every item (destroying them when owned).
    virtual void Clear() { ClearItems(); }
    bool OwnsObjects() const { return FOwnsObjects; }

    typename std::vector<T*>::const_iterator begin() const { return FItems.begin(); }
    typename std::vector<T*>::const_iterator end() const { return FItems.end(); }

protected:
    void ClearItems()
    {
        std::vector<T*> Items;
        Items.swap(FItems);
        if (FOwnsObjects)
            for (T* Item : Items)
                delete Item;
    }
    std::vector<T*> FItems;
    bool FOwnsObjects;
};

class TAASReplicateList : public TAASObjectList<TAASReplicate> {
public:
    explicit TAASReplicateList(bool AOwnsObjects = true) : TAASObjectList(AOwnsObjects) {}
};

// ---------------------------------------------------------------------------
// The replicates of one sample, their ensemble replicate and the statistics
// over two X intervals (plateau = "Peak", and area).

class TTextLineSource;  // the readers' line sources (AASClsFiles.cpp)
class TTextOut;         // the writers' buffered output (AASClsFiles.cpp)

class TAASSample : public TAASReplicateList {
public:
    TAASSample(const std::string& ATitle, bool AOwnsObjects);
    ~TAASSample() override;

    // Appends R when CanAdd allows it (then rebuilds the ensemble), else -1
    // and R stays with the caller.
    int Add(TAASReplicate* R) override;
    // Removes R (destroyed when owned) and rebuilds the ensemble, also when R
    // was absent.
    int Remove(TAASReplicate* R) override;
    bool CanAdd(const TAASReplicate* R) const;

    void BuildAnsambled();
    // Replicate 0's step, NotSet without replicates.
    long double GetResolution() const;

    void SetAreaStart(double X);
    void SetAreaEnd(double X);
    void SetPeakStart(double X);
    void SetPeakEnd(double X);

    void CalcAreas();
    void CalcPeaks();
    void CalcAnsambledArea();
    void CalcAnsambledPeak();
    void Recalculate();
    void ResetAreaResults();
    void ResetPeakResults();

    void SetAbsorbtion(bool Value);
    void SetResolution(double X);
    // Kind 0 moving average, 1 weighted; N <= 0 does nothing.
    void Smooth(std::uint8_t Kind, int N);
    void SubtractZero(double StartX, double EndX);
    void FindEdges(double& StartX, double& EndX) const;
    // Makes this sample a copy of Source (deep copy of the replicates).
    void Assign(const TAASSample* Source);

    // Sample text format.
    void SaveToStrings(TAASStrings& List) const;
    bool SaveToFile(const std::string& FileName, const TProgressEvent& OnProgress = {}) const;
    void LoadFromStrings(const TAASStrings& List);
    bool LoadFromFile(const std::string& FileName, int SkipLines = 0,
                      const TProgressEvent& OnProgress = {});
    bool SaveToBinaryFile(const std::string& FileName) const;
    // The line at which the last LoadFromFile or LoadFromStrings stopped on a
    // line it could not read (a point or a key value that is no number, a
    // step that cannot be), counted from 1 in the text read, in a file with
    // the skipped lines; 0 when the reading stopped at no line (it read every
    // line, or the file could not be read or held fewer lines than to skip).
    size_t ReadStopLine() const { return FReadStopLine; }

    // Fields.
    TAASReplicate* Ansambled() const { return FAnsambled; }
    bool Standart() const { return FStandart; }
    void SetStandart(bool Value) { FStandart = Value; }
    double Concentration() const { return FConcentration; }
    void SetConcentration(double Value) { FConcentration = Value; }
    double PeakEnd() const { return FPeakEnd; }
    double AreaStart() const { return FAreaStart; }
    double PeakStart() const { return FPeakStart; }
    double AreaEnd() const { return FAreaEnd; }
    long double AreaMean() const { return FAreaMean; }
    long double PeakRSD() const { return FPeakRSD; }
    long double AreaSD() const { return FAreaSD; }
    long double PeakSD() const { return FPeakSD; }
    long double AreaRSD() const { return FAreaRSD; }
    long double PeakMean() const { return FPeakMean; }
    const std::string& ConcentrationStr() const { return FConcentrationStr; }
    void SetConcentrationStr(const std::string& Value) { FConcentrationStr = Value; }
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }
    bool Absorbtion() const { return FAbsorbtion; }
    bool ZeroSubtracted() const { return FZeroSubtracted; }
    void SetZeroSubtracted(bool Value) { FZeroSubtracted = Value; }
    bool Zero() const { return FZero; }
    void SetZero(bool Value) { FZero = Value; }

private:
    void SetBound(double X, double& Bound, double Other, bool IsStart, void (TAASSample::*Reset)(),
                  void (TAASSample::*Calc)());
    // Computes mean, SD and RSD of one value per replicate.
    void CalcStatistics(const std::vector<double>& Values, long double& Mean, long double& SD,
                        long double& RSD);

    TAASReplicate* FAnsambled;
    bool FStandart = false;
    double FConcentration = NotSet;
    double FPeakEnd = NotSet;
    double FAreaStart = NotSet;
    double FPeakStart = NotSet;
    double FAreaEnd = NotSet;
    long double FAreaMean = NotSet;
    long double FPeakRSD = NotSet;
    long double FAreaSD = NotSet;
    long double FPeakSD = NotSet;
    long double FAreaRSD = NotSet;
    long double FPeakMean = NotSet;
    std::string FConcentrationStr = "ppm";
    std::string FTitle;
    bool FAbsorbtion = false;
    bool FZeroSubtracted = false;
    bool FZero = false;
    size_t FReadStopLine = 0;

    // --- file helpers (sample text format) ---
    // The twelve header lines.
    std::vector<std::string> HeaderLines() const;
    // Appends the header and the body as lines to a list.
    void AppendTextLines(TAASStrings& List) const;
    // Writes the header and the body as CR LF text to Out; OnProgress after
    // each replicate.
    void WriteText(TTextOut& Out, const TProgressEvent& OnProgress) const;
    // Reads the sample text format from a source of lines (a string list, a
    // block of an experiment's text, or a file read piece by piece).  Returns
    // False when a data line failed (the sample is then left without
    // replicates, its keys still applied); every other error is raised.  Sets
    // FReadStopLine to the line that failed, in both cases.
    bool ReadTextLines(TTextLineSource& Lines, const TProgressEvent& OnProgress);
    friend class TAASExperiment;  // reads sample blocks straight from its file buffer
};

// ---------------------------------------------------------------------------
// Samples of an experiment, and the experiment with its calibration.

class TAASSampleList : public TAASObjectList<TAASSample> {
public:
    explicit TAASSampleList(bool AOwnsObjects = true) : TAASObjectList(AOwnsObjects) {}
};

// The statistic the calibration uses.
enum : std::uint8_t {
    usPeakMean = 0,
    usAreaMean = 1,
    usAnsambledPeak = 2,
    usAnsambledArea = 3,
};

// Raised by the calibration when the experiment holds no standard.
class ENoStandartsException : public Exception {
public:
    ENoStandartsException();  // "Can't do regression without defined standarts."
    using Exception::Exception;
};

class TRegComp;

class TAASExperiment : public TAASSampleList {
public:
    TAASExperiment(const std::string& ATitle, bool AOwnsObjects);
    ~TAASExperiment() override;

    void SetUsedStatistic(std::uint8_t Value);

    // Experiment file; errors pass to the caller.
    void SaveToFile(const std::string& FileName) const;
    void LoadFromFile(const std::string& FileName);

    // What the last LoadFromFile that did not fail left unread of its file,
    // lines counted from 1 in the file.  The reader keeps what it could read
    // and raises no error for these; the caller tells the user.
    struct TUnreadSample {
        int Index;    // the sample in the experiment, kept without its replicates
        size_t Line;  // the line of its block that could not be read
    };
    struct TUnreadParts {
        std::vector<TUnreadSample> Samples;
        // A "<SAMPLE>" line that no "</SAMPLE>" line follows: no sample was
        // read from this line on; 0 when there is none.
        size_t FromLine = 0;
        bool Empty() const { return Samples.empty() && FromLine == 0; }
    };
    const TUnreadParts& UnreadParts() const { return FUnread; }

    // Calibration: fills X and Y with the origin and the standards (by
    // ascending concentration), fits the line, then CalcConcentrations.
    void DoRegression(std::vector<double>& X, std::vector<double>& Y);
    void SortStandards(std::vector<TAASSample*>& Standards) const;
    void CalcConcentrations();

    double R() const { return FR; }
    double B0() const { return FB0; }
    double R2() const { return FR2; }
    double B1() const { return FB1; }
    std::uint8_t UsedStatistic() const { return FUsedStatistic; }
    TAASStrings& Description() { return FDescription; }
    const TAASStrings& Description() const { return FDescription; }
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }

private:
    double FR = 0;
    double FB0 = 0;
    double FR2 = 0;
    double FB1 = 0;
    std::uint8_t FUsedStatistic = 0;
    TAASStrings FDescription;
    std::string FTitle;
    TUnreadParts FUnread;
};
