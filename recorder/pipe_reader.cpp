#include "recorder/pipe_reader.h"

#include <array>

#include "platform/current_thread.h"
#include "recorder/output_block.h"

namespace kalore {

TStoReadPipeThread::TStoReadPipeThread(std::unique_ptr<OutputPipe> pipe,
                                       const std::atomic<bool>& childEnded, Host& host,
                                       MainThread& mainThread,
                                       std::function<std::string()> mainCaption)
    : pipe_(std::move(pipe)), childEnded_(childEnded), host_(host), mainThread_(mainThread),
      mainCaption_(std::move(mainCaption)) {}

TStoReadPipeThread::~TStoReadPipeThread() {
    Cancel();
    Join();
}

void TStoReadPipeThread::Start() {
    thread_ = std::thread([this] { Execute(); });
}

void TStoReadPipeThread::Cancel() {
    cancelled_ = true;
    pipe_->Interrupt();
}

void TStoReadPipeThread::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TStoReadPipeThread::Execute() {
    LowerCurrentThreadPriority();
    ReadOutput();
}

void TStoReadPipeThread::ReadOutput() {
    std::array<char, 4096> buffer{};
    long count = 0;
    do {
        count = pipe_->Read(buffer.data(), buffer.size());
        if (cancelled_) {
            return;
        }
        if (count > 0) {
            std::string entry = FormatOutputBlock({buffer.data(), static_cast<std::size_t>(count)});
            mainThread_.Post([&host = host_, entry] { host.AppendLog(entry); });
        }
    } while (count > 0 && !childEnded_);
    mainThread_.Synchronize([this] { host_.SetAppTitle(mainCaption_()); });
}

} // namespace kalore
