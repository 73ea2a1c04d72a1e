#include "ControlTable.h"

#include <array>

namespace lumaril {

namespace {

using K = ControlKind;
constexpr Qt::Alignment centre = Qt::AlignHCenter | Qt::AlignTop;
const QColor navy{0, 0, 128};
const QColor violetBlue{145, 136, 255};
const QColor mediumBlue{128, 128, 255};

// Listed bottom of the stack first: the picture and the labels lie beneath the boxes, buttons
// and the busy panel wherever they touch.
const std::array rows = {
    ControlRow{.name = "Image1", .kind = K::Picture,
               .left = 3960, .top = 120, .width = 3195, .height = 615},
    ControlRow{.name = "Label2", .kind = K::Label, .caption = "Lumaril !",
               .left = 2760, .top = 840, .width = 6495, .height = 375,
               .pointSize = 14.25, .bold = true, .alignment = centre},
    ControlRow{.name = "Label3", .kind = K::Label, .caption = "Made By Vessim !",
               .left = 4560, .top = 1320, .width = 2175, .height = 375,
               .pointSize = 12, .bold = true, .alignment = centre, .text = navy},
    ControlRow{.name = "Label1", .kind = K::Label, .caption = "Enter Text :",
               .left = 360, .top = 1920, .width = 1455, .height = 375,
               .pointSize = 12, .bold = true},
    ControlRow{.name = "Label5", .kind = K::Label, .caption = "Or",
               .left = 3120, .top = 2280, .width = 375, .height = 375,
               .pointSize = 12, .bold = true},
    ControlRow{.name = "Label6", .kind = K::Label, .caption = "Enter Surat",
               .left = 1680, .top = 2640, .width = 1335, .height = 375,
               .pointSize = 12, .bold = true},
    ControlRow{.name = "Label7", .kind = K::Label, .caption = "Enter Ayat ",
               .left = 3720, .top = 2640, .width = 1335, .height = 375,
               .pointSize = 12, .bold = true},
    ControlRow{.name = "Label4", .kind = K::Label, .caption = "Results :",
               .left = 480, .top = 3480, .width = 2175, .height = 375,
               .pointSize = 12, .bold = true},
    ControlRow{.name = "Text2", .kind = K::LineEdit,
               .left = 1800, .top = 1800, .width = 3495, .height = 470,
               .pointSize = 11.25, .tabIndex = 0},
    ControlRow{.name = "Command1", .kind = K::Button, .caption = "Search !",
               .left = 5520, .top = 1800, .width = 2055, .height = 495,
               .pointSize = 11.25, .bold = true, .alignment = centre,
               .tabIndex = 1, .toolTip = "Search !"},
    ControlRow{.name = "Command2", .kind = K::Button, .caption = "Exit",
               .left = 7920, .top = 1800, .width = 1815, .height = 495,
               .pointSize = 11.25, .bold = true, .alignment = centre,
               .tabIndex = 2, .toolTip = "Exit !"},
    ControlRow{.name = "surat", .kind = K::LineEdit,
               .left = 1680, .top = 3000, .width = 1215, .height = 470,
               .pointSize = 11.25, .tabIndex = 3, .maxLength = 3},
    ControlRow{.name = "ayat", .kind = K::LineEdit,
               .left = 3720, .top = 3000, .width = 1215, .height = 470,
               .pointSize = 11.25, .tabIndex = 4, .maxLength = 3},
    ControlRow{.name = "Command3", .kind = K::Button, .caption = "Show",
               .left = 5520, .top = 2980, .width = 2055, .height = 495,
               .pointSize = 11.25, .bold = true, .alignment = centre,
               .tabIndex = 5, .toolTip = "Show"},
    ControlRow{.name = "Command4", .kind = K::Button, .caption = "About",
               .left = 7920, .top = 2980, .width = 1815, .height = 495,
               .pointSize = 11.25, .bold = true, .alignment = centre,
               .tabIndex = 6, .toolTip = "About This software !"},
    ControlRow{.name = "Text1", .kind = K::ResultsBox,
               .left = 480, .top = 3840, .width = 10335, .height = 4215,
               .pointSize = 11.25, .background = violetBlue, .tabIndex = 7},
    ControlRow{.name = "wait", .kind = K::Frame,
               .left = 4080, .top = 5040, .width = 3135, .height = 1215,
               .background = mediumBlue},
    ControlRow{.name = "Label8", .kind = K::Label, .container = "wait",
               .caption = "Searching ...... Please Wait !",
               .left = 240, .top = 360, .width = 2655, .height = 615,
               .pointSize = 12, .bold = true, .alignment = centre},
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

QFont controlFont(const ControlRow &row)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(row.pointSize);
    font.setWeight(row.bold ? QFont::Bold : QFont::Normal);
    return font;
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
