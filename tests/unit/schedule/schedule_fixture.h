#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "schedule/schedule.h"
#include "support/temp_folder.h"

namespace kalore::testing {

// A schedule in a temporary program folder with a fake clock (07/12/2026 20:00:00),
// trusted as after two minutes of running, fake timers and a recorder that only
// records what it was asked to start.
class ScheduleFixture : public ::testing::Test {
protected:
    ScheduleFixture() {
        std::filesystem::create_directories(folder_.Path() / "B");
        schedule_ = std::make_unique<Schedule>(
            Folder(), host_, clock_, timer1_, timer2_, clockWatch_,
            [this](const PendingRecording& pending, std::int64_t secondsToEnd) {
                started_.push_back(pending);
                secondsToEnd_.push_back(secondsToEnd);
            });
        for (int look = 0; look < kClockSettleLooks; ++look) {
            clockWatch_.FireNow();
        }
    }

    std::string Folder() const { return folder_.Slashed(); }
    std::string ListPath() const { return (folder_.Path() / "B/recordslist").string(); }
    std::string UrlPath() const { return (folder_.Path() / "B/recordsurlist").string(); }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    bool Add(const std::string& startTime, const std::string& endTime,
             const std::string& date = "07/12/2026", const std::string& channel = "TF1") {
        return schedule_->AddScheduledRecording(
            {date, startTime, date, endTime, channel, "rtp://@232.0.1.1:8200", "H264"});
    }
    ScheduleTable& Table() { return schedule_->Table(); }
    bool Logged(const std::string& line) const {
        return std::find(host_.log.begin(), host_.log.end(), line) != host_.log.end();
    }

    const TempFolder folder_{"kalore-schedule"};
    FakeHost host_;
    FakeClock clock_;
    FakeTimer timer1_;
    FakeTimer timer2_;
    FakeTimer clockWatch_;
    std::vector<PendingRecording> started_;
    std::vector<std::int64_t> secondsToEnd_;
    std::unique_ptr<Schedule> schedule_;
};

} // namespace kalore::testing
