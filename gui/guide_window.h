#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QWidget>

#include "guide/recording_slots.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QStringListModel;
class QTableView;
class QTextBrowser;

namespace kalore {

class Guide;
class GuideGridPage;
class GuideProgrammeModel;

// What the guide window asks of the main window: to program one slot of a channel
// of the channel box through its own entry fields, or several at once.
struct GuideWindowActions {
    std::function<void(const std::string& channel, const RecordingSlot& slot)> programme;
    std::function<void(const std::string& channel, const std::string& title,
                       const std::vector<RecordingSlot>& recordingSlots)>
        programmeAll;
};

// The "Guide TV" window: the channels with a guide, a day selector, the day's
// programmes, a description pane, a search across channels and days, and the two
// ways to program what was picked. It shows the core's guide and keeps no copy of
// its own beyond the rows on screen.
class GuideWindow final : public QWidget {
    Q_OBJECT
public:
    GuideWindow(Guide& guide, GuideWindowActions actions, QWidget* parent = nullptr);
    ~GuideWindow() override;

    // Shows this channel of the channel box (when it has a guide), today, with the
    // programme on now picked.
    void ShowChannel(const std::string& kaloreName);
    // The guide's status changed: shown afresh, and the channels and programmes
    // too when another store is in use.
    void Reload();

private:
    void BuildControls();
    void FillDays();
    void ShowProgrammes();
    void ShowDescription();
    void ProgrammeClick();
    void ProgrammeAllClick();
    // The "Grille" view in place of the list, or back.
    void ShowGrid(bool grid);
    void ProgrammeFromGrid();
    bool Searching() const;
    const GuideProgramme* Selected() const;
    std::string SelectedChannelName() const;

    Guide& guide_;
    GuideWindowActions actions_;
    GuideProgrammeModel* programmes_ = nullptr;
    QStringListModel* channelNames_ = nullptr;
    QLineEdit* search_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QListView* channels_ = nullptr;
    QComboBox* days_ = nullptr;
    QTableView* table_ = nullptr;
    QTextBrowser* description_ = nullptr;
    QPushButton* programme_ = nullptr;
    QPushButton* programmeAll_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* gridButton_ = nullptr;
    GuideGridPage* gridPage_ = nullptr;
    QWidget* listView_ = nullptr; // the channels, the day's programmes and the description
    int generation_ = -1;         // of the store shown
};

} // namespace kalore
