#include "PictureSelection.h"

#include "File.h"
#include "Myrandom.h"

#include <algorithm>
#include <cstdlib>

namespace {

int RandomPosition(int count) {
    // The remainder keeps the sign of the number drawn.
    return std::abs(Random.Next() % count);
}

int Step(int position, int count, TPickDirection direction) {
    if (direction == TPickDirection::Next) return position + 1 > count - 1 ? 0 : position + 1;
    return position - 1 < 0 ? count - 1 : position - 1;
}

}  // namespace

int IndexOfPicture(const std::vector<std::string>& pictureList, std::string_view title) {
    const auto found = std::find(pictureList.begin(), pictureList.end(), title);
    return found == pictureList.end() ? -1 : static_cast<int>(found - pictureList.begin());
}

std::string PickPictureFile(std::vector<std::string>& pictureList, int& currentIndex,
                            std::string_view currentFileTitle, TPickDirection direction,
                            bool random, bool store, bool& listChanged) {
    listChanged = false;
    int count = static_cast<int>(pictureList.size());
    if (count == 0) return {};
    int position = currentIndex;
    for (;;) {
        if (random) {
            position = RandomPosition(count);
            if (count > 1 && pictureList[static_cast<size_t>(position)] == currentFileTitle)
                position = RandomPosition(count);
        } else {
            position = Step(position, count, direction);
        }
        if (FileOrDirExists(pictureList[static_cast<size_t>(position)])) break;

        pictureList.erase(pictureList.begin() + position);
        if (currentIndex >= position) --currentIndex;
        position = currentIndex;
        --count;
        listChanged = true;
        if (count == 0) return {};
    }
    if (store) currentIndex = position;
    return pictureList[static_cast<size_t>(position)];
}

std::string FollowingPicture(const std::vector<std::string>& pictureList, int currentIndex,
                             int steps) {
    const auto count = static_cast<long long>(pictureList.size());
    if (count == 0) return {};
    const long long position =
        ((currentIndex + static_cast<long long>(steps)) % count + count) % count;
    return pictureList[static_cast<size_t>(position)];
}
