#pragma once

// The main window's measures, in twips, exactly as designed; the window's constructor places its
// controls.

namespace tl::layout {

constexpr int ClientWidth = 11790;
constexpr int ClientHeight = 6405;
constexpr int ClientLeft = 30; // from the screen's left edge
constexpr int ClientTop = 735; // from the screen's top edge
constexpr int StatusBarHeight = 360;

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
constexpr int PreviewLeft = 1920;
constexpr int PreviewTop = 5040;
constexpr int PreviewWidth = 720;
constexpr int PreviewHeight = 840;

// Cells that start with the transparent 1 x 1 picture, like Picture1 itself.
constexpr int BlankCells[] = { 2, 16, 20 };

} // namespace tl::layout
