#pragma once
// DOS date-time words (date in the high 16 bits, time in the low 16 bits), in local time.
#include <cstdint>
#include <ctime>
#include <string>

namespace platform {

// A time stamp as DOS date-time in local time; seconds round down to even, years before
// 1980 clamp to 1980-01-01 00:00:00, years after 2107 clamp to the last representable instant.
std::uint32_t toDosDateTime(std::time_t t);

// The instant a DOS date-time word names, read as local time.
std::time_t fromDosDateTime(std::uint32_t dos);

// The DOS date-time of a file's last write; throws EFOpenError when the file cannot be examined.
std::uint32_t fileDosDateTime(const std::string& path);

// Sets a file's last-write (and access) time from a DOS word read as local time. Returns false on failure.
bool setFileDosDateTime(const std::string& path, std::uint32_t dos);

}  // namespace platform
