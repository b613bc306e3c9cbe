// Saving under crashes, odd targets and failing disks: the sample and
// experiment writers (through WriteFileReplacing) leave the target either
// complete old or complete new, clear what a killed save left, save names of
// the file system's full length, refuse files they may not write, and keep
// symbolic links links.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "AASCls.h"
#include "FileTestSupport.h"
#include "FileUtils.h"
#include "TestSeed.h"

namespace fs = std::filesystem;

namespace {

// A sample of Replicates x Points readings, every reading derived from Seed,
// so that two seeds give files of the same size and different content.
TAASSample* LargeSample(int Seed, int Replicates, int Points)
{
    auto* S = new TAASSample("large", true);
    for (int R = 0; R < Replicates; ++R) {
        auto* Rep = new TAASReplicate();
        for (int I = 0; I < Points; ++I)
            Rep->Add(1000 + Seed * 7 + (I * 13 + R) % 997);
        S->Add(Rep);
    }
    return S;
}

TAASExperiment* LargeExperiment(int Seed)
{
    auto* E = new TAASExperiment("crash", true);
    E->Add(LargeSample(Seed, 2, 10000));
    E->Add(LargeSample(Seed + 1, 2, 10000));
    return E;
}

// Restores nameless temporaries after a test that turned them off.
struct NamedTemporaries {
    explicit NamedTemporaries(bool Named) { UseNamedTemporariesForTesting(Named); }
    ~NamedTemporaries() { UseNamedTemporariesForTesting(false); }
};

class SafeSave : public FileTest {
protected:
    std::vector<std::string> Others(const std::string& Keep) const
    {
        std::vector<std::string> Names;
        for (const std::string& N : FolderEntries())
            if (N != Keep)
                Names.push_back(N);
        return Names;
    }
};

std::string ReadFile(const std::string& Name)
{
    std::ifstream In(Name, std::ios::binary);
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
}

// Forks a child that runs Body and reports its exit code (or -signal).
template <class Fn>
int InChild(Fn&& Body)
{
    const pid_t Pid = fork();
    if (Pid == 0)
        _exit(Body());
    int Status = 0;
    waitpid(Pid, &Status, 0);
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -WTERMSIG(Status);
}

}  // namespace

// ---------------------------------------------------------------------------
// Kill during a save

struct CrashFigures {
    int Trials = 0, Old = 0, New = 0, Torn = 0, WhileWriting = 0, LeftBeforeNextSave = 0, LeftAfterNextSave = 0;
};

// Whether process Pid holds a file of Folder open (its new file, named or not).
bool WritesInto(pid_t Pid, const std::string& Folder)
{
    std::error_code Error;
    for (const auto& E : fs::directory_iterator("/proc/" + std::to_string(Pid) + "/fd", Error)) {
        const fs::path Link = fs::read_symlink(E.path(), Error);
        if (!Error && Link.string().rfind(Folder + "/", 0) == 0)
            return true;
    }
    return false;
}

// Saves alternately B and A over Target (which holds A) in a child process
// and kills it, Trials times: every other trial at a random moment of its
// first save, the others at a random moment after the child opened its new
// file (seen in /proc), while it writes.  After each kill the target must be
// exactly A or B; then one more save (of A, which also sets up the next
// trial), after which the folder must hold the target alone.
template <class SaveFn>
CrashFigures KillDuringSaves(const std::string& Target, const std::string& A, const std::string& B, int Trials,
                             SaveFn&& Save, std::mt19937& Random)
{
    using Clock = std::chrono::steady_clock;
    auto Micros = [](Clock::duration D) { return std::chrono::duration_cast<std::chrono::microseconds>(D).count(); };
    CrashFigures F;
    const std::string Folder = fs::path(Target).parent_path().string();
    auto Entries = [&] {
        int N = 0;
        for (const auto& E : fs::directory_iterator(Folder))
            N += E.path().string() != Target;
        return N;
    };
    auto T0 = Clock::now();
    Save(true);
    const long SaveTime = Micros(Clock::now() - T0);
    T0 = Clock::now();
    WriteFileReplacing(Target, A);
    const long WriteTime = Micros(Clock::now() - T0);
    std::uniform_int_distribution<long> AnyMoment(0, SaveTime * 3 / 2), WhileWriting(0, WriteTime);
    for (int T = 0; T < Trials; ++T) {
        const auto Start = Clock::now();
        const pid_t Pid = fork();
        if (Pid == 0) {
            for (unsigned I = 0;; ++I)
                Save(I % 2 == 0);
        }
        if (T % 2 == 0) {
            usleep(static_cast<useconds_t>(AnyMoment(Random)));
        } else {
            while (!WritesInto(Pid, Folder) && Micros(Clock::now() - Start) < 3 * SaveTime)
                usleep(200);
            usleep(static_cast<useconds_t>(WhileWriting(Random)));
        }
        F.WhileWriting += WritesInto(Pid, Folder);
        kill(Pid, SIGKILL);
        waitpid(Pid, nullptr, 0);
        ++F.Trials;
        const std::string Now = ReadFile(Target);
        if (Now == A)
            ++F.Old;
        else if (Now == B)
            ++F.New;
        else
            ++F.Torn;
        F.LeftBeforeNextSave += Entries();
        Save(false);
        F.LeftAfterNextSave += Entries();
    }
    return F;
}

