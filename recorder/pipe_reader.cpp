#include "recorder/pipe_reader.h"

#include <array>

#include "platform/current_thread.h"
#include "recorder/output_block.h"

namespace kalore {

TStoReadPipeThread::TStoReadPipeThread(std::unique_ptr<OutputPipe> pipe, Host& host,
                                       MainThread& mainThread,
                                       std::function<std::string()> mainCaption)
    : pipe_(std::move(pipe)), host_(host), mainThread_(mainThread),
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
    // Until the output ends, which is once the child (and whatever inherited its
    // output) has gone; what it wrote last may still wait in the pipe by then.
    do {
        count = pipe_->Read(buffer.data(), buffer.size());
        if (cancelled_) {
            return;
        }
        if (count > 0) {
            if (onOutput) {
                onOutput({buffer.data(), static_cast<std::size_t>(count)});
            }
            std::string entry = FormatOutputBlock({buffer.data(), static_cast<std::size_t>(count)});
            mainThread_.Post([&host = host_, entry] { host.AppendLog(entry); });
        }
    } while (count > 0);
    mainThread_.Synchronize([this] { host_.SetAppTitle(mainCaption_()); });
}

} // namespace kalore
