#pragma once

#include <string>

namespace kalore {

// What the main window does for the core: the log, the task-bar title and modal
// messages. Called on the main thread only; worker threads hand their calls over
// through MainThread first.
class Host {
public:
    virtual ~Host() = default;
    virtual void AppendLog(const std::string& line) = 0;
    virtual void SetAppTitle(const std::string& text) = 0;
    // A modal message box; "\r" in the text breaks lines. Returns when closed.
    virtual void ShowMessage(const std::string& text) = 0;
    // Tells the user something that happened in the background (a recording that
    // failed or was cut) without waiting for an answer: nothing is blocked, the
    // window, its timers and the next recording go on.
    virtual void NotifyUser(const std::string& text) = 0;
    // The same for a recording that ended other than "Terminé": a window may offer
    // to open the list of recordings beside it.
    virtual void NotifyRecordingEnded(const std::string& text) { NotifyUser(text); }
    // A word in passing that needs no answer and may go unseen (a notification):
    // the log keeps what matters.
    virtual void TellInPassing(const std::string& title, const std::string& text) {
        (void)title;
        (void)text;
    }
};

} // namespace kalore
