#pragma once
// The phone screen as plain data: where its controls sit on the 208 x 208 screen, and what each
// preview mode puts on them (which element picture on each layer and icon cell, the five texts).
// The window copies a plan into its controls; the screen renderer paints one without a window.
#include <array>
#include <string>

#include "theme/elements.h"

namespace theme {

constexpr int kScreenSize = 208;

// A control's box in screen coordinates (origin at the screen's top left corner).
struct ScreenBox {
    int x, y, width, height;
};

// Layer1 (the full screen, opaque) and Layer2 (the lower 170 rows, transparent).
constexpr ScreenBox kLayer1Box{0, 0, 208, 208};
constexpr ScreenBox kLayer2Box{0, 38, 208, 170};

// The nine icon cells sm1..sm9, row by row, each 64 x 52 and transparent.
constexpr int kIconCells = 9;
constexpr std::array<ScreenBox, kIconCells> kIconCellBoxes = {{
    {4, 22, 64, 52},
    {72, 22, 64, 52},
    {140, 22, 64, 52},
    {4, 75, 64, 52},
    {72, 75, 64, 52},
    {140, 75, 64, 52},
    {4, 128, 64, 52},
    {72, 128, 64, 52},
    {140, 128, 64, 52},
}};

// The five texts, in the order their controls are created (bottom to top).
enum ScreenText : int { kTextItems, kTextLeft, kTextRight, kTextCenter, kTextClock, kScreenTextCount };

enum class TextAlignment { Left, Centre, Right };

struct ScreenLabel {
    const char* name;  // the window's control
    ScreenBox box;     // the clock's box starts one row above the screen
    TextAlignment alignment;
    int pixelSize;  // character height of the "Impact" face
};

constexpr std::array<ScreenLabel, kScreenTextCount> kScreenLabels = {{
    {"LabelItems", {2, 34, 205, 30}, TextAlignment::Centre, 22},
    {"LabelLeft", {2, 185, 46, 19}, TextAlignment::Left, 15},
    {"LabelRight", {162, 185, 42, 19}, TextAlignment::Left, 15},
    {"LabelCenter", {78, 182, 56, 23}, TextAlignment::Left, 19},
    {"LabelClock", {165, -1, 42, 18}, TextAlignment::Right, 15},
}};

// What one preview mode shows. Tags name element pictures; 0 leaves a control empty.
struct ScreenPlan {
    // False for a value outside the preview modes: the icon cells are emptied and the layers
    // and texts keep what they showed.
    bool known = false;
    int layer1 = 0;
    int layer2 = 0;
    std::array<int, kIconCells> cells{};
    std::array<std::string, kScreenTextCount> texts;  // UTF-8, by ScreenText
};

ScreenPlan planScreen(int mode);

}  // namespace theme
