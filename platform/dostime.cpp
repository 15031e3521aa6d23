#include "platform/dostime.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/errors.h"

namespace platform {

namespace {

constexpr int kFirstDosYear = 1980;
constexpr int kLastDosYear = 2107;                       // 1980 + 127, the 7-bit year field's limit
constexpr std::uint32_t kFirstDosDateTime = 0x00210000;  // 1980-01-01 00:00:00
constexpr std::uint32_t kLastDosDateTime = 0xFF9FBF7D;   // 2107-12-31 23:59:58

std::uint32_t packDosDateTime(const std::tm& local) {
    const auto year = static_cast<std::uint32_t>(local.tm_year + 1900 - kFirstDosYear);
    const auto date =
        (year << 9) | (static_cast<std::uint32_t>(local.tm_mon + 1) << 5) | static_cast<std::uint32_t>(local.tm_mday);
    const auto time = (static_cast<std::uint32_t>(local.tm_hour) << 11) |
                      (static_cast<std::uint32_t>(local.tm_min) << 5) | (static_cast<std::uint32_t>(local.tm_sec) / 2);
    return (date << 16) | time;
}

}  // namespace

std::uint32_t toDosDateTime(std::time_t t) {
    std::tm local{};
    if (!localtime_r(&t, &local)) return t < 0 ? kFirstDosDateTime : kLastDosDateTime;
    const int year = local.tm_year + 1900;
    if (year < kFirstDosYear) return kFirstDosDateTime;
    if (year > kLastDosYear) return kLastDosDateTime;
    if (local.tm_sec > 59) local.tm_sec = 59;  // a leap second still fits the 5-bit field
    return packDosDateTime(local);
}

std::time_t fromDosDateTime(std::uint32_t dos) {
    const std::uint32_t date = dos >> 16;
    const std::uint32_t time = dos & 0xFFFF;
    std::tm local{};
    local.tm_year = static_cast<int>(date >> 9) + kFirstDosYear - 1900;
    local.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
    local.tm_mday = static_cast<int>(date & 0x1F);
    local.tm_hour = static_cast<int>(time >> 11);
    local.tm_min = static_cast<int>((time >> 5) & 0x3F);
    local.tm_sec = static_cast<int>(time & 0x1F) * 2;
    local.tm_isdst = -1;  // let the C library decide whether summer time applied
    return std::mktime(&local);
}

std::uint32_t fileDosDateTime(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw EFOpenError(path);
    return toDosDateTime(st.st_mtime);
}

bool setFileDosDateTime(const std::string& path, std::uint32_t dos) {
    const std::time_t t = fromDosDateTime(dos);
    if (t == static_cast<std::time_t>(-1)) return false;
    struct timespec times[2] = {{t, 0}, {t, 0}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

}  // namespace platform
