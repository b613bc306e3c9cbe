// The two text formats of the data model: the sample text file (.AST, and
// .AAT with leading lines to skip) and the experiment file (.AXP), whose
// sample blocks hold the sample text format.
//
// Files are read whole into memory and split into lines that point into that
// buffer; both readers walk the lines with indexes, so their cost grows
// linearly with the file.  Both writers format the text piece by piece into
// one small buffer that each piece reuses and hand the pieces to
// WriteFileReplacing (FileUtils.h), so a save holds little beyond the data
// it writes, and a failed or interrupted save never damages an existing file.

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "AASCls.h"
#include "FileUtils.h"

namespace {

using TLineViews = std::vector<std::string_view>;


// ---------------------------------------------------------------------------
// Raw file access

std::string ErrorText(int Error)
{
    return std::strerror(Error);
}

// An open file descriptor of a regular file, closed on every path.
class TReadHandle {
public:
    explicit TReadHandle(const std::string& FileName)
    {
        // Non-blocking, so that opening a pipe does not wait for a writer.
        FFd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (FFd < 0)
            throw EFOpenError(Format("Cannot open file \"%s\". %s", FileName, ErrorText(errno)));
        struct stat St {};
        if (::fstat(FFd, &St) != 0 || !S_ISREG(St.st_mode)) {
            const int Error = S_ISDIR(St.st_mode) ? EISDIR : (errno ? errno : EINVAL);
            ::close(FFd);
            throw EFOpenError(Format("Cannot open file \"%s\". %s", FileName, ErrorText(Error)));
        }
        FSize = St.st_size > 0 ? static_cast<size_t>(St.st_size) : 0;
    }
    ~TReadHandle() { ::close(FFd); }
    TReadHandle(const TReadHandle&) = delete;
    TReadHandle& operator=(const TReadHandle&) = delete;
    int Fd() const { return FFd; }
    size_t Size() const { return FSize; }

private:
    int FFd = -1;
    size_t FSize = 0;
};

}  // namespace

namespace {

// A whole file's text in a buffer that is not cleared first.
struct TFileText {
    std::unique_ptr<char[]> Data;
    size_t Size = 0;
    size_t Capacity = 0;
    std::string_view View() const { return std::string_view(Data.get(), Size); }
    char* Buffer() { return Data.get(); }
    void Grow(size_t NewCapacity)
    {
        std::unique_ptr<char[]> Bigger(new char[NewCapacity]);
        if (Size > 0)
            std::memcpy(Bigger.get(), Data.get(), Size);
        Data.swap(Bigger);
        Capacity = NewCapacity;
    }
};

// A whole file's text in a string.
struct TStringText {
    std::string Text;
    size_t Size = 0;
    size_t Capacity = 0;
    char* Buffer() { return Text.data(); }
    void Grow(size_t NewCapacity)
    {
        Text.resize(NewCapacity);
        Capacity = NewCapacity;
    }
};

// Reads a file whole straight into Text, so the file's text is never copied
// again.
template <class TText>
void ReadFileInto(const std::string& FileName, TText& Text)
{
    TReadHandle File(FileName);
    // The size is a hint only: the file may change while it is read.
    Text.Grow(File.Size() > 0 ? File.Size() + 1 : 4096);
    for (;;) {
        if (Text.Size == Text.Capacity)
            Text.Grow(2 * Text.Capacity);
        const ssize_t Got = ::read(File.Fd(), Text.Buffer() + Text.Size, Text.Capacity - Text.Size);
        if (Got < 0) {
            if (errno == EINTR)
                continue;
            throw EInOutError(Format("Cannot read file \"%s\". %s", FileName, ErrorText(errno)));
        }
        if (Got == 0)
            break;
        Text.Size += static_cast<size_t>(Got);
    }
}

TFileText ReadFileText(const std::string& FileName)
{
    TFileText Text;
    ReadFileInto(FileName, Text);
    return Text;
}

}  // namespace

// Reads a regular file whole.  Anything that is not a regular file (a folder,
// a device, a pipe) is refused rather than read.
std::string ReadWholeFile(const std::string& FileName)
{
    TStringText Text;
    ReadFileInto(FileName, Text);
    Text.Text.resize(Text.Size);
    return std::move(Text.Text);
}

