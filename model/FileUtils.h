// Whole-file reading and undo-safe writing shared by the file formats of both
// programs.  Standard library only.
#pragma once

#include <string>

// Reads a regular file whole.  Anything that is not a regular file (a folder,
// a device, a pipe) is refused.  Raises EFOpenError / EInOutError with a
// message that names the file.
std::string ReadWholeFile(const std::string& FileName);

// Writes Text as the new content of FileName: into a temporary file in the
// same folder, flushed to disk, then renamed over the target, so a failed
// write leaves the old file as it was.  Raises EFCreateError / EInOutError
// with a message that names the file.
void WriteFileReplacing(const std::string& FileName, const std::string& Text);
