#include "MainDialog.h"

#include "LinkLabel.h"
#include "Mytime.h"
#include "Program.h"
#include "QtText.h"
#include "SessionBroadcast.h"
#include "StatusScope.h"
#include "Utilities.h"
#include "ui_MainDialog.h"

#include <QCheckBox>

namespace {

constexpr std::string_view kFileUrlScheme = "file://";

// What other programs read: the path, or, for a path whose bytes are not UTF-8 (which neither the
// settings file nor a D-Bus string can carry), its file:// address with those bytes
// percent-encoded.
std::string PublishedPicture(const std::string& path) {
    if (ToBytes(ToQString(path)) == path) return path;
    return EncodedFileUrl(path).toStdString();
}

std::string PublishedPicturePath(const std::string& published) {
    if (!published.starts_with(kFileUrlScheme)) return published;
    return QByteArray::fromPercentEncoding(
               QByteArray::fromStdString(published.substr(kFileUrlScheme.size())))
        .toStdString();
}

}  // namespace

void TMainForm::ConnectBroadcastControls() {
    ui->BroadcastHelpLabel->setText(QStringLiteral(
        "\"Broadcasting\" is a process through which Tapestrel informs other programs which run "
        "on your system that they should change their wallpaper. They also receive the name of "
        "the picture file they should use as wallpaper. This way, other programs don't have to "
        "handle the module which chooses a picture. Only programs which have been specifically "
        "designed for this function can use it."));
    ui->TestBroadcastHelpLabel->setText(QStringLiteral(
        "If you are developing a program which uses the wallpaper change broadcast function and "
        "you need to test it, click the label bellow to force Tapestrel to broadcast this "
        "message."));
    BroadcastMessage = SessionBroadcast::Instance().RegisterMessage(BroadcastMessageName);

    connect(ui->IsBroadcastWallpaperChangeCheckBox, &QCheckBox::toggled, this,
            &TMainForm::IsBroadcastWallpaperChangeCheckBoxClick);
    connect(ui->Label6, &TLinkLabel::clicked, this, &TMainForm::Label6Click);
    connect(ui->Label27, &TLinkLabel::clicked, this, &TMainForm::Label27Click);
}

void TMainForm::BroadcastPicture() {
    TStatusScope scope("TMainForm::BroadcastPicture");
    scope.Run([&] {
        LastBroadcastTime = DateTimeNow();
        const std::string picture =
            PublishedPicture(PickPictureFileName(TPickDirection::Next, true, false));
        // The path is in place before anyone is told to read it.
        SetUserRegistryText(ProductName, "", BroadcastValueName, picture);
        // Told anyway: an unchanged value beats silence.
        scope.KeepCalleeFailure();
        SessionBroadcast::Instance().Post(BroadcastMessage, picture);
    });
}

void TMainForm::Label6Click() {
    TStatusScope scope("TMainForm::Label6Click");
    scope.Run([&] {
        BroadcastPicture();
        scope.AdoptCalleeFailure();
    });
    scope.ShowFailure("Failed to broadcast wallpaper change.");
}

void TMainForm::Label27Click() {
    TStatusScope scope("TMainForm::Label27Click");
    scope.Run([&] {
        RunFile(PublishedPicturePath(GetUserRegistryText(ProductName, "", BroadcastValueName)), "",
                "", false, false);
        scope.AdoptCalleeFailure();
    });
    scope.ShowFailure("Failed to view picture.");
}

void TMainForm::IsBroadcastWallpaperChangeCheckBoxClick() {
    if (!ui->IsBroadcastWallpaperChangeCheckBox->isChecked())
        SetUserRegistryText(ProductName, "", BroadcastValueName, "");
}