namespace {

// Lines end at CR LF, a lone CR or a lone LF.  A line break at the very end
// does not start another line.  NextLine reads the line that starts at Pos
// and moves Pos to the start of the next one; False at the end of the text.
bool NextLine(std::string_view Text, size_t& Pos, std::string_view& Line)
{
    const size_t Size = Text.size();
    if (Pos >= Size)
        return false;
    const char* Data = Text.data();
    size_t I = Pos;
    while (I < Size && Data[I] != '\r' && Data[I] != '\n')
        ++I;
    Line = std::string_view(Data + Pos, I - Pos);
    if (I < Size) {
        if (Data[I] == '\r' && I + 1 < Size && Data[I + 1] == '\n')
            ++I;
        ++I;
    }
    Pos = I;
    return true;
}


}  // namespace

namespace {

// ---------------------------------------------------------------------------
// Key lines: "name=value"; a line matches a name when the text before its
// first "=" equals it, ignoring letter case.

bool EqualsIgnoringCase(std::string_view A, std::string_view B)
{
    if (A.size() != B.size())
        return false;
    for (size_t I = 0; I < A.size(); ++I) {
        char X = A[I], Y = B[I];
        if (X >= 'a' && X <= 'z')
            X = static_cast<char>(X - 'a' + 'A');
        if (Y >= 'a' && Y <= 'z')
            Y = static_cast<char>(Y - 'a' + 'A');
        if (X != Y)
            return false;
    }
    return true;
}

bool NameIs(std::string_view Line, std::string_view Name, std::string_view& Value)
{
    if (Line.size() <= Name.size() || Line[Name.size()] != '=' ||
        !EqualsIgnoringCase(Line.substr(0, Name.size()), Name))
        return false;
    Value = Line.substr(Name.size() + 1);
    return true;
}

// Keys of the sample header, in the order in which they are applied.
enum TSampleKey {
    skResolution,
    skAreaStart,
    skAreaEnd,
    skPeakStart,
    skPeakEnd,
    skStandart,
    skZero,
    skZeroSubtracted,
    skConcentration,
    skConcentrationStr,
    skTitle,
    skAbsorbtion,
    skCount
};

const char* const SampleKeyNames[skCount] = {
    "##Resolution", "##AreaStart",     "##AreaEnd",       "##PeakStart",
    "##PeakEnd",    "##Standart",      "##Zero",          "##ZeroSubtracted",
    "##Concentration", "##ConcentrationStr", "##Title",   "##Absorbtion",
};

struct TSampleKeys {
    bool Found[skCount] = {};
    std::string Value[skCount];
    size_t Line[skCount] = {};  // counted from 1
};

}  // namespace

// A forward-only source of text lines that can start over.  A line handed
// out by Next stays valid until the next call.
class TTextLineSource {
public:
    virtual ~TTextLineSource() = default;
    virtual bool Next(std::string_view& Line) = 0;
    virtual void Rewind() = 0;
};

