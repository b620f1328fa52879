#include "FavoritesDialog.h"

#include "File.h"
#include "QtText.h"
#include "StatusScope.h"
#include "StoredTextList.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QWidget>
#include <algorithm>

namespace {

constexpr const char* kSection = "FavoritePictures";

std::string TitleKey(int index) {
    return "Title" + std::to_string(index);
}

}  // namespace

TFavoritesDialog::TFavoritesDialog(QObject* parent) : QObject(parent) {}

int TFavoritesDialog::Count() const {
    return static_cast<int>(m_titles.size());
}

const std::vector<std::string>& TFavoritesDialog::Titles() const {
    return m_titles;
}

QMenu* TFavoritesDialog::Menu() const {
    return m_menu;
}

void TFavoritesDialog::Add(const std::string& path) {
    if (path.empty() || IsDriveName(path) || GetFileNameOnly(path).empty()) return;
    if (!m_titles.empty() && m_titles.back() == path) return;
    Remove(path);
    // The add command refuses a full list itself, so only loading gets here with a full list.
    if (Count() >= MaxFavorites) m_titles.erase(m_titles.begin());
    m_titles.push_back(path);
}

void TFavoritesDialog::Remove(const std::string& path) {
    std::erase(m_titles, path);
}

void TFavoritesDialog::Dialog(QWidget& anchor, bool setMode) {
    TStatusScope scope("TFavoritesDialog::Dialog");
    scope.Run([&] {
        // The previous menu may still be on its way out of its own event handling.
        if (m_menu) m_menu->deleteLater();
        m_menu = new QMenu(&anchor);
        QAction* heading = m_menu->addAction(setMode ? QStringLiteral("Set favorite wallpaper")
                                                     : QStringLiteral("Delete favorite"));
        m_menu->setDefaultAction(heading);
        for (auto title = m_titles.rbegin(); title != m_titles.rend(); ++title) {
            // "&" would make an accelerator letter out of a path; doubled it shows as itself.
            QAction* item =
                m_menu->addAction(ToQString(*title).replace(u'&', QStringLiteral("&&")));
            // The caption is only UTF-8 text; the data keeps the path's exact bytes.
            item->setData(QByteArray::fromStdString(*title));
            // The mode belongs to this menu: a later Dialog in the other mode must not change it.
            connect(item, &QAction::triggered, this, [this, item, setMode] {
                const std::string path = item->data().toByteArray().toStdString();
                if (!setMode)
                    Remove(path);
                else if (OnSelect)
                    OnSelect(path);
            });
        }
        const QPoint top = anchor.mapToGlobal(QPoint(0, 0));
        m_menu->popup(QPoint(QCursor::pos().x(), top.y() + anchor.height()));
    });
    scope.ShowFailure("Failed to show favorites.");
}

void TFavoritesDialog::Load(TStoredTextList& list) {
    m_titles.clear();
    int32_t count = 0;
    list.ReadInteger(kSection, "Count", 0, MaxFavorites, count);
    for (int i = 0; i < count; ++i) {
        std::string title;
        list.ReadText(kSection, TitleKey(i), kMaxPathLength, title, true);
        Add(title);
    }
}

void TFavoritesDialog::Save(TStoredTextList& list) const {
    list.WriteInteger(kSection, "Count", Count());
    for (int i = 0; i < Count(); ++i) list.WriteText(kSection, TitleKey(i), m_titles[i]);
}