void Report(const char* What, const CrashFigures& F)
{
    std::cout << What << ": " << F.Trials << " kills (" << F.WhileWriting << " while the new file was open), target old "
              << F.Old << ", new " << F.New << ", torn " << F.Torn << "; stray files before the next save "
              << F.LeftBeforeNextSave << ", after it " << F.LeftAfterNextSave << "\n";
}

TEST_F(SafeSave, KilledSavesLeaveOldOrNewAndNothingAfterTheNextSave)
{
    const std::uint32_t Seed = TestSeed(std::random_device{}());
    SCOPED_TRACE(SeedTrace(Seed));
    std::mt19937 Random(Seed);
    const std::string Target = Path("big.ast");
    std::unique_ptr<TAASSample> SA(LargeSample(1, 3, 15000)), SB(LargeSample(2, 3, 15000));
    ASSERT_TRUE(SA->SaveToFile(Path("a.ref")));
    ASSERT_TRUE(SB->SaveToFile(Path("b.ref")));
    const std::string A = ReadRaw(Path("a.ref")), B = ReadRaw(Path("b.ref"));
    ASSERT_EQ(A.size(), B.size());
    ASSERT_NE(A, B);
    fs::remove(Path("a.ref"));
    fs::remove(Path("b.ref"));
    auto SaveSample = [&](bool New) {
        if (!(New ? SB : SA)->SaveToFile(Target))
            _exit(3);
    };
    const std::string XTarget = Path("big.axp");
    std::unique_ptr<TAASExperiment> EA(LargeExperiment(1)), EB(LargeExperiment(5));
    EA->SaveToFile(Path("a.ref"));
    EB->SaveToFile(Path("b.ref"));
    const std::string XA = ReadRaw(Path("a.ref")), XB = ReadRaw(Path("b.ref"));
    fs::remove(Path("a.ref"));
    fs::remove(Path("b.ref"));
    auto SaveExperiment = [&](bool New) { (New ? EB : EA)->SaveToFile(XTarget); };

    for (bool Named : {false, true}) {
        NamedTemporaries Mode(Named);
        const CrashFigures S = KillDuringSaves(Target, A, B, 12, SaveSample, Random);
        fs::remove(Target);
        const CrashFigures E = KillDuringSaves(XTarget, XA, XB, 6, SaveExperiment, Random);
        fs::remove(XTarget);
        Report(Named ? "sample, named temporaries" : "sample, nameless file", S);
        Report(Named ? "experiment, named temporaries" : "experiment, nameless file", E);
        for (const CrashFigures* F : {&S, &E}) {
            EXPECT_EQ(F->Torn, 0);
            EXPECT_EQ(F->Old + F->New, F->Trials);
            EXPECT_EQ(F->LeftAfterNextSave, 0);
        }
    }
    EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(SafeSave, TheNextSaveClearsWhatDeadSavesOfTheSameFileLeft)
{
    const std::string Target = Path("a.ast");
    std::unique_ptr<TAASSample> S(MakeSample("t", {{1, 2}}));
    // A save that dies after writing its temporary (named, as where the file
    // system offers no nameless files).
    pid_t Dead = 0;
    const pid_t Pid = fork();
    if (Pid == 0) {
        UseNamedTemporariesForTesting(true);
        auto* File = new TNewFile(Dir.string(), "a.ast", Target);
        File->Write("half a sam");
        _exit(0);   // no destructor: the temporary stays
    }
    waitpid(Pid, nullptr, 0);
    Dead = Pid;
    // What the writer of older versions left, a living process's temporary
    // and another file's temporary.
    const std::string Legacy = ".a.ast." + std::to_string(Dead) + ".12.tmp";
    const std::string Living = ".a.ast.1.3.tmp";
    const std::string OtherFile = ".b.ast." + std::to_string(Dead) + ".1.tmp";
    for (const std::string& N : {Legacy, Living, OtherFile})
        WriteRaw(Path(N), "x");
    ASSERT_EQ(FolderEntries().size(), 4u);

    ASSERT_TRUE(S->SaveToFile(Target));
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{Living, OtherFile, "a.ast"}));
}

