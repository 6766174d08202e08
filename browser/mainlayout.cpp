// The main window's controls: where each stands, what it shows first and what it is called.

#include "browser/frmBmpGet.h"

#include "browser/layout.h"

namespace tl {

namespace {
    const QString BlankGif = QStringLiteral(":/assets/blank.gif");
    const QString PreviewPictures[layout::PreviewCount] = {
        QStringLiteral(":/assets/preview0.jpg"),
        QStringLiteral(":/assets/preview1.bmp"),
        QStringLiteral(":/assets/preview2.bmp"),
        QStringLiteral(":/assets/preview3.bmp"),
        QStringLiteral(":/assets/preview4.bmp"),
        QStringLiteral(":/assets/preview5.bmp"),
    };
} // namespace

QString cellToolTip(const StdPicture& picture)
{
    switch (picture.failure()) {
    case PictureFailure::None:
        return picture.fileName();
    case PictureFailure::Unreadable:
        return picture.fileName() + QStringLiteral("：読み込めません");
    case PictureFailure::NotAPicture:
        return picture.fileName() + QStringLiteral("：画像ではありません");
    case PictureFailure::TooLarge:
        return picture.fileName() + QStringLiteral("：大きすぎて表示できません");
    }
    return {};
}

void frmBmpGet::buildLayout()
{
    using namespace layout;
    QWidget* area = client();
    area->setFixedSize(toPixels(ClientWidth), toPixels(ClientHeight));
    setInnerSize(ClientWidth, ClientHeight);
    setFixedSize(size());
    setInnerPosition(ClientLeft, ClientTop);

    // The rows stand in tab order.
    layOut({
        { SB, 0, ClientHeight - StatusBarHeight, ClientWidth, StatusBarHeight }, // docked at the bottom
        { Label3, 240, 120, 1452, 252 },
        { Dir1, 120, 720, 1572, 2520 },
        { Drive1, 120, 360, 1572, 276 },
        { File1, 120, 3240, 1572, 2610 },
        { Text1, 4200, 5160, 2892, 372 },
        { Text2, 4200, 5640, 2892, 264 },
        { Picture1, 1800, 0, 9492, 4932 },
        { VScroll1, 11400, 0, 252, 4932 },
        { Label1, 2880, 5280, 1332, 252 },
        { List1, 8040, 5040, 2532, 780 },
        { Label2, 2880, 5640, 1212, 252 },
        { Command1, 7200, 5520, 612, 375 },
    });
    List1.setVisible(false);
    Label1.setBuddy(Text1);
    Label2.setBuddy(Text2);
    Picture1.setPicture(loadPictureOrEmpty(BlankGif));

    for (int k = 0; k < CellCount; ++k) {
        const int row = k / GridColumns;
        const int column = k % GridColumns;
        Image2[k].attach(Picture1.inner());
        Image2[k].setStretch(true);
        Image2[k].toolTipOf = cellToolTip;
        Image2[k].Move(ColumnPitch * column, RowPitch * row, CellWidth, CellHeight);
    }
    for (int k : BlankCells)
        Image2[k].setPicture(Picture1.Picture());

    for (int i = 0; i < PreviewCount; ++i) {
        Image1[i].attach(area);
        Image1[i].setStretch(true);
        Image1[i].Move(PreviewLeft, PreviewTop, PreviewWidth, PreviewHeight);
        Image1[i].setPicture(loadPictureOrEmpty(PreviewPictures[i]));
    }

    // The text boxes take their names from their labels, and each grid cell says the file of the
    // picture it shows.
    nameForScreenReaders({
        { Drive1, QStringLiteral("ドライブ") },
        { Dir1, QStringLiteral("フォルダー") },
        { File1, QStringLiteral("ファイル") },
        { Picture1, QStringLiteral("画像一覧") },
        { VScroll1, QStringLiteral("画像一覧のスクロール") },
        { List1, QStringLiteral("画像のパス") },
    });
    for (ImageControl& preview : Image1)
        nameForScreenReaders({ { preview, QStringLiteral("プレビュー") } });
}

} // namespace tl
