#pragma once

// The main window's layout, in twips, exactly as designed. Rows stand in tab order.

namespace tl::layout {

struct Row {
    const char* name;
    int left, top, width, height;
};

constexpr int ClientWidth = 11790;
constexpr int ClientHeight = 6405;
constexpr int ClientLeft = 30; // from the screen's left edge
constexpr int ClientTop = 735; // from the screen's top edge
constexpr int StatusBarHeight = 360;

constexpr Row MainWindow[] = {
    { "SB", 0, ClientHeight - StatusBarHeight, ClientWidth, StatusBarHeight }, // docked at the bottom
    { "Label3", 240, 120, 1452, 252 },
    { "Dir1", 120, 720, 1572, 2520 },
    { "Drive1", 120, 360, 1572, 276 },
    { "File1", 120, 3240, 1572, 2610 },
    { "Text1", 4200, 5160, 2892, 372 },
    { "Text2", 4200, 5640, 2892, 264 },
    { "Picture1", 1800, 0, 9492, 4932 },
    { "VScroll1", 11400, 0, 252, 4932 },
    { "Label1", 2880, 5280, 1332, 252 },
    { "List1", 8040, 5040, 2532, 780 },
    { "Label2", 2880, 5640, 1212, 252 },
    { "Command1", 7200, 5520, 612, 375 },
};

// The thumbnail grid inside Picture1: four rows of six, each cell 12 twips larger than the
// row and column pitch so that neighbours overlap.
constexpr int GridColumns = 6;
constexpr int GridRows = 4;
constexpr int CellCount = GridColumns * GridRows;
constexpr int ColumnPitch = 1560;
constexpr int RowPitch = 1200;
constexpr int CellWidth = 1572;
constexpr int CellHeight = 1212;

// The preview stack: six images on one spot.
constexpr int PreviewCount = 6;
constexpr Row Preview = { "Image1", 1920, 5040, 720, 840 };

// Cells that start with the transparent 1 x 1 picture, like Picture1 itself.
constexpr int BlankCells[] = { 2, 16, 20 };

} // namespace tl::layout
