#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class TPickDirection { Next, Previous };

// The position of the first entry that is title, byte for byte; -1 when there is none.
int IndexOfPicture(const std::vector<std::string>& pictureList, std::string_view title);

// Walks from currentIndex to the next or previous entry, wrapping around at the ends, or to a
// random one, which is the current picture only when two draws in a row land on it. Entries whose
// files have gone are removed on the way, and currentIndex keeps pointing at its entry; with store
// the entry picked becomes the current one. Answers the entry picked, empty when none is left;
// listChanged tells whether entries were removed.
std::string PickPictureFile(std::vector<std::string>& pictureList, int& currentIndex,
                            std::string_view currentFileTitle, TPickDirection direction,
                            bool random, bool store, bool& listChanged);

// The entry steps places after currentIndex, wrapping around (from before the first entry when
// currentIndex is -1); empty for an empty list.
std::string FollowingPicture(const std::vector<std::string>& pictureList, int currentIndex,
                             int steps);
