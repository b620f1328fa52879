#include "MainDialog.h"

#include "Mydialogs.h"
#include "Mytime.h"

#include <algorithm>

void TMainForm::SetCurrentPicture(int index, const std::string& title) {
    LastAutoChangeTime = DateTimeNow();
    if (index < 0) {
        if (title.empty()) ShowError("Empty file title and no picture index.");
        CurrentFileTitle = title;
        const auto found = std::find(PictureList.begin(), PictureList.end(), title);
        CurrentIndex =
            found == PictureList.end() ? -1 : static_cast<int>(found - PictureList.begin());
        return;
    }
    CurrentIndex = index;
    CurrentFileTitle = PictureList.at(static_cast<size_t>(index));
}
