#include "FavoritesDialog.h"
#include "StoredTextList.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QMenu>
#include <QWidget>

namespace {

using Titles = std::vector<std::string>;

void Fill(TFavoritesDialog& favorites, const Titles& titles) {
    for (const std::string& title : titles) favorites.Add(title);
}

TEST(FavoritesTest, AddRuleAndRemove) {
    Titles full;
    for (int i = 0; i < TFavoritesDialog::MaxFavorites; ++i)
        full.push_back("/p/" + std::to_string(i));
    Titles shifted(full.begin() + 1, full.end());
    shifted.push_back("/p/new");
    const Titles ab{"/p/a", "/p/b"};
    struct Row {
        Titles before;
        std::string added;
        Titles after;
    };
    for (const Row& row : {Row{ab, "/p/b", ab}, Row{ab, "/p/a", {"/p/b", "/p/a"}},
                           Row{ab, "/p/A", {"/p/a", "/p/b", "/p/A"}}, Row{ab, "", ab},
                           Row{ab, "C:", ab}, Row{ab, "/dir/", ab}, Row{full, "/p/new", shifted}}) {
        TFavoritesDialog favorites;
        Fill(favorites, row.before);
        favorites.Add(row.added);
        EXPECT_EQ(favorites.Titles(), row.after) << row.added;
    }
    TFavoritesDialog favorites;
    Fill(favorites, {"/p/a", "/p/b", "/p/c"});
    favorites.Remove("/p/B");
    favorites.Remove("/p/b");
    EXPECT_EQ(favorites.Titles(), (Titles{"/p/a", "/p/c"}));
}

TEST(FavoritesTest, LoadDropsABadCountAndEmptyTitlesAndReadsWhatSaveWrote) {
    for (auto [count, loaded] : {std::pair{"25", Titles{}}, {"3", Titles{"/p/a", "/p/c"}}}) {
        TStoredTextList list;
        list.WriteValue("FavoritePictures", "Count", count);
        list.WriteValue("FavoritePictures", "Title0", "/p/a");
        list.WriteValue("FavoritePictures", "Title1", "");
        list.WriteValue("FavoritePictures", "Title2", "/p/c");
        TFavoritesDialog favorites;
        Fill(favorites, {"/p/old"});
        favorites.Load(list);
        EXPECT_EQ(favorites.Titles(), loaded) << count;
        favorites.Add("/p/b");
        favorites.Save(list);
        TFavoritesDialog reloaded;
        reloaded.Load(list);
        EXPECT_EQ(reloaded.Titles(), favorites.Titles());
    }
}

TEST(FavoritesTest, PathsAsLongAsTheSystemAllowsSurviveARestart) {
    const std::string longest = "/" + std::string(4095, 'p');
    TFavoritesDialog favorites;
    Fill(favorites, {longest, longest + "q"});
    TStoredTextList list;
    favorites.Save(list);
    TFavoritesDialog reloaded;
    reloaded.Load(list);
    EXPECT_EQ(reloaded.Titles(), Titles{longest});
}

TEST(FavoritesTest, PopupListsNewestFirstBelowItsAnchor) {
    TFavoritesDialog favorites;
    Fill(favorites, {"/p/a", "/p/R&D"});
    Titles selected;
    favorites.OnSelect = [&](const std::string& path) {
        selected.push_back(path);
    };
    EXPECT_EQ(favorites.Menu(), nullptr);
    QWidget anchor;
    anchor.setGeometry(100, 50, 120, 30);

    favorites.Dialog(anchor, true);
    QMenu* menu = favorites.Menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos().y(), 80);
    EXPECT_EQ(menu->defaultAction(), menu->actions().front());
    Titles captions;
    for (QAction* item : menu->actions()) {
        captions.push_back(item->text().toStdString());
        item->trigger();
    }
    EXPECT_EQ(captions, (Titles{"Set favorite wallpaper", "/p/R&&D", "/p/a"}));
    EXPECT_EQ(selected, (Titles{"/p/R&D", "/p/a"}));

    favorites.Dialog(anchor, false);
    menu = favorites.Menu();
    EXPECT_EQ(menu->actions().front()->text(), "Delete favorite");
    menu->actions()[1]->trigger();
    EXPECT_EQ(favorites.Titles(), Titles{"/p/a"});
    EXPECT_EQ(selected.size(), 2u);
}

}  // namespace
