#pragma once

#include <QRect>

// The size a picture is drawn at on the desktop.
struct TFittedSize {
    bool Stretched = false;  // drawn over the whole desktop, whatever its aspect
    int Width = 0;
    int Height = 0;
    double Skew = 1.0;  // aspect of the picture against the desktop's, always 1.0 or more
};

// The size rule of the "Resize" page: stretch when the skew allows it, else fit keeping the
// aspect (enlarging only with fitBeforeTile). Pictures below minSize on either axis are neither
// stretched nor enlarged; minSize 0 or less means no minimum, maxSkew 0 or less means no limit.
// All arithmetic is integer and truncates toward zero.
TFittedSize FitPictureSize(int pictureWidth, int pictureHeight, int desktopWidth, int desktopHeight,
                           bool fitBeforeTile, bool stretch, double maxSkew, int minSize);

// The four resize check boxes and the two limits, with the size of the result.
struct TResizeRules {
    bool Tile = false;
    bool FitBeforeTile = false;
    bool Stretch = true;
    bool FitAndCrop = false;
    double MaxStretchSkew = 1.2;  // PictureMaxStretchSkew / 100
    int MinStretchSize = 300;
    int DesktopWidth = 0;
    int DesktopHeight = 0;
};

// Where a picture of the given size lands on the desktop: which part of it (Source, in picture
// pixels) is drawn into which rectangle of the desktop bitmap (Destination), and whether that
// first drawing is then repeated as tiles.
struct TPicturePlacement {
    QRect Source;
    QRect Destination;
    bool Stretched = false;
    bool Tiled = false;
    double Skew = 1.0;
};

TPicturePlacement PlacePicture(int pictureWidth, int pictureHeight, const TResizeRules& rules);
