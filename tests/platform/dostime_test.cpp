#include "platform/dostime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

#include "platform/errors.h"
#include "platform/tempfile.h"

namespace platform {
namespace {

// Sets the process's time zone (POSIX rules, so no zone database is needed) for one scope.
class ScopedZone {
public:
    explicit ScopedZone(const char* zone) {
        if (const char* tz = std::getenv("TZ")) saved_ = tz, hadZone_ = true;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedZone() {
        if (hadZone_)
            setenv("TZ", saved_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string saved_;
    bool hadZone_ = false;
};

std::time_t localTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

class DosTimeInZone : public testing::TestWithParam<const char*> {
private:
    ScopedZone zone_{GetParam()};
};

struct DosCase {
    int year, month, day, hour, minute, second;
    std::uint32_t dos;
};

TEST_P(DosTimeInZone, RoundTripsLocalTimes) {
    const DosCase cases[] = {
        {1980, 1, 1, 0, 0, 0, 0x00210000},
        {2000, 2, 29, 12, 34, 56, 0x285D645C},
        {2024, 7, 15, 23, 59, 58, 0x58EFBF7D},  // summer time in zones that have it
        {2107, 12, 31, 23, 59, 58, 0xFF9FBF7D},
    };
    for (const DosCase& c : cases) {
        const std::time_t t = localTime(c.year, c.month, c.day, c.hour, c.minute, c.second);
        EXPECT_EQ(toDosDateTime(t), c.dos) << c.year;
        EXPECT_EQ(fromDosDateTime(c.dos), t) << c.year;
        EXPECT_EQ(toDosDateTime(t + 1), c.dos) << "odd second rounds down, " << c.year;
    }
}

TEST_P(DosTimeInZone, ClampsOutsideTheRepresentableYears) {
    EXPECT_EQ(toDosDateTime(localTime(1979, 12, 31, 23, 59, 59)), 0x00210000u);
    EXPECT_EQ(toDosDateTime(0), 0x00210000u);
    EXPECT_EQ(toDosDateTime(-86400), 0x00210000u);
    EXPECT_EQ(toDosDateTime(localTime(2108, 1, 1, 0, 0, 0)), 0xFF9FBF7Du);
}

TEST_P(DosTimeInZone, FileTimeIsSetAndReadAsLocalTime) {
    TempFolder folder;
    const std::string path = folder.path() + "/stamp.txt";
    std::ofstream(path) << "x";
    const std::uint32_t dos = 0x285D645C;  // 2000-02-29 12:34:56
    ASSERT_TRUE(setFileDosDateTime(path, dos));
    EXPECT_EQ(fileDosDateTime(path), dos);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, localTime(2000, 2, 29, 12, 34, 56));
}

INSTANTIATE_TEST_SUITE_P(Zones, DosTimeInZone, testing::Values("UTC0", kCentralEurope, "EST5EDT,M3.2.0,M11.1.0"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.index == 0   ? "Utc"
                                                : info.index == 1 ? "CentralEurope"
                                                                  : "UsEastern");
                         });

TEST(DosTime, UsesLocalNotUniversalTime) {
    ScopedZone zone(kCentralEurope);
    // 2024-07-15 12:00:00 UTC is 14:00:00 in Central European summer time.
    EXPECT_EQ(toDosDateTime(1721044800), 0x58EF7000u);
}

TEST(DosTime, MissingFileFails) {
    EXPECT_THROW(fileDosDateTime("/nonexistent/skarvel/file"), EFOpenError);
    EXPECT_FALSE(setFileDosDateTime("/nonexistent/skarvel/file", 0x00210000));
}

}  // namespace
}  // namespace platform
