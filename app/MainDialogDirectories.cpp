#include "MainDialog.h"

#include "BusyCursor.h"
#include "FileDirectories.h"
#include "LinkLabel.h"
#include "Mydialogs.h"
#include "QtText.h"
#include "StatusScope.h"
#include "TerminationSignals.h"
#include "Utilities.h"
#include "ui_MainDialog.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>
#include <cerrno>

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFlagsRole = Qt::UserRole + 1;
constexpr std::chrono::milliseconds kBusyCursorDelay{500};

// A flag column holds the wider of its two texts with the cell's padding, and is never narrower
// than the row height made it, so that a large font does not clip "Active" or "Recurs".
int FlagColumnWidth(const QWidget& list, const char* on, const char* off, int least) {
    const QFontMetrics metrics(list.font());
    const int widest = std::max(metrics.horizontalAdvance(QLatin1String(on)),
                                metrics.horizontalAdvance(QLatin1String(off)));
    return std::max(least, widest + 7);
}

// The right edges of the two flag columns, from the row's left edge.
int ActiveColumnEnd(const QWidget& list, int rowHeight) {
    return FlagColumnWidth(list, "Active", "NA", 2 * rowHeight);
}
int RecursColumnEnd(const QWidget& list, int rowHeight) {
    return ActiveColumnEnd(list, rowHeight) +
           FlagColumnWidth(list, "Recurs", "NR", rowHeight * 5 / 2);
}

// What the two flag columns mean, which their short texts do not say.
QString FlagColumnHint(const QWidget& list, int x, int rowHeight) {
    if (x < ActiveColumnEnd(list, rowHeight))
        return QStringLiteral(
            "Active: pictures are taken from this directory; NA: not active. Click to switch.");
    if (x < RecursColumnEnd(list, rowHeight))
        return QStringLiteral(
            "Recurs: subdirectories are searched too; NR: not recursive, only this directory. "
            "Click to switch.");
    return {};
}

// Paints the rows of the directory list through the main window, which owns their look.
class DirectoryRowDelegate final : public QStyledItemDelegate {
public:
    explicit DirectoryRowDelegate(TMainForm& form)
        : QStyledItemDelegate(form.ui->DirectoriesListBox), m_form(form) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        m_form.DirectoriesListBoxDrawItem(*painter, index.row(), option.rect,
                                          option.state.testFlag(QStyle::State_Selected),
                                          option.state.testFlag(QStyle::State_HasFocus));
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        const QListWidget& list = *m_form.ui->DirectoriesListBox;
        return {option.rect.width(), GetFontHeight(list.font(), &list) + 4};
    }

private:
    TMainForm& m_form;
};

}  // namespace

void TMainForm::ConnectDirectoryControls() {
    QListWidget& list = *ui->DirectoriesListBox;
    list.setItemDelegate(new DirectoryRowDelegate(*this));
    list.viewport()->installEventFilter(this);
    list.installEventFilter(this);
    connect(ui->PageControl2, &QTabWidget::currentChanged, this, [this] {
        if (ui->PageControl2->currentWidget() == ui->DirectoriesTabSheet)
            SetControlFocus(ui->DirectoriesListBox);
    });

    connect(ui->AddDirectoryLabel, &TLinkLabel::clicked, this, &TMainForm::AddDirectoryLabelClick);
    connect(ui->DeleteDirectoryLabel, &TLinkLabel::clicked, this,
            &TMainForm::DeleteDirectoryLabelClick);
    connect(ui->ReloadFileNamesLabel, &TLinkLabel::clicked, this,
            &TMainForm::ReloadFileNamesLabelClick);
    connect(ui->Label29, &TLinkLabel::clicked, this, &TMainForm::Label29Click);
}

void TMainForm::AddDirectory(std::string path, bool active, bool recurs) {
    // "/pictures/" names the same directory as "/pictures".
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    QListWidget& list = *ui->DirectoriesListBox;
    if (path.empty() || list.count() >= MaxPictureDirectories) return;
    for (int row = 0; row < list.count(); ++row)
        if (DirectoryPath(row) == path) return;
    auto* item = new QListWidgetItem(ToQString(path), &list);
    item->setData(kPathRole, QByteArray::fromStdString(path));
    item->setData(kFlagsRole, (active ? DirectoryActive : 0) | (recurs ? DirectoryRecurs : 0));
}

std::string TMainForm::DirectoryPath(int row) const {
    return ui->DirectoriesListBox->item(row)->data(kPathRole).toByteArray().toStdString();
}

