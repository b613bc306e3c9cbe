// Shared by the fuzz targets: the input goes into a scratch file that the
// readers open like any other file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "SysUtils.h"

inline std::string ScratchFile(const char* Name)
{
    const char* Base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(Base) + "/velor_fuzz_" + std::to_string(getpid()) + "_" + Name;
}

inline void WriteScratch(const std::string& FileName, const std::uint8_t* Data, std::size_t Size)
{
    std::FILE* F = std::fopen(FileName.c_str(), "wb");
    if (F == nullptr)
        __builtin_trap();
    if (Size > 0)
        std::fwrite(Data, 1, Size, F);
    std::fclose(F);
}

// The first input byte picks the decimal separator; the rest is the file.
inline void TakeSeparator(const std::uint8_t*& Data, std::size_t& Size)
{
    DecimalSeparator = '.';
    if (Size > 0) {
        DecimalSeparator = (Data[0] & 1) ? ',' : '.';
        ++Data;
        --Size;
    }
}