namespace {

// The lines of a string list.
class TListLines final : public TTextLineSource {
public:
    explicit TListLines(const TAASStrings& List) : FList(List) {}
    bool Next(std::string_view& Line) override
    {
        if (FIndex >= FList.size())
            return false;
        Line = FList[FIndex++];
        return true;
    }
    void Rewind() override { FIndex = 0; }

private:
    const TAASStrings& FList;
    size_t FIndex = 0;
};

// The lines of a piece of text in memory.
class TTextLines final : public TTextLineSource {
public:
    explicit TTextLines(std::string_view Text) : FText(Text) {}
    bool Next(std::string_view& Line) override { return NextLine(FText, FPos, Line); }
    void Rewind() override { FPos = 0; }

private:
    std::string_view FText;
    size_t FPos = 0;
};

// The lines of an open file, read piece by piece into one buffer that only
// grows for a line longer than itself, so reading a file of any size holds
// a few hundred kilobytes of its text at a time.  The buffer grows no larger
// than the rest of the file needs (its size is a hint: a file that grows
// while it is read makes the buffer double again), so a file of one huge
// line takes at most about its own size, and twice it while the buffer moves.
class TFileLines final : public TTextLineSource {
public:
    TFileLines(int Fd, size_t SizeHint, const std::string& FileName)
        : FFd(Fd), FSizeHint(SizeHint), FFileName(FileName)
    {
    }
    bool Next(std::string_view& Line) override
    {
        for (;;) {
            const char* const Data = FBuffer.get();
            size_t I = FBegin;
            // Digits, signs and separators all lie above CR.
            while (I < FEnd && (static_cast<unsigned char>(Data[I]) > '\r' ||
                                (Data[I] != '\r' && Data[I] != '\n')))
                ++I;
            if (I < FEnd && !(Data[I] == '\r' && I + 1 == FEnd && !FEof)) {
                Line = std::string_view(Data + FBegin, I - FBegin);
                if (Data[I] == '\r' && I + 1 < FEnd && Data[I + 1] == '\n')
                    ++I;
                FBegin = I + 1;
                return true;
            }
            if (FEof) {
                if (FBegin == FEnd)
                    return false;
                Line = std::string_view(Data + FBegin, FEnd - FBegin);
                FBegin = FEnd;
                return true;
            }
            Fill();
        }
    }
    void Rewind() override
    {
        FOffset = 0;
        FBegin = FEnd = 0;
        FEof = false;
    }

private:
    // Keeps the unfinished line and reads more behind it.
    void Fill()
    {
        const size_t Kept = FEnd - FBegin;
        if (!FBuffer || Kept == FCapacity) {
            size_t Capacity = FBuffer ? 2 * FCapacity : size_t(256) << 10;
            // Room for the unfinished line and the rest of the file, and one
            // byte more, so that a read sees the file's end.  Once the file
            // is read as far as its size said, the buffer doubles again.
            const size_t Read = static_cast<size_t>(FOffset);
            const size_t Unread = FSizeHint > Read ? FSizeHint - Read : 0;
            if (FBuffer && Unread > 0)
                Capacity = std::min(Capacity, Kept + Unread + 1);
            std::unique_ptr<char[]> Bigger(new char[Capacity]);
            if (Kept > 0)
                std::memcpy(Bigger.get(), FBuffer.get() + FBegin, Kept);
            FBuffer.swap(Bigger);
            FCapacity = Capacity;
        } else if (Kept > 0) {
            std::memmove(FBuffer.get(), FBuffer.get() + FBegin, Kept);
        }
        FBegin = 0;
        FEnd = Kept;
        for (;;) {
            const ssize_t Got = ::pread(FFd, FBuffer.get() + FEnd, FCapacity - FEnd, FOffset);
            if (Got < 0) {
                if (errno == EINTR)
                    continue;
                throw EInOutError(Format("Cannot read file \"%s\". %s", FFileName, ErrorText(errno)));
            }
            if (Got == 0)
                FEof = true;
            FEnd += static_cast<size_t>(Got);
            FOffset += Got;
            return;
        }
    }

