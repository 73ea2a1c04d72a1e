#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <span>

namespace lumaril {

// The main window's design as data: one row per control, in design units (twips, 1/1440 of
// an inch). The window builds itself by walking this table, and the tests walk the same table
// to check the widgets.
enum class ControlKind { Picture, Label, LineEdit, ResultsBox, Button, Frame };

struct ControlRow
{
    const char *name;                 // also the widget's objectName
    ControlKind kind;
    const char *container = nullptr;  // nullptr: the window's client area
    const char *caption = "";         // label or button caption, empty for boxes
    int left = 0, top = 0, width = 0, height = 0; // twips
    double pointSize = 0;             // 0: no font of its own
    bool bold = false;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop;
    QColor text;                      // invalid: the desktop's default
    QColor background;                // invalid: transparent or the desktop's default
    int tabIndex = -1;                // -1: takes no focus
    const char *toolTip = nullptr;    // nullptr: none
    int maxLength = 0;                // 0: unlimited
};

[[nodiscard]] std::span<const ControlRow> controlTable();

// The row's font: Arial at its size and weight.
[[nodiscard]] QFont controlFont(const ControlRow &row);

// One pixel is 15 twips at 96 dots per inch; Qt scales logical pixels for other densities.
[[nodiscard]] constexpr int twipsToPixels(int twips)
{
    return (twips + 7) / 15;
}

// The window itself.
inline constexpr int clientWidthTwips = 12000;
inline constexpr int clientHeightTwips = 9000;
inline const QColor windowBackground{192, 192, 255};

struct MenuRow
{
    const char *name;
    const char *caption;
    const char *menu; // nullptr: a menu title
};

// Menu titles and items in menu-bar order; items follow their title.
[[nodiscard]] std::span<const MenuRow> menuTable();

// "Lumaril !", exactly 56 blanks, "Made by Vessim.".
[[nodiscard]] QString windowCaption();

} // namespace lumaril
