// Whole-file reading and undo-safe writing shared by the file formats of both
// programs.  Standard library only.
#pragma once

#include <functional>
#include <string>
#include <string_view>

class TNewFile;

// Reads a regular file whole.  Anything that is not a regular file (a folder,
// a device, a pipe) is refused.  Raises EFOpenError / EInOutError with a
// message that names the file.
std::string ReadWholeFile(const std::string& FileName);

// Safe writing of whole files.
//
// Every file the programs write goes through here.  The new content is first
// written into a file without a name (Linux O_TMPFILE) in the target's folder,
// flushed to disk, and only then given a name; so whatever moment the program
// dies at, the target holds either its complete old or its complete new
// content, and a half-written file never appears under any name.
//
// Where the file system offers no nameless files, a hidden temporary name is
// used instead (".~<16 hex digits of the target's name>.<process id>.<n>.tmp",
// short enough for a target name of the file system's full length).  A
// temporary of that kind left by a process that died is removed by the next
// save of the same target, as are the temporaries older versions left
// (".<name>.<process id>.<n>.tmp").
//
// Rules common to all writers:
// - a symbolic link stays a link: the content goes to the file it points to
//   (followed through a chain of links), also when that file does not exist
//   yet (a dangling link);
// - only a regular file is replaced; a folder, a device or a pipe of that
//   name is refused;
// - a file or folder whose permission bits forbid writing is refused and left
//   untouched, also for the super-user, whom the kernel would let through;
// - a replaced file keeps its permission bits (and its owner where allowed).
// Failures raise EFCreateError ("Cannot create file \"%s\". %s") when the
// target cannot be created or replaced, and EInOutError ("Cannot write file
// \"%s\". %s") when writing fails (a full disk); the target is unchanged then.

// Writes Text as the new content of FileName, creating or replacing it.
void WriteFileReplacing(const std::string& FileName, const std::string& Text);
void WriteFileReplacing(const std::string& FileName, std::string_view Text);
void WriteFileReplacing(const std::string& FileName, const char* Text);
// The same for content produced while it is written: Produce appends it to
// the new file through TNewFile::Write, in as many pieces as it likes, so
// that it never has to be held whole.  An error that Produce raises ends the
// save like a failed write: the target is unchanged and the error passes on.
void WriteFileReplacing(const std::string& FileName, const std::function<void(TNewFile&)>& Produce);

// A new file that is written first and named when complete, for writers
// that produce the content themselves (through Path() or Handle()):
//   TNewFile F(Folder, "Book.xlsx", ShownName);  F.Path() opens the file
//   ... write through F.Path(), F.Handle() or F.Write() ...
//   F.LinkAs(Folder + "/Book-1.xlsx")  true when named, false when taken
// The file vanishes when the object is destroyed before it was named.
class TNewFile {
public:
    // Folder: where the file will be named.  Family: the name its temporary
    // is derived from, so that a later save of the same family clears what
    // a dead process left.  ShownName: the name failure messages give.
    // Raises EFCreateError when no file can be made in Folder.
    TNewFile(const std::string& Folder, const std::string& Family, const std::string& ShownName);
    ~TNewFile();
    TNewFile(const TNewFile&) = delete;
    TNewFile& operator=(const TNewFile&) = delete;

    int Handle() const { return FFd; }
    // A path that opens this very file: a /proc/self/fd link to the nameless
    // file, or the temporary's name.
    std::string Path() const;
    // Appends Text; raises EInOutError.
    void Write(std::string_view Text);
    // Flushes the file to disk and gives it the name Target, in Folder, which
    // must not exist yet: false (nothing named) when it does.  Raises on any
    // other failure.
    bool LinkAs(const std::string& Target);
    // Flushes the file to disk and puts it in place of Target, in Folder
    // (created or replaced in one step).
    void ReplaceAs(const std::string& Target);

private:
    void Flush();

    std::string FFolder;
    std::string FFamily;
    std::string FShown;
    std::string FTempName;   // the temporary's name in FFolder while it has one
    int FFd = -1;
    bool FNameless = false;
};

// Test hook: use named temporaries even where nameless files are offered.
void UseNamedTemporariesForTesting(bool Named);