    int FFd;
    size_t FSizeHint;
    const std::string& FFileName;
    std::unique_ptr<char[]> FBuffer;
    size_t FCapacity = 0;
    size_t FBegin = 0, FEnd = 0;
    off_t FOffset = 0;
    bool FEof = false;
};

// Skips the first Skip lines of another source, every time it starts over.
class TSkippedLines final : public TTextLineSource {
public:
    TSkippedLines(TTextLineSource& Source, size_t Skip) : FSource(Source), FSkip(Skip) {}
    // False when the source has fewer lines than are to be skipped.
    bool Start()
    {
        FSource.Rewind();
        std::string_view Line;
        for (size_t I = 0; I < FSkip; ++I)
            if (!FSource.Next(Line))
                return false;
        return true;
    }
    bool Next(std::string_view& Line) override { return FSource.Next(Line); }
    void Rewind() override { Start(); }

private:
    TTextLineSource& FSource;
    size_t FSkip;
};

// One pass over the lines: the first line of every key name, and when
// Counted the number of lines (without it the pass ends once every key is
// found, which in a file as written is after its header).  Only lines that
// begin with "#" can carry one of these names.
size_t FindSampleKeys(TTextLineSource& Lines, TSampleKeys& Keys, bool Counted)
{
    Lines.Rewind();
    size_t Count = 0;
    int Missing = skCount;
    std::string_view Line;
    while ((Counted || Missing > 0) && Lines.Next(Line)) {
        ++Count;
        if (Missing == 0 || Line.size() < 3 || Line[0] != '#')
            continue;
        for (int K = 0; K < skCount; ++K) {
            std::string_view Value;
            if (!Keys.Found[K] && NameIs(Line, SampleKeyNames[K], Value)) {
                Keys.Found[K] = true;
                Keys.Value[K] = std::string(Value);
                Keys.Line[K] = Count;
                --Missing;
                break;
            }
        }
    }
    return Count;
}

double FloatValue(std::string_view Text)
{
    // Whole numbers of up to 15 digits, the raw readings, straight to the
    // double they are exactly; anything else through the extended value.
    const char* P = Text.data();
    const char* const End = P + Text.size();
    const bool Negative = P < End && *P == '-';
    P += Negative;
    if (P < End && End - P <= 15) {
        std::uint64_t Mantissa = 0;
        const char* Q = P;
        while (Q < End && static_cast<unsigned>(*Q - '0') < 10)
            Mantissa = Mantissa * 10 + static_cast<unsigned>(*Q++ - '0');
        if (Q == End) {
            const double V = static_cast<double>(Mantissa);
            return Negative ? -V : V;
        }
    }
    return ToDouble(StrToFloat(Text));
}

// An integer key read as a flag: its low 8 bits, non-zero meaning True.
bool FlagValue(std::string_view Text)
{
    return (static_cast<unsigned>(StrToInt(Text)) & 0xFFu) != 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Sample text format: writing

std::vector<std::string> TAASSample::HeaderLines() const
{
    return {Format("##Resolution=%f", GetResolution()),
            Format("##AreaStart=%f", FAreaStart),
            Format("##AreaEnd=%f", FAreaEnd),
            Format("##PeakStart=%f", FPeakStart),
            Format("##PeakEnd=%f", FPeakEnd),
            Format("##Standart=%d", FStandart ? 1 : 0),
            Format("##Zero=%d", FZero ? 1 : 0),
            Format("##ZeroSubtracted=%d", FZeroSubtracted ? 1 : 0),
            Format("##Concentration=%f", FConcentration),
            Format("##ConcentrationStr=%s", FConcentrationStr),
            Format("##Title=%s", FTitle),
            Format("##Absorbtion=%d", FAbsorbtion ? 1 : 0)};
}

void TAASSample::AppendTextLines(TAASStrings& List) const
{
    for (std::string& Line : HeaderLines())
        List.push_back(std::move(Line));
    for (const TAASReplicate* R : *this) {
        for (double Point : R->Points())
            List.push_back(FloatToStrFast(Point));
        List.emplace_back(ReplicateEndMarker);
    }
}

// Text on its way into a new file, gathered in one buffer of a fixed size
// that every piece reuses: however large the file, its text is never held
// whole, and the memory written is always the same few pages.
class TTextOut {
public:
    explicit TTextOut(TNewFile& File) : FFile(File), FData(new char[Size]), FPos(FData.get()) {}

    // A line and its CR LF.  A line longer than the buffer goes out as it is.
    void Line(std::string_view Text)
    {
        if (Text.size() + 2 > Room()) {
            Flush();
            if (Text.size() + 2 > Size) {
                FFile.Write(Text);
                Text.remove_prefix(Text.size());
            }
        }
        std::memcpy(FPos, Text.data(), Text.size());
        FPos += Text.size();
        *FPos++ = '\r';
        *FPos++ = '\n';
    }

    // One line per point.
    void Points(const std::vector<double>& Points)
    {
        char* P = FPos;
        const char* const Last = FData.get() + Size - (FloatTextMax + 2);
        for (double Point : Points) {
            if (P > Last) {
                FPos = P;
                Flush();
                P = FPos;
            }
            P = FloatToText(P, Point);
            *P++ = '\r';
            *P++ = '\n';
        }
        FPos = P;
    }

    // Hands what the buffer holds to the file.
    void Flush()
    {
        FFile.Write(std::string_view(FData.get(), static_cast<size_t>(FPos - FData.get())));
        FPos = FData.get();
    }

private:
    static constexpr size_t Size = size_t(256) << 10;
    size_t Room() const { return Size - static_cast<size_t>(FPos - FData.get()); }

    TNewFile& FFile;
    std::unique_ptr<char[]> FData;
    char* FPos;
};

namespace {

// Writes FileName through WriteFileReplacing with the text that Write puts
// into its TTextOut.
template <class TWrite>
void WriteTextFile(const std::string& FileName, const TWrite& Write)
{
    WriteFileReplacing(FileName, [&Write](TNewFile& File) {
        TTextOut Out(File);
        Write(Out);
        Out.Flush();
    });
}

}  // namespace

void TAASSample::WriteText(TTextOut& Out, const TProgressEvent& OnProgress) const
{
    for (const std::string& Line : HeaderLines())
        Out.Line(Line);
    const int Total = Count();
    for (int I = 0; I < Total; ++I) {
        Out.Points(GetItem(I)->Points());
        Out.Line(ReplicateEndMarker);
        if (OnProgress)
            OnProgress(I + 1, Total);
    }
}

void TAASSample::SaveToStrings(TAASStrings& List) const
{
    AppendTextLines(List);
}

bool TAASSample::SaveToFile(const std::string& FileName, const TProgressEvent& OnProgress) const
{
    if (Count() == 0)
        return false;
    // A file that could not be written is reported as False, never as a
    // successful save; the old file of that name stays as it was.
    try {
        WriteTextFile(FileName, [this, &OnProgress](TTextOut& Out) { WriteText(Out, OnProgress); });
    } catch (const Exception&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool TAASSample::SaveToBinaryFile(const std::string& /*FileName*/) const
{
    return true;
}

// ---------------------------------------------------------------------------
// Sample text format: reading

bool TAASSample::ReadTextLines(TTextLineSource& Lines, const TProgressEvent& OnProgress)
{
    Clear();
    FReadStopLine = 0;

    // The keys first (a header line may stand anywhere, also after the
    // points), and the number of lines for the progress report.
    TSampleKeys Keys;
    const size_t LineCount = FindSampleKeys(Lines, Keys, static_cast<bool>(OnProgress));
    // A key that cannot be applied stops the reading at its line.
    const auto AtKey = [this, &Keys](TSampleKey Key, const auto& Apply) {
        try {
            return Apply(Keys.Value[Key]);
        } catch (...) {
            FReadStopLine = Keys.Line[Key];
            throw;
        }
    };

    const double Step = Keys.Found[skResolution] ? AtKey(skResolution, FloatValue) : 0.02;
    bool LinesOk = true;

    // A block written for a sample without replicates carries the step
    // NotSet: it stands for an empty sample, whose keys still apply.
    if (Step != NotSet) {
        size_t Expected = 0;  // points of the first replicate, to size the others
        auto NewReplicate = [Step, &Expected] {
            std::unique_ptr<TAASReplicate> R(new TAASReplicate());
            R->SetResolution(Step);
            R->FPoints.reserve(Expected);
            return R;
        };
        // The ensemble is built once, after the last replicate.  That gives
        // the same result as rebuilding it after each one, unless an interval
        // of the sample is complete: then every rebuild computes that
        // interval's ensemble result, which may fail part way, and the
        // replicates are added one by one as before.
        const bool Deferred = !(FAreaStart != NotSet && FAreaEnd != NotSet) &&
                              !(FPeakStart != NotSet && FPeakEnd != NotSet);
        std::unique_ptr<TAASReplicate> Current =
            AtKey(skResolution, [&NewReplicate](const std::string&) { return NewReplicate(); });
        const int Total = static_cast<int>(LineCount > INT_MAX ? INT_MAX : LineCount);
        Lines.Rewind();
        size_t I = 0;
        std::string_view Line;
        try {
            for (; Lines.Next(Line); ++I) {
                if (Line == ReplicateEndMarker) {
                    if (!Current)
                        Current = NewReplicate();
                    TAASReplicate* R = Current.get();
                    if (CanAdd(R)) {
                        if (Count() == 0)
                            Expected = R->FPoints.size();
                        // Once appended the replicate belongs to the list.
                        if ((Deferred ? TAASReplicateList::Add(R) : Add(R)) >= 0)
                            Current.release();
                    }
                    // The next replicate is made with its first point.
                    Current.reset();
                } else if (!Line.empty() && Line[0] == '#') {
                    continue;
                } else {
                    if (!Current)
                        Current = NewReplicate();
                    Current->Add(FloatValue(Line));
                }
                if (OnProgress)
                    OnProgress(static_cast<int>(I < static_cast<size_t>(Total) ? I + 1 : Total), Total);
            }
        } catch (const Exception&) {
            LinesOk = false;
        } catch (const std::bad_alloc&) {
            LinesOk = false;
        }
        if (!LinesOk) {
            FReadStopLine = I + 1;
            // A replicate that failed inside Add is already in the list, and
            // Clear destroys it when the list owns it.
            TAASReplicate* R = Current.get();
            if (R != nullptr && IndexOf(R) >= 0 && OwnsObjects())
                Current.release();
        }
        // The ensemble of the replicates added, also when a later line
        // failed: a failing read leaves it as the last addition did.
        if (Deferred)
            BuildAnsambled();
        if (!LinesOk)
            Clear();
        // Points after the last end marker go with their replicate.
        Current.reset();
    }

    // A bound is stored before its interval's results are computed.  The
    // windows save a sample whose interval no longer fits its points (after a
    // coarser step, or one the computation refused) with that bound, so a
    // failing computation here keeps the bound and the replicates instead of
    // making the program's own file unreadable; only its results stay unset.
    // A key value that is no number still ends the reading.
    const auto ApplyBound = [this, &Keys, &AtKey](TSampleKey Key, void (TAASSample::*Setter)(double)) {
        if (!Keys.Found[Key])
            return;
        const double X = AtKey(Key, FloatValue);
        try {
            (this->*Setter)(X);
        } catch (const Exception&) {
        }
    };
    ApplyBound(skAreaStart, &TAASSample::SetAreaStart);
    ApplyBound(skAreaEnd, &TAASSample::SetAreaEnd);
    ApplyBound(skPeakStart, &TAASSample::SetPeakStart);
    ApplyBound(skPeakEnd, &TAASSample::SetPeakEnd);
    if (Keys.Found[skStandart])
        FStandart = AtKey(skStandart, FlagValue);
    if (Keys.Found[skZero])
        FZero = AtKey(skZero, FlagValue);
    if (Keys.Found[skZeroSubtracted])
        FZeroSubtracted = AtKey(skZeroSubtracted, FlagValue);
    if (Keys.Found[skConcentration])
        FConcentration = AtKey(skConcentration, FloatValue);
    if (Keys.Found[skConcentrationStr])
        FConcentrationStr = std::move(Keys.Value[skConcentrationStr]);
    if (Keys.Found[skTitle])
        FTitle = std::move(Keys.Value[skTitle]);
    // The points read are already on the scale the flag names.
    if (Keys.Found[skAbsorbtion])
        FAbsorbtion = AtKey(skAbsorbtion, FlagValue);
    return LinesOk;
}

void TAASSample::LoadFromStrings(const TAASStrings& List)
{
    TListLines Lines(List);
    ReadTextLines(Lines, TProgressEvent());
}

bool TAASSample::LoadFromFile(const std::string& FileName, int SkipLines,
                              const TProgressEvent& OnProgress)
{
    // The file is read twice, piece by piece through one small buffer: once
    // for its keys and line count, once for its points.  A file that cannot
    // be opened leaves the sample unchanged.
    const size_t Skip = SkipLines > 0 ? static_cast<size_t>(SkipLines) : 0;
    FReadStopLine = 0;
    bool Result = false;
    try {
        TReadHandle File(FileName);
        TFileLines Whole(File.Fd(), File.Size(), FileName);
        TSkippedLines Lines(Whole, Skip);
        Clear();
        Result = Lines.Start() && ReadTextLines(Lines, OnProgress);
    } catch (const Exception&) {
        Result = false;
    } catch (const std::bad_alloc&) {
        Result = false;
    }
    // The line that failed, counted in the file.
    if (FReadStopLine > 0)
        FReadStopLine += Skip;
    return Result;
}

// ---------------------------------------------------------------------------
// Experiment file

void TAASExperiment::SaveToFile(const std::string& FileName) const
{
    WriteTextFile(FileName, [this](TTextOut& Out) {
        Out.Line("<EXPERIMENT>");
        Out.Line(Format("##TITLE=%s", FTitle));
        Out.Line("<DESCRIPTION>");
        for (const std::string& D : FDescription)
            Out.Line(D);
        Out.Line("</DESCRIPTION>");
        Out.Line(Format("##USED STATISTIC=%d", static_cast<int>(FUsedStatistic)));
        Out.Line("</EXPERIMENT>");
        for (const TAASSample* Sample : *this) {
            Out.Line("<SAMPLE>");
            Sample->WriteText(Out, TProgressEvent());
            Out.Line("</SAMPLE>");
        }
    });
}

namespace {

// The start of a line in a text, and its number counted from 1.
struct TLineAt {
    size_t Pos = 0;
    size_t Number = 1;
};

// The first line at or after From that equals Marker (ignoring case), and
// the line after it.
bool FindLine(std::string_view Text, TLineAt From, std::string_view Marker, TLineAt& At, TLineAt& After)
{
    std::string_view Line;
    for (TLineAt Start = From, Next = From; NextLine(Text, Next.Pos, Line); Start = Next) {
        ++Next.Number;
        if (EqualsIgnoringCase(Line, Marker)) {
            At = Start;
            After = Next;
            return true;
        }
    }
    return false;
}

}  // namespace

void TAASExperiment::LoadFromFile(const std::string& FileName)
{
    Clear();
    FUnread = TUnreadParts();

    // The text is walked in place: lines are views into it, found by offset.
    const TFileText File = ReadFileText(FileName);
    const std::string_view Text = File.View();
    size_t Pos = 0;
    std::string_view First;
    if (!NextLine(Text, Pos, First))
        throw EStringListError(Format(SListIndexError, 0));
    if (First != "<EXPERIMENT>")
        throw Exception(Format("File \"%s\" is not a valid experiment file.", FileName));

    // Sample blocks: each time the first "<SAMPLE>" line and the first
    // "</SAMPLE>" line still in the text.  A block's lines leave the text, so
    // neither search ever looks back: both walk forward once, and the cost
    // grows linearly with the file.
    struct TBlock {
        size_t Begin, End;  // from the "<SAMPLE>" line to after the "</SAMPLE>" line
    };
    std::vector<TBlock> Blocks;
    TLineAt OpenFrom, CloseFrom;
    for (;;) {
        TLineAt Open, AfterOpen, Close, AfterClose;
        if (!FindLine(Text, OpenFrom, "<SAMPLE>", Open, AfterOpen))
            break;
        if (!FindLine(Text, CloseFrom, "</SAMPLE>", Close, AfterClose)) {
            // A block that never ends, as in a file cut short: nothing is
            // read from its first line on.
            FUnread.FromLine = Open.Number;
            break;
        }
        OpenFrom = Open;
        if (Close.Pos < Open.Pos) {
            // An end line above the next block pairs with nothing: passed over.
            CloseFrom = AfterClose;
            continue;
        }
        // The block's lines are those that start before the "</SAMPLE>" line.
        TTextLines BlockLines(Text.substr(AfterOpen.Pos, Close.Pos - AfterOpen.Pos));
        std::unique_ptr<TAASSample> Sample(new TAASSample("", true));
        if (!Sample->ReadTextLines(BlockLines, TProgressEvent()))
            FUnread.Samples.push_back({Count(), Open.Number + Sample->ReadStopLine()});
        Add(Sample.release());
        Blocks.push_back({Open.Pos, AfterClose.Pos});
        OpenFrom = CloseFrom = AfterClose;
    }

    // What is left of the text once the blocks are gone.
    TLineViews Rest;
    {
        size_t P = 0, B = 0;
        std::string_view Line;
        while (P < Text.size()) {
            if (B < Blocks.size() && P == Blocks[B].Begin) {
                P = Blocks[B++].End;
                continue;
            }
            NextLine(Text, P, Line);
            Rest.push_back(Line);
        }
    }

    bool TitleFound = false, StatisticFound = false;
    std::string_view TitleValue, StatisticValue;
    for (const std::string_view Line : Rest) {
        std::string_view Value;
        if (!TitleFound && NameIs(Line, "##TITLE", Value)) {
            TitleFound = true;
            TitleValue = Value;
        } else if (!StatisticFound && NameIs(Line, "##USED STATISTIC", Value)) {
            StatisticFound = true;
            StatisticValue = Value;
        }
    }
    if (TitleFound)
        FTitle = std::string(TitleValue);
    if (StatisticFound)
        SetUsedStatistic(static_cast<std::uint8_t>(StrToInt(StatisticValue) & 0xFF));

    FDescription.clear();
    size_t DescStart = Rest.size(), DescEnd = Rest.size();
    for (size_t I = 0; I < Rest.size(); ++I) {
        if (DescStart == Rest.size() && EqualsIgnoringCase(Rest[I], "<DESCRIPTION>"))
            DescStart = I;
        else if (DescEnd == Rest.size() && EqualsIgnoringCase(Rest[I], "</DESCRIPTION>"))
            DescEnd = I;
    }
    if (DescStart < Rest.size() && DescEnd < Rest.size())
        for (size_t I = DescStart + 1; I < DescEnd; ++I)
            FDescription.emplace_back(Rest[I]);
}
