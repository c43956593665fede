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

// What came of programming from the guide: added or not, and what to tell.
struct ProgrammeOutcome {
    bool added = false;
    std::string text; // what was programmed (and any margin given up), or why not
};

// What the guide window asks of the main window: to program one slot of a channel
// of the channel box, or several at once, by the schedule's rules; and whether a
// schedule entry records a programme.
struct GuideWindowActions {
    std::function<ProgrammeOutcome(const std::string& channel, const RecordingSlot& slot)>
        programme;
    std::function<ProgrammeOutcome(const std::string& channel, const std::string& title,
                                   const std::vector<RecordingSlot>& recordingSlots)>
        programmeAll;
    std::function<bool(const GuideProgramme&)> programmed;
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
    // The schedule changed: the marks of what is programmed are drawn afresh.
    void ShowMarks();
    // The last programming's outcome, under the buttons.
    QString OutcomeText() const;

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
    void ShowButtons();
    // Says what came of programming: a line under the buttons, and a box over the
    // guide when it was refused or there is a summary to read.
    void Tell(const ProgrammeOutcome& outcome, bool box);
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
    QLabel* outcome_ = nullptr;
    QPushButton* gridButton_ = nullptr;
    GuideGridPage* gridPage_ = nullptr;
    QWidget* listView_ = nullptr; // the channels, the day's programmes and the description
    int generation_ = -1;         // of the store shown
};

} // namespace kalore
