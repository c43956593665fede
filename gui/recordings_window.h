#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QWidget>

#include "recordings/recording_store.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace kalore {

// What the list asks of the main window: to stop a recording it still runs (false
// when it no longer does), and the options of the player it plays files in.
struct RecordingsWindowActions {
    std::function<bool(std::int64_t id)> stop;
    std::function<std::vector<std::string>()> libvlcArgs;
};

// "Mes enregistrements": every recording Kalore made, newest first, its parts as
// one row, searched as the user types; played in Kalore's player, shown in the file
// manager, moved to the desktop's trash, or stopped while it runs. It shows the
// store and keeps no copy of its own beyond the rows on screen.
class RecordingsWindow final : public QWidget {
    Q_OBJECT
public:
    RecordingsWindow(RecordingStore& store, RecordingsWindowActions actions, QWidget* parent);

    // Makes the store again if it was deleted, then shows the list.
    void Reload();
    // The list's rows, for tests.
    QTreeWidget& List() const { return *list_; }
    QWidget* LastPlayer() const { return lastPlayer_; }

    void PlaySelected();
    void ShowSelectedInFolder();
    void DeleteSelected();
    void StopSelected();

private:
    void ShowList();
    void ShowButtons();
    void FitColumns();
    const RecordingEntry* Selected() const;

    RecordingStore& store_;
    RecordingsWindowActions actions_;
    std::vector<RecordingEntry> entries_;
    QLineEdit* search_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* folder_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* stop_ = nullptr;
    QWidget* lastPlayer_ = nullptr;
};

} // namespace kalore
