#include "MainDialog.h"

#include "LinkLabel.h"
#include "Mydialogs.h"
#include "Mytime.h"
#include "StatusScope.h"
#include "Utilities.h"
#include "ui_MainDialog.h"

#include <QFile>
#include <QLocale>

namespace {

// With the user's thousands separator.
QString WholeNumber(qlonglong value) {
    return QLocale().toString(value);
}

}  // namespace

void TMainForm::ConnectPictureCommands() {
    connect(ui->NextWallpaperLabel, &TLinkLabel::clicked, this,
            &TMainForm::NextWallpaperLabelClick);
    connect(ui->PreviousWallpaperLabel, &TLinkLabel::clicked, this,
            &TMainForm::PreviousWallpaperLabelClick);
    connect(ui->FirstWallpaperLabel, &TLinkLabel::clicked, this,
            &TMainForm::FirstWallpaperLabelClick);
    connect(ui->LastWallpaperLabel, &TLinkLabel::clicked, this,
            &TMainForm::LastWallpaperLabelClick);
    connect(ui->IndexWallpaperLabel, &TLinkLabel::clicked, this,
            &TMainForm::IndexWallpaperLabelClick);
    connect(ui->RandomWallpaperLabel, &TLinkLabel::clicked, this,
            &TMainForm::RandomWallpaperLabelClick);
    connect(ui->Label3, &TLinkLabel::clicked, this, &TMainForm::Label3Click);
    connect(ui->Label18, &TLinkLabel::clicked, this, &TMainForm::Label18Click);
    connect(ui->SetFavoriteWallpaperLabel, &TLinkLabel::clicked, this,
            &TMainForm::SetFavoriteWallpaperLabelClick);
    connect(ui->AddPictureToFavoritesLabel, &TLinkLabel::clicked, this,
            &TMainForm::AddPictureToFavoritesLabelClick);
    connect(ui->DeleteFavoriteLabel, &TLinkLabel::clicked, this,
            &TMainForm::DeleteFavoriteLabelClick);
    Favorites.OnSelect = [this](const std::string& path) {
        UsePictureFile(path);
    };
    UpdatePicturesCountLabel();
}

void TMainForm::Label3Click() {
    TStatusScope scope("TMainForm::Label3Click");
    scope.Run([&] {
        RunFile(CurrentFileTitle, "", "", false, false);
        scope.AdoptCalleeFailure();
    });
    scope.ShowFailure("Failed to view picture file.");
}

void TMainForm::Label18Click() {
    CopyTextToClipboard(CurrentFileTitle, {}, false, false);
}

std::string TMainForm::PickPictureFileName(TPickDirection direction, bool random, bool store) {
    bool listChanged = false;
    std::string picked = PickPictureFile(PictureList, CurrentIndex, CurrentFileTitle, direction,
                                         random, store, listChanged);
    if (listChanged) {
        UpdatePicturesCountLabel();
        UpdateCurrentPictureLabel();
    }
    return picked;
}

void TMainForm::AdvancePicture(TPickDirection direction, bool random) {
    if (PictureList.empty()) return;
    LastAutoChangeTime = DateTimeNow();
    // Every monitor moves on: past the pictures the others show.
    const int steps = random ? 1 : CurrentDesktopLayout().Pictures();
    for (int step = 0; step < steps; ++step)
        CurrentFileTitle = PickPictureFileName(direction, random, true);
}

void TMainForm::SetCurrentPicture(int index, const std::string& title) {
    LastAutoChangeTime = DateTimeNow();
    if (index < 0) {
        if (title.empty()) ShowError("Empty file title and no picture index.");
        CurrentFileTitle = title;
        CurrentIndex = IndexOfPicture(PictureList, title);
        return;
    }
    CurrentIndex = index;
    CurrentFileTitle = PictureList.at(static_cast<size_t>(index));
}

void TMainForm::UsePictureFile(const std::string& path) {
    if (!HasListedExtension(path, &PictureExtensions)) return;
    SetCurrentPicture(-1, path);
    SetFileAsWallpaper(true);
}

void TMainForm::ComposeChosenPicture(TFunctionName command) {
    TStatusScope scope(command);
    scope.Run([&] {
        SetFileAsWallpaper(true);
        scope.AdoptCalleeFailure();
    });
    scope.ShowFailure("Failed to change wallpaper.");
}

void TMainForm::NextWallpaperLabelClick() {
    AdvancePicture(TPickDirection::Next, false);
    ComposeChosenPicture("TMainForm::NextWallpaperLabelClick");
}

void TMainForm::PreviousWallpaperLabelClick() {
    AdvancePicture(TPickDirection::Previous, false);
    ComposeChosenPicture("TMainForm::PreviousWallpaperLabelClick");
}

void TMainForm::FirstWallpaperLabelClick() {
    if (PictureList.empty()) return;
    SetCurrentPicture(0, {});
    ComposeChosenPicture("TMainForm::FirstWallpaperLabelClick");
}

void TMainForm::LastWallpaperLabelClick() {
    if (PictureList.empty()) return;
    SetCurrentPicture(static_cast<int>(PictureList.size()) - 1, {});
    ComposeChosenPicture("TMainForm::LastWallpaperLabelClick");
}

void TMainForm::IndexWallpaperLabelClick() {
    if (PictureList.empty()) return;
    const int32_t current = CurrentIndex + 1;
    const std::string answer =
        InputBox("Input picture index", "Input picture index", std::to_string(current));
    int32_t chosen = current;
    if (!CheckIntFromText(answer, 1, static_cast<int32_t>(PictureList.size()), current, chosen) ||
        chosen == current)
        return;
    SetCurrentPicture(chosen - 1, {});
    ComposeChosenPicture("TMainForm::IndexWallpaperLabelClick");
}

void TMainForm::RandomWallpaperLabelClick() {
    AdvancePicture(TPickDirection::Next, true);
    ComposeChosenPicture("TMainForm::RandomWallpaperLabelClick");
}

void TMainForm::UpdatePicturesCountLabel() {
    ui->LoadedPicturesCountLabel->setText(
        QStringLiteral("There are %1 pictures ready to be used as wallpapers")
            .arg(WholeNumber(static_cast<qlonglong>(PictureList.size()))));
}

void TMainForm::UpdateCurrentPictureLabel() {
    const QString index =
        CurrentIndex < 0 ? QStringLiteral("not in list") : WholeNumber(CurrentIndex + 1LL);
    ui->LastPictureLabel->setText(
        QStringLiteral("Current picture (index %1) \"%2\" in \"%3\"")
            .arg(index, QFile::decodeName(GetFileNameOnly(CurrentFileTitle).c_str()),
                 QFile::decodeName(GetFileDir(CurrentFileTitle).c_str())));
}

void TMainForm::SetFavoriteWallpaperLabelClick() {
    Favorites.Dialog(*ui->SetFavoriteWallpaperLabel, true);
}

void TMainForm::AddPictureToFavoritesLabelClick() {
    if (Favorites.Count() >= TFavoritesDialog::MaxFavorites) {
        ShowWarning("Can't add any more favorites.");
        return;
    }
    Favorites.Add(CurrentFileTitle);
}

void TMainForm::DeleteFavoriteLabelClick() {
    Favorites.Dialog(*ui->SetFavoriteWallpaperLabel, false);
}
