#include "theme/screen_plan.h"

#include <span>

namespace theme {

namespace {

// Menu items whose small icons fill the two grid pages, cell by cell.
constexpr int kGridPage1Items[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
constexpr int kGridPage2Items[] = {4, 5, 6, 7, 8, 9, 10, 11};

// Title, left, centre, right and clock, in the order people read them.
void setTexts(ScreenPlan& plan, std::string items, std::string left, std::string center, std::string right,
              std::string clock) {
    plan.texts[kTextItems] = std::move(items);
    plan.texts[kTextLeft] = std::move(left);
    plan.texts[kTextCenter] = std::move(center);
    plan.texts[kTextRight] = std::move(right);
    plan.texts[kTextClock] = std::move(clock);
}

// Every view but the idle screen carries the same three soft keys and no clock.
void setMenuTexts(ScreenPlan& plan, std::string title, std::string clock) {
    setTexts(plan, std::move(title), "Вар-ты", "Выбор", "Выйти", std::move(clock));
}

// The grid cells, in order, get the small icons of `items`; the rest stay empty.
void fillGrid(ScreenPlan& plan, std::span<const int> items) {
    for (size_t cell = 0; cell < items.size(); ++cell) plan.cells[cell] = items[cell] + kSmallIconOffset;
}

}  // namespace

ScreenPlan planScreen(int mode) {
    ScreenPlan plan;
    if (!isPreviewMode(mode)) return plan;
    plan.known = true;
    if (mode == kModeIdle) {
        plan.layer1 = kTagWallpaper;
        setTexts(plan, "Оператор", "Актив", "МЕНЮ", "Имена", "23:50");
        return plan;
    }
    plan.layer1 = kTagBackground;
    if (mode >= 1 && mode <= kMenuItemCount) {
        plan.layer2 = mode;  // the item's large icon
        setMenuTexts(plan, std::string(kMenuTitles[static_cast<size_t>(mode - 1)]), std::to_string(mode));
        return plan;
    }
    setMenuTexts(plan, {}, {});
    if (mode == kModeGridPage1) fillGrid(plan, kGridPage1Items);
    if (mode == kModeGridPage2) fillGrid(plan, kGridPage2Items);
    return plan;
}

}  // namespace theme
