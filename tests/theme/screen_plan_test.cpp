// The screen plan of each kind of preview mode: which element picture each layer and icon cell
// shows and the five texts.
#include <gtest/gtest.h>

#include "theme/screen_plan.h"

using theme::ScreenPlan;

namespace {

struct PlanCase {
    const char* name;
    int mode;
    int layer1, layer2;
    std::array<int, 9> cells;
    std::array<const char*, 5> texts;  // items, left, right, center, clock (creation order)
};

const std::array<int, 9> kNoCells{};
const std::array<const char*, 5> kMenuKeys{"", "Вар-ты", "Выйти", "Выбор", ""};

}  // namespace

TEST(ScreenPlan, EachKindOfMode) {
    const PlanCase cases[] = {
        {"idle screen", 201, 201, 0, kNoCells, {"Оператор", "Актив", "Имена", "МЕНЮ", "23:50"}},
        {"plain background", 202, 202, 0, kNoCells, kMenuKeys},
        {"grid page 1: items 1 to 9", 203, 202, 0, {101, 102, 103, 104, 105, 106, 107, 108, 109}, kMenuKeys},
        {"grid page 2: items 4 to 11, last cell empty",
         210,
         202,
         0,
         {104, 105, 106, 107, 108, 109, 110, 111, 0},
         kMenuKeys},
        {"first menu page", 1, 202, 1, kNoCells, {"Сообщения", "Вар-ты", "Выйти", "Выбор", "1"}},
        {"push-to-talk page", 7, 202, 7, kNoCells, {"PTT", "Вар-ты", "Выйти", "Выбор", "7"}},
        {"last menu page", 11, 202, 11, kNoCells, {"SIM-карта", "Вар-ты", "Выйти", "Выбор", "11"}},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ScreenPlan plan = theme::planScreen(c.mode);
        EXPECT_TRUE(plan.known);
        EXPECT_EQ(plan.layer1, c.layer1);
        EXPECT_EQ(plan.layer2, c.layer2);
        EXPECT_EQ(plan.cells, c.cells);
        for (size_t text = 0; text < c.texts.size(); ++text) EXPECT_EQ(plan.texts[text], c.texts[text]) << text;
    }
}

TEST(ScreenPlan, ValuesOutsideTheModesChangeNothingButTheCells) {
    // 0 is the mode of a window whose New theme failed; 204..209 and 12 lie between the modes.
    for (int mode : {0, -1, 12, 100, 101, 204, 209, 211}) {
        const ScreenPlan plan = theme::planScreen(mode);
        EXPECT_FALSE(plan.known) << mode;
        EXPECT_EQ(plan.cells, kNoCells) << mode;
    }
}
