#pragma once

#include "File.h"
#include "PictureDecoding.h"
#include "PictureFitting.h"
#include "PictureScaling.h"

#include <QImage>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The dotted extensions of every format the installed image decoders read, in upper case as
// the decoders name them (".JPG"), sorted and without duplicates, letter case ignored. The list
// is cleared first; on a failure it keeps what was added so far.
void GetPictureExtensions(TExtensionList& extensions);

// The same formats as one text of file masks, lower case, ";" between them: "*.bmp;*.cur;…".
std::string GetPictureExtensionsAsFilter();

// Brightness of a picture: the mean of max(R, G, B) over all pixels and its standard deviation,
// both as fractions of 255.
struct PictureBrightness {
    double MeanBrightness = 0.0;
    double BrightnessDeviation = 0.0;
};

PictureBrightness GetPictureBright(const QImage& picture);

// The normalization methods, as the options store them (compared without regard to case).
inline constexpr std::string_view kAnisotropicDampening = "Anisotropic dampening";
inline constexpr std::string_view kBalancedScaling = "Balanced scaling";
inline constexpr std::string_view kMirroredScaling = "Mirrored scaling";

// level / mean, both kept within 0.01 and 1: how much normalization brightens a picture.
double NormalizationFactor(double level, double mean);

// Rescales the colours of picture (32-bit; converted to Format_ARGB32 when it is anything else)
// towards brightness level from its measured mean and deviation by method; alpha is left as it
// is, and so are all pixels when method is none of the three. Returns level / mean, the
// normalization factor, whatever the method.
double NormalizePictureBrightness(QImage& picture, std::string_view method, double level,
                                  double mean, double deviation);

// trunc(channel * factor), at most 255.
int ScaleChannel(int channel, double factor);
// As ScaleChannel, or on the inverted scale (255 - trunc-ed (255 - channel) * factor) when
// mirrored.
int MirrorScaleChannel(int channel, double factor, bool mirrored);

// Gamma is a percentage: 100 leaves colours alone, and so does anything outside 1 to 1000.
bool GammaApplies(int gamma);
// Every channel value v as 255 * (v / 255) ^ (gamma / 100), rounded.
TGammaTable GammaTable(int gamma);

// Repeats the tile at the top left corner of bitmap over all of it.
void TileBitmap(QImage& bitmap, int tileWidth, int tileHeight);

// The filling colour (0x00BBGGRR) as an opaque pixel.
QRgb FillingRgb(uint32_t color);

// What is done to the colours of a picture on the way to the desktop.
struct TPictureEffects {
    bool NormalizeBrightness = false;
    std::string NormalizeMethod = std::string(kBalancedScaling);
    double NormalizeLevel = 0.5;  // PictureNormalizeBrightnessLevel / 100
    int Gamma = 100;              // GammaPicture
};

// Where the time of one load went, in milliseconds; for the benchmark.
struct TPictureStageTimes {
    double Decode = 0.0;
    double Normalize = 0.0;
    double Draw = 0.0;
    double Tile = 0.0;
};

// Makes the picture fileName (the bytes of its path) a desktop-sized bitmap in bitmap
// (Format_ARGB32, opaque): brightness-normalized when asked, placed by rules, the rest of the
// desktop in fillColor (0x00BBGGRR), gamma applied. skew receives the picture's aspect skew and
// factor the normalization factor (0.0 when not normalized); both may be null. An empty file
// name does nothing. On a failure ("Failed to load picture." for a picture that cannot be read
// or decoded, with the system's error code or the decoder's reason; ECANCELED when limits said
// to give up) bitmap is left empty. Outcome through FunStatContext.
void LoadTilePictureToBitmap(const std::string& fileName, QImage& bitmap, uint32_t fillColor,
                             double* skew, double* factor, const TPictureEffects& effects,
                             const TResizeRules& rules, const TDecodeLimits& limits = {},
                             TPictureStageTimes* times = nullptr);
