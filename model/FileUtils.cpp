// Safe writing of whole files: see FileUtils.h.

#include "FileUtils.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SysUtils.h"

namespace {

std::atomic<bool> GNamedTemporaries{false};
std::atomic<unsigned> GCounter{0};

[[noreturn]] void CreateFailed(const std::string& Shown, int Error)
{
    throw EFCreateError(Format("Cannot create file \"%s\". %s", Shown, std::strerror(Error)));
}

[[noreturn]] void WriteFailed(const std::string& Shown, int Error)
{
    throw EInOutError(Format("Cannot write file \"%s\". %s", Shown, std::strerror(Error)));
}

// "dir/name" -> "dir"; "name" -> "."; "/name" -> "/".
std::string FolderOf(const std::string& Path)
{
    const size_t Slash = Path.rfind('/');
    if (Slash == std::string::npos)
        return ".";
    return Slash == 0 ? std::string("/") : Path.substr(0, Slash);
}

std::string BaseOf(const std::string& Path)
{
    const size_t Slash = Path.rfind('/');
    return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

std::string Join(const std::string& Folder, const std::string& Name)
{
    return Folder == "/" ? "/" + Name : Folder + "/" + Name;
}

// The file a chain of symbolic links ends at, whether or not it exists.
std::string FinalTarget(const std::string& FileName)
{
    std::string Path = FileName;
    for (int Hop = 0; Hop < 40; ++Hop) {
        struct stat St {};
        if (::lstat(Path.c_str(), &St) != 0 || !S_ISLNK(St.st_mode))
            return Path;
        char Buf[PATH_MAX];
        const ssize_t Len = ::readlink(Path.c_str(), Buf, sizeof Buf);
        if (Len < 0 || static_cast<size_t>(Len) >= sizeof Buf)
            CreateFailed(FileName, Len < 0 ? errno : ENAMETOOLONG);
        const std::string Link(Buf, static_cast<size_t>(Len));
        Path = !Link.empty() && Link[0] == '/' ? Link
               : Path.find('/') == std::string::npos ? Link
                                                     : Join(FolderOf(Path), Link);
    }
    CreateFailed(FileName, ELOOP);
}

// Why writing to Path is refused (0: it is not).  The permission bits are
// looked at as well as asked about, since the super-user passes every test
// of the kernel.
int WriteRefusal(const std::string& Path, const struct stat& St, int Access)
{
    if ((St.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return EACCES;
    if (::faccessat(AT_FDCWD, Path.c_str(), Access, AT_EACCESS) != 0)
        return errno;
    return 0;
}

uint64_t NameHash(const std::string& Name)
{
    uint64_t H = 1469598103934665603ull;   // FNV-1a
    for (unsigned char C : Name) {
        H ^= C;
        H *= 1099511628211ull;
    }
    return H;
}

std::string TempPrefix(const std::string& Family)
{
    char Hex[17];
    std::snprintf(Hex, sizeof Hex, "%016llx", static_cast<unsigned long long>(NameHash(Family)));
    return std::string(".~") + Hex + ".";
}

std::string TempName(const std::string& Family)
{
    return TempPrefix(Family) + std::to_string(::getpid()) + "." + std::to_string(++GCounter) + ".tmp";
}

// Reads "<pid>.<n>.tmp" at the start of Rest; the process id, or 0.
pid_t TempOwner(std::string_view Rest)
{
    size_t I = 0;
    long long Pid = 0;
    while (I < Rest.size() && Rest[I] >= '0' && Rest[I] <= '9' && Pid < INT_MAX)
        Pid = Pid * 10 + (Rest[I++] - '0');
    if (I == 0 || I >= Rest.size() || Rest[I] != '.' || Pid <= 0 || Pid >= INT_MAX)
        return 0;
    size_t J = ++I;
    while (J < Rest.size() && Rest[J] >= '0' && Rest[J] <= '9')
        ++J;
    if (J == I || Rest.substr(J) != ".tmp")
        return 0;
    return static_cast<pid_t>(Pid);
}

// Removes the temporaries of Family in Folder whose process is gone: those
// of this writer and those the writer of older versions named
// ".<name>.<pid>.<n>.tmp".  A temporary of a living process (this one, or
// another saving the same file right now) is left alone.
void ClearStaleTemporaries(const std::string& Folder, const std::string& Family)
{
    DIR* D = ::opendir(Folder.c_str());
    if (!D)
        return;
    const std::string Prefix = TempPrefix(Family);
    const std::string OldPrefix = "." + Family + ".";
    const pid_t Self = ::getpid();
    while (const dirent* E = ::readdir(D)) {
        const std::string_view Name = E->d_name;
        pid_t Owner = 0;
        if (Name.substr(0, Prefix.size()) == Prefix)
            Owner = TempOwner(Name.substr(Prefix.size()));
        else if (Name.size() > OldPrefix.size() && Name.substr(0, OldPrefix.size()) == OldPrefix)
            Owner = TempOwner(Name.substr(OldPrefix.size()));
        if (Owner == 0 || Owner == Self)
            continue;
        if (::kill(Owner, 0) == 0 || errno != ESRCH)
            continue;
        struct stat St {};
        if (::fstatat(::dirfd(D), E->d_name, &St, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(St.st_mode))
            (void)::unlinkat(::dirfd(D), E->d_name, 0);
    }
    ::closedir(D);
}

void SyncFolder(const std::string& Folder)
{
    // Makes the new name durable; a failure here loses nothing.
    const int Fd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (Fd >= 0) {
        (void)::fsync(Fd);
        ::close(Fd);
    }
}

}  // namespace

void UseNamedTemporariesForTesting(bool Named)
{
    GNamedTemporaries = Named;
}

// ---------------------------------------------------------------------------
// TNewFile

TNewFile::TNewFile(const std::string& Folder, const std::string& Family, const std::string& ShownName)
    : FFolder(Folder.empty() ? "." : Folder), FFamily(Family), FShown(ShownName)
{
    ClearStaleTemporaries(FFolder, FFamily);
    if (!GNamedTemporaries) {
        FFd = ::open(FFolder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (FFd >= 0) {
            FNameless = true;
            return;
        }
        // Not offered by this file system (or the folder is at fault, which
        // the named temporary reports below).
    }
    for (int Attempt = 0; Attempt < 100; ++Attempt) {
        const std::string Name = TempName(FFamily);
        FFd = ::open(Join(FFolder, Name).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (FFd >= 0) {
            FTempName = Name;
            return;
        }
        if (errno != EEXIST)
            break;
    }
    CreateFailed(FShown, errno);
}

TNewFile::~TNewFile()
{
    if (FFd >= 0)
        ::close(FFd);
    if (!FTempName.empty())
        ::unlink(Join(FFolder, FTempName).c_str());
}

std::string TNewFile::Path() const
{
    if (FNameless)
        return "/proc/self/fd/" + std::to_string(FFd);
    return Join(FFolder, FTempName);
}

void TNewFile::Write(std::string_view Text)
{
    const char* P = Text.data();
    size_t Left = Text.size();
    while (Left > 0) {
        const ssize_t Put = ::write(FFd, P, Left);
        if (Put < 0) {
            if (errno == EINTR)
                continue;
            WriteFailed(FShown, errno);
        }
        P += Put;
        Left -= static_cast<size_t>(Put);
    }
}

void TNewFile::Flush()
{
    if (::fsync(FFd) != 0)
        WriteFailed(FShown, errno);
}

// Gives the nameless file the name Target; the errno of the failure, or 0.
static int LinkNameless(int Fd, const std::string& Target)
{
    const std::string Proc = "/proc/self/fd/" + std::to_string(Fd);
    if (::linkat(AT_FDCWD, Proc.c_str(), AT_FDCWD, Target.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    int Error = errno;
    if (Error == ENOENT && ::access("/proc/self/fd", F_OK) != 0) {
        // No /proc: the direct form, which needs the privilege to use it.
        if (::linkat(Fd, "", AT_FDCWD, Target.c_str(), AT_EMPTY_PATH) == 0)
            return 0;
        Error = errno;
    }
    return Error;
}

bool TNewFile::LinkAs(const std::string& Target)
{
    Flush();
    if (FNameless) {
        const int Error = LinkNameless(FFd, Target);
        if (Error == EEXIST)
            return false;
        if (Error != 0)
            CreateFailed(FShown, Error);
    } else {
        const std::string Temp = Join(FFolder, FTempName);
        if (::link(Temp.c_str(), Target.c_str()) != 0) {
            const int Error = errno;
            if (Error == EEXIST)
                return false;
            // A file system without hard links: a rename after a look at the
            // name is the best there is.
            if (Error != EPERM && Error != EOPNOTSUPP && Error != EMLINK)
                CreateFailed(FShown, Error);
            struct stat St {};
            if (::lstat(Target.c_str(), &St) == 0)
                return false;
            if (::rename(Temp.c_str(), Target.c_str()) != 0)
                CreateFailed(FShown, errno);
        } else {
            ::unlink(Temp.c_str());
        }
        FTempName.clear();
    }
    SyncFolder(FFolder);
    return true;
}

void TNewFile::ReplaceAs(const std::string& Target)
{
    Flush();
    if (FNameless) {
        // A name can only be given to a nameless file where none exists, so
        // it gets a temporary one first, for as long as the rename takes.
        int Error = EEXIST;
        for (int Attempt = 0; Attempt < 100 && Error == EEXIST; ++Attempt) {
            FTempName = TempName(FFamily);
            Error = LinkNameless(FFd, Join(FFolder, FTempName));
        }
        if (Error != 0) {
            FTempName.clear();
            CreateFailed(FShown, Error);
        }
    }
    if (::rename(Join(FFolder, FTempName).c_str(), Target.c_str()) != 0)
        CreateFailed(FShown, errno);   // the destructor removes the temporary
    FTempName.clear();
    SyncFolder(FFolder);
}

// ---------------------------------------------------------------------------
// WriteFileReplacing

void WriteFileReplacing(const std::string& FileName, const std::function<void(TNewFile&)>& Produce)
{
    const std::string Target = FinalTarget(FileName);
    const std::string Folder = FolderOf(Target);
    struct stat Old {};
    const bool Exists = ::stat(Target.c_str(), &Old) == 0;
    if (!Exists && errno != ENOENT)
        CreateFailed(FileName, errno);
    // Only a regular file is replaced: a folder or a device of that name is
    // left alone.
    if (Exists && !S_ISREG(Old.st_mode))
        CreateFailed(FileName, S_ISDIR(Old.st_mode) ? EISDIR : EPERM);
    if (Exists)
        if (const int Error = WriteRefusal(Target, Old, W_OK))
            CreateFailed(FileName, Error);
    struct stat Dir {};
    if (::stat(Folder.c_str(), &Dir) != 0)
        CreateFailed(FileName, errno);
    if (!S_ISDIR(Dir.st_mode))
        CreateFailed(FileName, ENOTDIR);
    if (const int Error = WriteRefusal(Folder, Dir, W_OK | X_OK))
        CreateFailed(FileName, Error);

    TNewFile File(Folder, BaseOf(Target), FileName);
    // The old file's mode and owner from the start, so that the new content
    // is never open to more users than the old one was.
    if (Exists) {
        (void)::fchmod(File.Handle(), Old.st_mode & 07777);
        if (Old.st_uid != ::geteuid() || Old.st_gid != ::getegid())
            (void)::fchown(File.Handle(), Old.st_uid, Old.st_gid);
    }
    Produce(File);
    // Giving the file away clears its set-id bits, and so does writing to it
    // unless the writer is privileged: they are set again last.
    if (Exists && (Old.st_mode & (S_ISUID | S_ISGID)))
        (void)::fchmod(File.Handle(), Old.st_mode & 07777);
    File.ReplaceAs(Target);
}

void WriteFileReplacing(const std::string& FileName, std::string_view Text)
{
    WriteFileReplacing(FileName, [Text](TNewFile& File) { File.Write(Text); });
}

void WriteFileReplacing(const std::string& FileName, const std::string& Text)
{
    WriteFileReplacing(FileName, std::string_view(Text));
}

void WriteFileReplacing(const std::string& FileName, const char* Text)
{
    WriteFileReplacing(FileName, std::string_view(Text));
}
