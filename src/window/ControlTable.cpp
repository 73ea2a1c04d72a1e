#include "ControlTable.h"

#include <array>

namespace lumaril {

namespace {

using K = ControlKind;
constexpr Qt::Alignment left = Qt::AlignLeft | Qt::AlignTop;
constexpr Qt::Alignment centre = Qt::AlignHCenter | Qt::AlignTop;
const QColor none;
const QColor navy{0, 0, 128};
const QColor violetBlue{145, 136, 255};
const QColor mediumBlue{128, 128, 255};

// Listed bottom of the stack first: the picture and the labels lie beneath the boxes, buttons
// and the busy panel wherever they touch.
const std::array rows = {
    ControlRow{"Image1", K::Picture, nullptr, "", 3960, 120, 3195, 615, 0, false, centre, none, none, -1, nullptr, 0},
    ControlRow{"Label2", K::Label, nullptr, "Lumaril !", 2760, 840, 6495, 375, 14.25, true, centre, none, none, -1, nullptr, 0},
    ControlRow{"Label3", K::Label, nullptr, "Made By Vessim !", 4560, 1320, 2175, 375, 12, true, centre, navy, none, -1, nullptr, 0},
    ControlRow{"Label1", K::Label, nullptr, "Enter Text :", 360, 1920, 1455, 375, 12, true, left, none, none, -1, nullptr, 0},
    ControlRow{"Label5", K::Label, nullptr, "Or", 3120, 2280, 375, 375, 12, true, left, none, none, -1, nullptr, 0},
    ControlRow{"Label6", K::Label, nullptr, "Enter Surat", 1680, 2640, 1335, 375, 12, true, left, none, none, -1, nullptr, 0},
    ControlRow{"Label7", K::Label, nullptr, "Enter Ayat ", 3720, 2640, 1335, 375, 12, true, left, none, none, -1, nullptr, 0},
    ControlRow{"Label4", K::Label, nullptr, "Results :", 480, 3480, 2175, 375, 12, true, left, none, none, -1, nullptr, 0},
    ControlRow{"Text2", K::LineEdit, nullptr, "", 1800, 1800, 3495, 470, 11.25, false, left, none, none, 0, nullptr, 0},
    ControlRow{"Command1", K::Button, nullptr, "Search !", 5520, 1800, 2055, 495, 11.25, true, centre, none, none, 1, "Search !", 0},
    ControlRow{"Command2", K::Button, nullptr, "Exit", 7920, 1800, 1815, 495, 11.25, true, centre, none, none, 2, "Exit !", 0},
    ControlRow{"surat", K::LineEdit, nullptr, "", 1680, 3000, 1215, 470, 11.25, false, left, none, none, 3, nullptr, 3},
    ControlRow{"ayat", K::LineEdit, nullptr, "", 3720, 3000, 1215, 470, 11.25, false, left, none, none, 4, nullptr, 3},
    ControlRow{"Command3", K::Button, nullptr, "Show", 5520, 2980, 2055, 495, 11.25, true, centre, none, none, 5, "Show", 0},
    ControlRow{"Command4", K::Button, nullptr, "About", 7920, 2980, 1815, 495, 11.25, true, centre, none, none, 6, "About This software !", 0},
    ControlRow{"Text1", K::ResultsBox, nullptr, "", 480, 3840, 10335, 4215, 11.25, false, left, none, violetBlue, 7, nullptr, 0},
    ControlRow{"wait", K::Frame, nullptr, "", 4080, 5040, 3135, 1215, 0, false, centre, none, mediumBlue, -1, nullptr, 0},
    ControlRow{"Label8", K::Label, "wait", "Searching ...... Please Wait !", 240, 360, 2655, 615, 12, true, centre, none, none, -1, nullptr, 0},
};

const std::array menus = {
    MenuRow{"file", "File", nullptr},
    MenuRow{"text", "Search a Text", "file"},
    MenuRow{"search", "Search Ayat !", "file"},
    MenuRow{"exit", "Exit", "file"},
    MenuRow{"about", "About", nullptr},
    MenuRow{"software", "About this software !", "about"},
    MenuRow{"email", "My Email ID ", "about"},
    MenuRow{"website", "My Website !", "about"},
};

} // namespace

std::span<const ControlRow> controlTable()
{
    return rows;
}

std::span<const MenuRow> menuTable()
{
    return menus;
}

QString windowCaption()
{
    return QStringLiteral("Lumaril !") + QString(56, u' ') + QStringLiteral("Made by Vessim.");
}

} // namespace lumaril
