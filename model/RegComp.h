// Linear least-squares regression of Y on X with the usual correlation
// statistics, used by the experiment's calibration.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The result of one regression.  Everything except the two counts is held
// in extended precision.
struct TRegResult {
    int N = 0;         // number of points used
    int DF = 0;        // degrees of freedom, N - 2
    long double R = 0;  // correlation coefficient
    long double MeanX = 0;
    long double MeanY = 0;
    long double B0 = 0;  // intercept
    long double B1 = 0;  // slope
    long double Sxx = 0;
    long double Syy = 0;
    long double Sxy = 0;
    long double SumX = 0;
    long double SumY = 0;
    long double SumXY = 0;
    long double SumX2 = 0;
    long double SumY2 = 0;
    long double FisherZ = 0;
    long double TValue = 0;
};

class TRegComp {
public:
    // Owner is accepted for the component-style construction and not used.
    explicit TRegComp(void* Owner = nullptr);
    virtual ~TRegComp() = default;

    TRegComp(const TRegComp&) = delete;
    TRegComp& operator=(const TRegComp&) = delete;

    // Confidence level in percent: only 90, 95 and 99 are accepted, any other
    // value leaves the old one.  Neither property changes the regression.
    int AlphaLevel() const { return FAlphaLevel; }
    void SetAlphaLevel(int Value);
    bool ScanData() const { return FScanData; }
    void SetScanData(bool Value) { FScanData = Value; }

    void ClearResult(TRegResult& Fit) const;

    // Fits Y on X over the first N elements of both arrays.  Fit is written
    // only when the regression succeeds.
    void LinearRegression(const std::vector<double>& X, const std::vector<double>& Y, int N,
                                                TRegResult& Fit) const;

    // Design-time commands.  The information texts go to OnInformation when a
    // caller has set it; the data model itself shows nothing.
    virtual void SafeSetting();
    virtual void OptimizedSetting();
    virtual void SetAlpha99();
    virtual void SetAlpha95();
    virtual void SetAlpha90();
    virtual void About();

    std::function<void(const std::string&)> OnInformation;

private:
    void Inform(const std::string& Text);

    int FAlphaLevel = 95;
    bool FScanData = true;
};