// ---------------------------------------------------------------------------
// Odd targets

TEST_F(SafeSave, NamesUpToTheFileSystemLimitSave)
{
    std::unique_ptr<TAASSample> S(MakeSample("t", {{1, 2, 3}}));
    TAASExperiment E("x", true);
    for (size_t Length : {250u, 255u}) {
        SCOPED_TRACE(Length);
        const std::string Name = std::string(Length - 4, 'n') + ".ast";
        ASSERT_TRUE(S->SaveToFile(Path(Name)));
        TAASSample Back("", true);
        ASSERT_TRUE(Back.LoadFromFile(Path(Name), 0));
        EXPECT_EQ(Back.GetItem(0)->Count(), 3);
        const std::string XName = std::string(Length - 4, 'x') + ".axp";
        EXPECT_EQ(ErrorOf([&] { E.SaveToFile(Path(XName)); }), "(no error)");
        EXPECT_EQ(Others(Name), (std::vector<std::string>{XName}));
        fs::remove(Path(Name));
        fs::remove(Path(XName));
    }
    // One byte beyond the limit is the system's own refusal.
    const std::string TooLong = Path(std::string(252, 'n') + ".ast");
    EXPECT_FALSE(S->SaveToFile(TooLong));
    EXPECT_EQ(ErrorOf([&] { E.SaveToFile(TooLong); }),
              "Cannot create file \"" + TooLong + "\". File name too long");
    EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(SafeSave, FilesAndFoldersWithoutWritePermissionAreRefusedAndLeftAlone)
{
    // Also for the super-user, whom the kernel lets write anything.
    std::unique_ptr<TAASSample> S(MakeSample("t", {{1, 2}}));
    TAASExperiment E("x", true);
    const std::string ReadOnly = Path("ro.ast");
    WriteRaw(ReadOnly, "precious");
    ASSERT_EQ(chmod(ReadOnly.c_str(), 0444), 0);
    fs::create_directory(Path("locked"));
    WriteRaw(Path("locked/in.ast"), "kept");
    ASSERT_EQ(chmod(Path("locked").c_str(), 0555), 0);

    struct Case {
        std::string Target;
    } Cases[] = {{ReadOnly}, {Path("locked/in.ast")}, {Path("locked/new.ast")}};
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Target);
        EXPECT_FALSE(S->SaveToFile(C.Target));
        EXPECT_EQ(ErrorOf([&] { E.SaveToFile(C.Target); }),
                  "Cannot create file \"" + C.Target + "\". Permission denied");
    }
    EXPECT_EQ(ReadRaw(ReadOnly), "precious");
    struct stat St {};
    ASSERT_EQ(stat(ReadOnly.c_str(), &St), 0);
    EXPECT_EQ(St.st_mode & 0777, 0444u);
    EXPECT_EQ(ReadRaw(Path("locked/in.ast")), "kept");
    chmod(Path("locked").c_str(), 0755);
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"locked", "ro.ast"}));
    EXPECT_EQ(fs::directory_iterator(Path("locked"))->path().filename(), "in.ast");
}

