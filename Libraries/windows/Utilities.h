#pragma once

#include "DesktopLayout.h"
#include "Registry.h"
#include "UtilitiesValues.h"
#include "WallpaperSetters.h"

#include <QRect>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QComboBox;
class QFont;
class QListWidget;
class QMenu;
class QMimeData;
class QPainter;
class QWidget;

// ---- Controls -------------------------------------------------------------------------------

// As GetIntFromText for the box's text, but an unusable text is also shown to the user, and the
// box gets the focus and the default.
int32_t GetIntFromComboBox(QComboBox& comboBox, int32_t minimum, int32_t maximum,
                           int32_t defaultValue);
int32_t ComboBoxToInt(QComboBox& comboBox);

// The character cell height of the font on the control; 0 and "Failed to get device context."
// without a control.
int GetFontHeight(const QFont& font, const QWidget* control);
void SetControlFocus(QWidget* control);
// Selects the first item equal to text (letter case ignored), else the one equal to fallback,
// else the first item.
void SelectComboBoxItem(QComboBox& comboBox, std::string_view text, std::string_view fallback);
// Makes the list draw its selection again.
void RefreshListBoxSelection(QListWidget& listBox);
// Selects the item under the point of the list's viewport; -1 when there is none.
int SelectListBoxItemAt(QListWidget& listBox, int x, int y);
// The first direct item of the menu whose data is tag, separators excepted.
QAction* FindMenuItemByTag(const QMenu& menu, int tag);
// A colour panel shows its colour (0x00BBGGRR) as its background.
void SetPanelColor(QWidget& panel, uint32_t color);
uint32_t PanelColor(const QWidget& panel);
// The focus frame of an owner-drawn list item, only when it is both selected and focused.
void DrawListBoxFocus(const QWidget& listBox, QPainter& canvas, bool selected, bool focused,
                      const QRect& rect);

// Text layout flags, in the values the program has always used for them.
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_CALCRECT = 0x400;
constexpr unsigned DT_WORDBREAK = 0x800;
constexpr unsigned DT_PATH_ELLIPSIS = 0x4000;

// Draws text into rect with the canvas's font and pen. format 0 means word break. With width or
// height given it only measures. Desktops here offer no shadowed-text service, so no shadow is
// drawn.
void DrawTextInRect(std::string_view text, QPainter& canvas, bool transparent, const QRect& rect,
                    unsigned format, bool centreHorizontally, bool centreVertically,
                    int* width = nullptr, int* height = nullptr);

// ---- The user's programs, the clipboard, the per-user store, drops ---------------------------

// Opens a file or web address with the program the user chose for it; a program file is
// started with the parameters. An empty name is only told to the user. No desktop here starts
// a window minimized on request, so minimized is not used.
void RunFile(std::string_view file, std::string_view parameters, std::string_view directory,
             bool quoteParameters, bool minimized);
// Opens a web page; a failure is shown with failureDescription.
void OpenSite(std::string_view address, std::string_view failureDescription);

bool CopyTextToClipboard(std::string_view text, std::string_view failureDescription, bool beep,
                         bool append);

// keyPath reads "Software\<Product>\<SubKey>".
std::string GetRegistryText(RegistryRoot root, std::string_view keyPath,
                            std::string_view valueName);
void SetRegistryText(RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                     std::string_view text);
std::string GetUserRegistryText(std::string_view product, std::string_view subKey,
                                std::string_view valueName);
void SetUserRegistryText(std::string_view product, std::string_view subKey,
                         std::string_view valueName, std::string_view text);

// The entry by which the system's list of installed programs offers to uninstall one: the
// [Uninstall] group of the machine settings of keyName. Without the rights to write it, nothing is
// written and nothing fails.
void SetUninstallRegistry(std::string_view keyName, std::string_view displayName,
                          std::string_view uninstallCommand);
void DeleteUninstallerRegistry(std::string_view keyName);

// Makes composed picture files the desktop wallpaper, each on the monitors it names (as
// SetDesktopWallpaper takes them); a bare name is taken from GetTempPath. The desktop gets a new
// name for the same pixels each time (it would show its cached picture for a name it knows); the
// two newest names of each file are kept. A desktop that shows the pictures' pixels gets them
// alone, without names.
void SetFilesAsWallpaper(std::vector<TOutputPicture> pictures);
// The picture file on every monitor.
void SetFileAsWallpaper(std::string_view fileName);
// Whether the desktop keeps a wallpaper for each monitor.
bool WallpaperPerMonitor();
// Whether the desktop shows the pixels it is given and reads no file: the screen need not wait
// for the file to be written.
bool WallpaperFromPixels();

// The composed wallpaper's file in the private folder: the whole desktop's, or the primary
// monitor's where each monitor has its own.
inline constexpr const char* kWallpaperFileName = "Tapestrel_Wallpaper.bmp";
// The file of the named monitor's own wallpaper; the primary's (no name) is kWallpaperFileName.
std::string MonitorWallpaperFileName(const QString& output);
// Whether path is a wallpaper file composed into directory, or a name it was handed out under:
// never a picture for a wallpaper.
bool IsWallpaperFile(const std::string& path, const std::string& directory);

// Where the layout's calendar may go: its monitor's work area in that frame's pixels, less margin
// on every side.
QRect GetDesktopArea(const TDesktopLayout& layout, int margin);
// The same for the named monitor (the primary when none is so named) as the monitors are now.
QRect GetDesktopArea(int margin, const QString& monitor = {});

// The local files of a drop, as the file system names them, in the order given.
void DroppedFilesToList(const QMimeData& drop, std::vector<std::string>& list);
