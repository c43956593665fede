#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "platform/child_process.h"
#include "seams/host.h"
#include "seams/main_thread.h"

namespace kalore {

// Shows the recorder child's output in the log, one entry per read of at most
// 4096 bytes. When the output ends by itself it puts the application title back
// to the main window's caption (waiting for the main thread to do it).
class TStoReadPipeThread {
public:
    TStoReadPipeThread(std::unique_ptr<OutputPipe> pipe, Host& host, MainThread& mainThread,
                       std::function<std::string()> mainCaption);
    ~TStoReadPipeThread();
    TStoReadPipeThread(const TStoReadPipeThread&) = delete;
    TStoReadPipeThread& operator=(const TStoReadPipeThread&) = delete;

    // Also given each block of output, on the reader's thread; set before Start.
    std::function<void(std::string_view)> onOutput;

    void Start();
    // Ends the reader at once: nothing more is logged and the title is left alone.
    void Cancel();
    // Waits for the reader's end (after Cancel, or after the child's output ended).
    void Join();

private:
    void Execute();
    void ReadOutput();

    std::unique_ptr<OutputPipe> pipe_;
    Host& host_;
    MainThread& mainThread_;
    std::function<std::string()> mainCaption_;
    std::atomic<bool> cancelled_{false};
    std::thread thread_;
};

} // namespace kalore