TEST_F(SafeSave, AReplacedFileKeepsItsModeAndOwner)
{
    // Modes a new file would not get under the usual umask, set-id bits
    // included.  The file is saved by us; as the super-user also when it
    // belongs to another user, and by that user, an ordinary one, in a child
    // (writing clears the set-id bits of a file unless the writer may keep
    // them).  An ordinary user running this test is all three.
    enum class Saver { Us, UsForItsOwner, ItsOwner };
    struct Case {
        mode_t Mode;
        Saver By;
    };
    const Case Cases[] = {{0640, Saver::Us},           {0666, Saver::Us},           {04750, Saver::Us},
                          {0640, Saver::UsForItsOwner}, {04750, Saver::UsForItsOwner}, {02770, Saver::UsForItsOwner},
                          {04750, Saver::ItsOwner},     {02770, Saver::ItsOwner}};
    const bool Root = geteuid() == 0;
    const uid_t OtherUid = 4242;
    const gid_t OtherGid = 4343;
    if (Root) {
        ASSERT_EQ(chown(Dir.c_str(), OtherUid, OtherGid), 0);   // the other user may save here
    }
    struct UsualUmask {
        mode_t Old = umask(022);
        ~UsualUmask() { umask(Old); }
    } Mask;
    auto Octal = [](mode_t Mode) {
        char Text[8];
        std::snprintf(Text, sizeof Text, "%04o", static_cast<unsigned>(Mode));
        return std::string(Text);
    };
    const std::string Target = Path("kept.ast");
    for (bool Named : {false, true})
        for (const Case& C : Cases) {
            const bool Other = Root && C.By != Saver::Us;
            SCOPED_TRACE((Named ? "named temporary, " : "nameless file, ") + Octal(C.Mode) +
                         (C.By == Saver::Us ? ", ours" : C.By == Saver::UsForItsOwner ? ", another's" : ", by its owner"));
            const uid_t Uid = Other ? OtherUid : geteuid();
            const gid_t Gid = Other ? OtherGid : getegid();
            NamedTemporaries Temporaries(Named);
            WriteRaw(Target, "old");
            ASSERT_EQ(chown(Target.c_str(), Uid, Gid), 0);
            ASSERT_EQ(chmod(Target.c_str(), C.Mode), 0);
            if (Other && C.By == Saver::ItsOwner) {
                ASSERT_EQ(InChild([&] {
                              if (setgid(OtherGid) != 0 || setuid(OtherUid) != 0)
                                  return 2;
                              WriteFileReplacing(Target, "new");
                              return 0;
                          }),
                          0);
            } else {
                WriteFileReplacing(Target, "new");
            }
            EXPECT_EQ(ReadRaw(Target), "new");
            struct stat St {};
            ASSERT_EQ(stat(Target.c_str(), &St), 0);
            EXPECT_EQ(Octal(St.st_mode & 07777), Octal(C.Mode));
            EXPECT_EQ(St.st_uid, Uid);
            EXPECT_EQ(St.st_gid, Gid);
            fs::remove(Target);
        }
    EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(SafeSave, OnlyARegularFileIsReplaced)
{
    ASSERT_EQ(mkfifo(Path("pipe.ast").c_str(), 0600), 0);
    fs::create_directory(Path("folder.ast"));
    fs::create_symlink("pipe.ast", Path("link.ast"));
    for (const char* Name : {"pipe.ast", "folder.ast", "link.ast"}) {
        SCOPED_TRACE(Name);
        const std::string Target = Path(Name);
        try {
            WriteFileReplacing(Target, "new");
            ADD_FAILURE() << "written";
        } catch (const EFCreateError& E) {
            EXPECT_EQ(E.Message().rfind("Cannot create file \"" + Target + "\". ", 0), 0u) << E.Message();
        }
    }
    EXPECT_TRUE(fs::is_fifo(Path("pipe.ast")));
    EXPECT_TRUE(fs::is_directory(Path("folder.ast")));
    EXPECT_TRUE(fs::is_empty(Path("folder.ast")));
    EXPECT_TRUE(fs::is_symlink(Path("link.ast")));
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"folder.ast", "link.ast", "pipe.ast"}));
}