int TMainForm::DirectoryFlags(int row) const {
    return ui->DirectoriesListBox->item(row)->data(kFlagsRole).toInt();
}

void TMainForm::BrowseAndAddDirectory(bool reload, const char* caption) {
    QListWidget& list = *ui->DirectoriesListBox;
    if (list.count() >= MaxPictureDirectories) {
        ShowWarning("Too many directories. Can't add anymore.");
        return;
    }
    std::string directory;
    if (!ChooseDirectory(directory, {}, caption)) return;
    AddDirectory(directory, true, false);
    if (list.count() == 1) list.setCurrentRow(0);
    if (reload) ReloadFileNamesLabelClick();
}

void TMainForm::AddDirectoryLabelClick() {
    BrowseAndAddDirectory(false);
}

void TMainForm::STP_AddPicturesDirectoryMenuClick() {
    BrowseAndAddDirectory(true);
}

void TMainForm::DeleteDirectoryLabelClick() {
    QListWidget& list = *ui->DirectoriesListBox;
    // Nothing is selected in an empty list: there is nothing to ask about.
    if (list.currentRow() < 0) return;
    if (!AskQuestion("Do you want to delete the focused directory?")) return;
    const int row = list.currentRow();
    delete list.takeItem(row);
    list.setCurrentRow(std::min(row, list.count() - 1));
}

void TMainForm::ReloadFileNamesLabelClick() {
    TStatusScope scope("TMainForm::ReloadFileNamesLabelClick");
    scope.Run([&] {
        LoadPictureFileNames();
        scope.AdoptCalleeFailure();
    });
    // What could be read is loaded even when a directory could not be.
    scope.ShowFailure("Failed to reload file names.");
    if (!TerminationSignals::Arrived())
        ShowInfo(ToBytes(ui->LoadedPicturesCountLabel->text()) + ".");
}

void TMainForm::Label29Click() {
    std::string text;
    for (const std::string& path : PictureList) {
        if (!text.empty()) text += '\n';
        text += path;
    }
    CopyTextToClipboard(text, {}, false, false);
}

void TMainForm::LoadPictureFileNames() {
    // Timers and requests from other programs are served during a long rebuild; one of them may
    // ask for another.
    if (m_loadingPictureFileNames) {
        m_pictureFileNamesOutdated = true;
        return;
    }
    m_loadingPictureFileNames = true;
    TStatusScope scope("TMainForm::LoadPictureFileNames");
    scope.Run([&] {
        TBusyCursorAfter busy(kBusyCursorDelay);
        const auto keepGoing = [&busy] {
            busy.PollServingEvents();
            return !TerminationSignals::Arrived();
        };
        std::vector<std::string> pictures;
        do {
            m_pictureFileNamesOutdated = false;
            pictures.clear();
            // The rows may change while events are served; the rebuild reads them as they were.
            std::vector<std::pair<std::string, int>> rows;
            for (int row = 0; row < ui->DirectoriesListBox->count(); ++row)
                rows.emplace_back(DirectoryPath(row), DirectoryFlags(row));
            for (const auto& [path, flags] : rows) {
                if ((flags & DirectoryActive) == 0) continue;
                std::vector<std::string> group;
                LoadFilesList(path, PictureFilter, group, (flags & DirectoryRecurs) != 0,
                              keepGoing);
                if (FunStatContext.GivenUp()) scope.AdoptCalleeFailure();
                scope.KeepCalleeFailure();
                SortFileList(group);
                pictures.insert(pictures.end(), std::make_move_iterator(group.begin()),
                                std::make_move_iterator(group.end()));
            }
        } while (m_pictureFileNamesOutdated);
        PictureList = std::move(pictures);
        CurrentIndex = IndexOfPicture(PictureList, CurrentFileTitle);
        UpdatePicturesCountLabel();
        UpdateCurrentPictureLabel();
    });
    m_loadingPictureFileNames = false;
}

