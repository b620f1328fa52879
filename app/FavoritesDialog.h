#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

class QMenu;
class QWidget;
class TStoredTextList;

// The user's favourite pictures: up to MaxFavorites full paths, oldest first, unique under exact
// comparison (file names on Linux differ by letter case), chosen again from a popup menu.
class TFavoritesDialog : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxFavorites = 20;

    explicit TFavoritesDialog(QObject* parent = nullptr);

    int Count() const;
    // Oldest first.
    const std::vector<std::string>& Titles() const;

    // Makes path the newest favourite. Empty text, a drive name and a path without a file name
    // are ignored; an older copy moves up; at MaxFavorites the oldest one drops out.
    void Add(const std::string& path);
    // Removes every entry equal to path, keeping the order of the others.
    void Remove(const std::string& path);

    // Shows the popup below anchor (its screen top + height) at the cursor's x, without waiting
    // for a choice. In set mode a chosen favourite goes to OnSelect, in delete mode it is removed.
    void Dialog(QWidget& anchor, bool setMode);

    // The "FavoritePictures" section: Count (0..20, otherwise 0) and Title0, Title1, …, read
    // through the add rule and written oldest first.
    void Load(TStoredTextList& list);
    void Save(TStoredTextList& list) const;

    std::function<void(const std::string&)> OnSelect;

    // The menu of the last Dialog, for tests; null before the first (or once its anchor is gone).
    QMenu* Menu() const;

private:
    std::vector<std::string> m_titles;
    QPointer<QMenu> m_menu;
};