TEST_F(SafeSave, SymbolicLinksStayLinksDanglingOrNot)
{
    std::unique_ptr<TAASSample> S(MakeSample("t", {{4, 5}}));
    fs::create_directory(Path("data"));
    // Relative dangling link, a chain ending at a missing file, a link into a
    // missing folder.
    fs::create_symlink("data/new.ast", Path("dangling.ast"));
    fs::create_symlink(Path("dangling.ast"), Path("chain.ast"));
    fs::create_symlink("nowhere/x.ast", Path("broken.ast"));

    ASSERT_TRUE(S->SaveToFile(Path("dangling.ast")));
    EXPECT_TRUE(fs::is_symlink(Path("dangling.ast")));
    EXPECT_EQ(fs::read_symlink(Path("dangling.ast")), "data/new.ast");
    EXPECT_EQ(ReadRaw(Path("data/new.ast")).substr(0, 17), "##Resolution=0.02");

    TAASExperiment E("chain", true);
    E.SaveToFile(Path("chain.ast"));
    EXPECT_TRUE(fs::is_symlink(Path("chain.ast")));
    EXPECT_TRUE(fs::is_symlink(Path("dangling.ast")));
    EXPECT_EQ(ReadRaw(Path("data/new.ast")).substr(0, 12), "<EXPERIMENT>");

    EXPECT_FALSE(S->SaveToFile(Path("broken.ast")));
    EXPECT_EQ(ErrorOf([&] { E.SaveToFile(Path("broken.ast")); }),
              "Cannot create file \"" + Path("broken.ast") + "\". No such file or directory");
    EXPECT_TRUE(fs::is_symlink(Path("broken.ast")));
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"broken.ast", "chain.ast", "dangling.ast", "data"}));
    EXPECT_EQ(fs::directory_iterator(Path("data"))->path().filename(), "new.ast");
}

TEST_F(SafeSave, AWriteThatRunsOutOfRoomKeepsTheOldFile)
{
    // A file size limit stands in for a full disk: the write fails part way
    // (EFBIG) as it would with ENOSPC, without needing a file system to fill.
    const std::string Target = Path("old.ast");
    WriteRaw(Target, "precious");
    std::unique_ptr<TAASSample> S(LargeSample(3, 2, 20000));
    for (bool Named : {false, true}) {
        SCOPED_TRACE(Named);
        const int Code = InChild([&] {
            UseNamedTemporariesForTesting(Named);
            signal(SIGXFSZ, SIG_IGN);
            rlimit Limit{64 * 1024, 64 * 1024};
            setrlimit(RLIMIT_FSIZE, &Limit);
            if (S->SaveToFile(Target))
                return 1;
            TAASExperiment E("x", false);
            E.Add(S.get());
            const std::string Error = ErrorOf([&] { E.SaveToFile(Target); });
            return Error == "Cannot write file \"" + Target + "\". File too large" ? 0 : 2;
        });
        EXPECT_EQ(Code, 0);
        EXPECT_EQ(ReadRaw(Target), "precious");
        EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"old.ast"}));
    }
}

TEST_F(SafeSave, AWriteThatRunsOutOfRoomAfterSeveralPiecesKeepsTheOldFile)
{
    // The writers hand a large file's text over piece by piece.  A disk that
    // fills after some pieces went out (the limit falls inside a piece, whose
    // write comes up short before the next one fails) or only at the last
    // one fails the save all the same: the old file stays, nothing is left.
    const std::string Target = Path("old.ast");
    WriteRaw(Target, "precious");
    std::unique_ptr<TAASSample> S(LargeSample(4, 4, 200000));
    TAASExperiment E("x", false);
    E.Add(S.get());
    // The sample file, the smaller of the two, is cut short by its last byte.
    ASSERT_TRUE(S->SaveToFile(Path("full.ast")));
    const rlim_t Size = static_cast<rlim_t>(fs::file_size(Path("full.ast")));
    fs::remove(Path("full.ast"));
    ASSERT_GT(Size, rlim_t(4) << 20);
    for (const rlim_t Limit : {(rlim_t(1) << 20) + 3, Size - 1}) {
        for (bool Named : {false, true}) {
            SCOPED_TRACE(std::to_string(Limit) + (Named ? ", named temporary" : ", nameless file"));
            const int Code = InChild([&] {
                UseNamedTemporariesForTesting(Named);
                signal(SIGXFSZ, SIG_IGN);
                rlimit Cap{Limit, Limit};
                setrlimit(RLIMIT_FSIZE, &Cap);
                if (S->SaveToFile(Target))
                    return 1;
                const std::string Error = ErrorOf([&] { E.SaveToFile(Target); });
                return Error == "Cannot write file \"" + Target + "\". File too large" ? 0 : 2;
            });
            EXPECT_EQ(Code, 0);
            ASSERT_EQ(fs::file_size(Target), 8u);
            EXPECT_EQ(ReadRaw(Target), "precious");
            EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"old.ast"}));
        }
    }
}
