#include "PictureFitting.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// a * b / c truncated toward zero; the product in 64 bits, since a picture side times a desktop
// side overflows 32 bits for the largest pictures a header may claim.
int MulDiv(int a, int b, int c) {
    return static_cast<int>(static_cast<int64_t>(a) * b / c);
}

bool BelowMinimum(int pictureWidth, int pictureHeight, int minSize) {
    return minSize >= 1 && (pictureWidth < minSize || pictureHeight < minSize);
}

}  // namespace

TFittedSize FitPictureSize(int pictureWidth, int pictureHeight, int desktopWidth, int desktopHeight,
                           bool fitBeforeTile, bool stretch, double maxSkew, int minSize) {
    TFittedSize fit;
    // A desktop without area would make the skew a division by zero.
    if (pictureWidth < 1 || pictureHeight < 1 || desktopWidth < 1 || desktopHeight < 1) return fit;

    bool enlarge = fitBeforeTile;
    if (BelowMinimum(pictureWidth, pictureHeight, minSize)) {
        enlarge = false;
        stretch = false;
    }

    fit.Skew = (static_cast<double>(pictureWidth) / pictureHeight) /
               (static_cast<double>(desktopWidth) / desktopHeight);
    if (fit.Skew < 1.0) fit.Skew = 1.0 / fit.Skew;

    if (stretch && (fit.Skew <= maxSkew || maxSkew <= 0)) {
        fit.Stretched = true;
        fit.Width = desktopWidth;
        fit.Height = desktopHeight;
        return fit;
    }

    fit.Width = enlarge ? desktopWidth : std::min(desktopWidth, pictureWidth);
    fit.Height =
        fit.Width == pictureWidth ? pictureHeight : MulDiv(pictureHeight, fit.Width, pictureWidth);
    if (fit.Height <= desktopHeight) return fit;

    fit.Height = enlarge ? desktopHeight : std::min(desktopHeight, pictureHeight);
    fit.Width = fit.Height == pictureHeight ? pictureWidth
                                            : MulDiv(pictureWidth, fit.Height, pictureHeight);
    return fit;
}

TPicturePlacement PlacePicture(int pictureWidth, int pictureHeight, const TResizeRules& rules) {
    const int desktopWidth = rules.DesktopWidth;
    const int desktopHeight = rules.DesktopHeight;
    TPicturePlacement place;
    place.Source = QRect(0, 0, pictureWidth, pictureHeight);
    place.Destination = QRect(0, 0, desktopWidth, desktopHeight);
    if (pictureWidth < 1 || pictureHeight < 1 || desktopWidth < 1 || desktopHeight < 1) {
        place.Destination = QRect();
        return place;
    }

    if (rules.FitAndCrop && !BelowMinimum(pictureWidth, pictureHeight, rules.MinStretchSize)) {
        const double sx = static_cast<double>(desktopWidth) / pictureWidth;
        const double sy = static_cast<double>(desktopHeight) / pictureHeight;
        if (sx >= sy) {
            const int height = static_cast<int>(std::trunc(pictureHeight / (sx / sy)));
            place.Source = QRect(0, (pictureHeight - height) / 2, pictureWidth, height);
        } else {
            const int width = static_cast<int>(std::trunc(pictureWidth / (sy / sx)));
            place.Source = QRect((pictureWidth - width) / 2, 0, width, pictureHeight);
        }
        place.Stretched = true;
        return place;
    }

    const TFittedSize fit = FitPictureSize(pictureWidth, pictureHeight, desktopWidth, desktopHeight,
                                           rules.FitBeforeTile, rules.Stretch, rules.MaxStretchSkew,
                                           rules.MinStretchSize);
    place.Stretched = fit.Stretched;
    place.Skew = fit.Skew;
    place.Destination.setSize(QSize(fit.Width, fit.Height));
    if (!fit.Stretched && !rules.FitAndCrop) {
        if (rules.Tile) {
            place.Tiled = true;
        } else {
            place.Destination.moveTo((desktopWidth - fit.Width) / 2,
                                     (desktopHeight - fit.Height) / 2);
        }
    }
    // Fit and crop asked for but the picture is below the minimum: drawn at (0, 0), never
    // centred nor tiled.
    return place;
}