void TMainForm::DirectoriesListBoxDrawItem(QPainter& canvas, int index, const QRect& rect,
                                           bool selected, bool focused) {
    TStatusScope scope("TMainForm::DirectoriesListBoxDrawItem");
    scope.Run([&] {
        const QListWidget& list = *ui->DirectoriesListBox;
        const QPalette& palette = list.palette();
        const int flags = DirectoryFlags(index);
        const int height = rect.height();
        const QRect active(rect.left(), rect.top(), ActiveColumnEnd(list, height), height);
        const QRect recurs(active.right() + 1, rect.top(),
                           RecursColumnEnd(list, height) - ActiveColumnEnd(list, height), height);
        const QRect path(recurs.right() + 1, rect.top(), rect.right() - recurs.right(), height);

        auto cell = [&](const QRect& area, std::string_view text, QPalette::ColorRole back,
                        QPalette::ColorRole fore, unsigned format) {
            canvas.fillRect(area, palette.color(back));
            canvas.setPen(palette.color(fore));
            DrawTextInRect(text, canvas, true, area.adjusted(3, 2, -3, -2), DT_SINGLELINE | format,
                           false, false);
        };
        cell(active, (flags & DirectoryActive) ? "Active" : "NA", QPalette::Base, QPalette::Text,
             0);
        cell(recurs, (flags & DirectoryRecurs) ? "Recurs" : "NR", QPalette::Base, QPalette::Text,
             0);
        const bool highlighted = selected && focused;
        cell(path, DirectoryPath(index),
             highlighted ? QPalette::Highlight
             : selected  ? QPalette::Button
                         : QPalette::Base,
             highlighted ? QPalette::HighlightedText
             : selected  ? QPalette::ButtonText
                         : QPalette::Text,
             DT_PATH_ELLIPSIS);

        canvas.setPen(palette.color(QPalette::Text));
        canvas.drawLine(rect.bottomLeft(), rect.bottomRight());
        canvas.drawLine(active.topRight(), active.bottomRight());
        canvas.drawLine(recurs.topRight(), recurs.bottomRight());
        DrawListBoxFocus(list, canvas, selected, focused, rect);
    });
}

void TMainForm::DirectoriesListBoxMouseDown(Qt::MouseButton button, const QPoint& position) {
    QListWidget& list = *ui->DirectoriesListBox;
    SetControlFocus(&list);
    const int row = SelectListBoxItemAt(list, position.x(), position.y());
    if (button != Qt::LeftButton || row < 0) return;
    QListWidgetItem& item = *list.item(row);
    const QRect rect = list.visualItemRect(&item);
    const int x = position.x() - rect.left();
    const int toggled = x < ActiveColumnEnd(list, rect.height())   ? DirectoryActive
                        : x < RecursColumnEnd(list, rect.height()) ? DirectoryRecurs
                                                                   : 0;
    if (toggled != 0) item.setData(kFlagsRole, DirectoryFlags(row) ^ toggled);
}

void TMainForm::DirectoriesListBoxMouseMove(const QPoint& position) {
    const QListWidgetItem* item = ui->DirectoriesListBox->itemAt(position);
    ui->HoverDirectoryLabel->setText(item == nullptr ? QString() : item->text());
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    QListWidget& list = *ui->DirectoriesListBox;
    if (std::ranges::find(m_colorPanels, watched) != m_colorPanels.end())
        return ColorPanelEvent(static_cast<QWidget&>(*watched), *event) ||
               QWidget::eventFilter(watched, event);
    if (watched == list.viewport()) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick: {
                // A quick second click toggles again, as a click does.
                const auto& mouse = static_cast<const QMouseEvent&>(*event);
                DirectoriesListBoxMouseDown(mouse.button(), mouse.position().toPoint());
                return true;
            }
            case QEvent::MouseMove:
                DirectoriesListBoxMouseMove(
                    static_cast<const QMouseEvent&>(*event).position().toPoint());
                break;
            case QEvent::Leave:
                ui->HoverDirectoryLabel->clear();
                break;
            case QEvent::ToolTip: {
                const auto& help = static_cast<const QHelpEvent&>(*event);
                const QListWidgetItem* item = list.itemAt(help.pos());
                const QString hint =
                    item == nullptr
                        ? QString()
                        : FlagColumnHint(list, help.pos().x() - list.visualItemRect(item).left(),
                                         list.visualItemRect(item).height());
                if (hint.isEmpty())
                    QToolTip::hideText();
                else
                    QToolTip::showText(help.globalPos(), hint, list.viewport());
                return true;
            }
            default:
                break;
        }
    } else if (watched == &list && event->type() == QEvent::KeyPress) {
        // Typed characters would jump to a matching row; the list has no such search.
        const QString text = static_cast<const QKeyEvent&>(*event).text();
        if (!text.isEmpty() && text.front().isPrint()) return true;
    }
    return QWidget::eventFilter(watched, event);
}
