#pragma once
// Shared set-up of the sample-window benchmarks: an offscreen application and
// one large sample file (10 replicates of 10,000 points with a peak).

#include <QApplication>
#include <QString>
#include <QTemporaryDir>
#include <cmath>

#include "AASCls.h"
#include "BenchApp.h"

namespace bench {

constexpr int Replicates = 10;
constexpr int Points = 10000;

// The sample file, written once.
inline const QString& SampleFile()
{
    static QTemporaryDir dir;
    static QString path = [] {
        TAASSample sample("Sample", true);
        for (int r = 0; r < Replicates; ++r) {
            auto* rep = new TAASReplicate;
            for (int j = 0; j < Points; ++j) {
                const double t = j * 0.02;
                rep->Add(100 + r + 2000 * std::exp(-((t - 100) * (t - 100)) / 800) + (j * 7919 % 13));
            }
            sample.Add(rep);
        }
        const QString p = dir.filePath("Big.AST");
        sample.SaveToFile(p.toStdString());
        return p;
    }();
    return path;
}

}  // namespace bench
