// Helpers of the file tests: a scratch folder, raw file access, the decimal
// separator, and small samples built from point lists.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "AASCls.h"
#include "SysUtils.h"

// A fresh folder per test, removed afterwards; the decimal separator is
// restored to '.'.
class FileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char Template[] = "/tmp/velor_files_XXXXXX";
        ASSERT_NE(mkdtemp(Template), nullptr);
        Dir = Template;
        DecimalSeparator = '.';
    }
    void TearDown() override
    {
        DecimalSeparator = '.';
        std::error_code Ignored;
        std::filesystem::remove_all(Dir, Ignored);
    }

    std::string Path(const std::string& Name) const { return (Dir / Name).string(); }

    static void WriteRaw(const std::string& FileName, const std::string& Bytes)
    {
        std::ofstream Out(FileName, std::ios::binary | std::ios::trunc);
        Out << Bytes;
    }

    static std::string ReadRaw(const std::string& FileName)
    {
        std::ifstream In(FileName, std::ios::binary);
        std::stringstream S;
        S << In.rdbuf();
        return S.str();
    }

    // Joins lines with CR LF after each.
    static std::string Crlf(const std::vector<std::string>& Lines)
    {
        std::string Text;
        for (const std::string& L : Lines)
            Text += L + "\r\n";
        return Text;
    }
    static std::string Crlf(std::initializer_list<std::string> Lines) { return Crlf(std::vector<std::string>(Lines)); }

    // Names of the files in the scratch folder (to spot left-over temporaries).
    std::vector<std::string> FolderEntries() const
    {
        std::vector<std::string> Names;
        for (const auto& E : std::filesystem::directory_iterator(Dir))
            Names.push_back(E.path().filename().string());
        std::sort(Names.begin(), Names.end());
        return Names;
    }

    std::filesystem::path Dir;
};

inline TAASReplicate* MakeReplicate(const std::vector<double>& Points, double Step = 0.02)
{
    auto* R = new TAASReplicate();
    R->SetResolution(Step);
    for (double P : Points)
        R->Add(P);
    return R;
}

// An owning sample holding one replicate per point list.
inline TAASSample* MakeSample(const std::string& Title, std::initializer_list<std::vector<double>> Replicates,
                              double Step = 0.02)
{
    auto* S = new TAASSample(Title, true);
    for (const auto& Points : Replicates) {
        TAASReplicate* R = MakeReplicate(Points, Step);
        if (S->Add(R) < 0)
            delete R;
    }
    return S;
}

template <class Fn>
std::string ErrorOf(Fn&& fn)
{
    try {
        fn();
    } catch (const Exception& E) {
        return E.Message();
    }
    return "(no error)";
}
