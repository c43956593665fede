// Slots programmed from the guide: margins give way where they alone would overlap,
// programmes that overlap are refused naming the entry in the way, and a refusal
// changes nothing.
#include "schedule/padded_slot.h"

#include <map>

#include "schedule/date_time_text.h"
#include "schedule_fixture.h"

namespace kalore {
namespace {

using Fixture = testing::ScheduleFixture;

std::int64_t At(const std::string& time) {
    return SecondsOfDateTime("07/12/2026", time);
}

class PaddedSlots : public Fixture {
protected:
    // A programme from `from` to `to` with 2 min before and 10 min after, as the guide
    // programs it; the cores of the entries programmed so far are known.
    Schedule::PaddedResult Programme(const std::string& channel, const std::string& from,
                                     const std::string& to) {
        const SlotBounds core{At(from), At(to)};
        ScheduleEntryRequest request{{}, {}, {}, {}, channel, "rtp://@232.0.1.1:8200", "H264"};
        request.title = channel + " " + from;
        auto result = schedule_->TryAddPaddedSlot(
            request, {{core.start - 120, core.end + 600}, core}, [this](int row) {
                const auto found = cores_.find(Table().EntryId(row));
                return found == cores_.end() ? std::optional<SlotBounds>() : found->second;
            });
        if (!result.refusal) {
            cores_[Table().EntryId(Table().RowCount() - 2)] = core;
        }
        return result;
    }
    std::vector<std::string> Row(int row) {
        return {Table().Cell(row, kChannelColumn), Table().Cell(row, kStartTimeColumn),
                Table().Cell(row, kEndTimeColumn)};
    }

    std::map<std::uint64_t, SlotBounds> cores_;
};

TEST_F(PaddedSlots, BackToBackProgrammesOnTwoChannelsAreBothRecordedWhole) {
    // The earlier one programmed first: its margin after gives way.
    EXPECT_FALSE(Programme("TF1", "21:00:00", "21:30:00").refusal);
    const auto second = Programme("France 2", "21:30:00", "22:00:00");
    ASSERT_FALSE(second.refusal) << *second.refusal;
    EXPECT_EQ(Row(1), (std::vector<std::string>{"TF1", "20:58:00", "21:29:59"}));
    EXPECT_EQ(Row(2), (std::vector<std::string>{"France 2", "21:30:00", "22:10:00"}));
    ASSERT_EQ(second.marginsGivenUp.size(), 1u);
    EXPECT_EQ(second.marginsGivenUp[0], "L'enregistrement « TF1 » (TF1 21:00:00) du 07/12/2026 "
                                        "de 20:58:00 à 21:40:00 finira à 21:29:59, pour laisser "
                                        "la place au nouveau.");
    EXPECT_TRUE(Read(ListPath()).find("21:29:59\r\n") != std::string::npos);
    // The later one programmed first: its margin before gives way.
    EXPECT_FALSE(Programme("M6", "23:00:00", "23:30:00").refusal);
    EXPECT_FALSE(Programme("Arte", "22:30:00", "23:00:00").refusal);
    EXPECT_EQ(Row(3), (std::vector<std::string>{"M6", "23:00:00", "23:40:00"}));
    EXPECT_EQ(Row(4), (std::vector<std::string>{"Arte", "22:28:00", "22:59:59"}));
}

TEST_F(PaddedSlots, OnlyMarginsGiveWay) {
    // An entry programmed by hand is all programme: the new slot's own margin gives
    // way, down to none, and a second more when they would touch.
    ASSERT_TRUE(Add("20:40:00", "20:59:00"));
    ASSERT_TRUE(Add("22:00:00", "22:30:00"));
    EXPECT_FALSE(Programme("France 2", "21:00:00", "22:00:00").refusal);
    EXPECT_EQ(Row(3), (std::vector<std::string>{"France 2", "20:59:01", "21:59:59"}));
    // Programmes that overlap: refused, naming the entry in the way; nothing changes.
    const std::string before = Read(ListPath());
    const auto refused = Programme("Arte", "22:15:00", "23:00:00");
    ASSERT_TRUE(refused.refusal);
    EXPECT_EQ(*refused.refusal, "Le début et fin de l'enregistrement chevauche un enregistrement "
                                "existant !!\rIl chevauche « TF1 » du 07/12/2026 de 22:00:00 à "
                                "22:30:00.");
    EXPECT_EQ(Read(ListPath()), before);
    EXPECT_EQ(Table().EntryCount(), 3);
}

TEST_F(PaddedSlots, AnEntryUnderWayKeepsItsMargins) {
    ASSERT_FALSE(Programme("TF1", "20:02:05", "20:30:00").refusal);
    clock_.Set({2026, 12, 7, 20, 0, 10});
    Table().SetStatus(1, kStatusRecording);
    const auto refused = Programme("France 2", "20:30:00", "21:00:00");
    ASSERT_TRUE(refused.refusal);
    EXPECT_NE(refused.refusal->find("Il chevauche « TF1 » (TF1 20:02:05) du 07/12/2026 de 20:00:05 "
                                    "à 20:40:00."),
              std::string::npos);
    EXPECT_EQ(Row(1), (std::vector<std::string>{"TF1", "20:00:05", "20:40:00"}));
    // Nothing left between two entries: refused.
    ASSERT_TRUE(Add("21:10:01", "21:20:00"));
    ASSERT_TRUE(Add("21:20:02", "21:30:00"));
    const auto squeezed = Programme("Arte", "21:20:00", "21:20:01");
    ASSERT_TRUE(squeezed.refusal);
    EXPECT_NE(squeezed.refusal->find("Il n'y a pas de place"), std::string::npos);
}

TEST(DateTimeOfSeconds, GivesBackTheDateAndTimeOfItsSeconds) {
    for (const auto& [date, time] : {std::pair{"07/12/2026", "21:29:59"},
                                     {"29/02/2028", "00:00:00"},
                                     {"31/12/1999", "23:59:59"},
                                     {"01/01/2000", "12:00:00"}}) {
        const LocalDateTime when = DateTimeOfSeconds(SecondsOfDateTime(date, time));
        EXPECT_EQ(DateText(when), date);
        EXPECT_EQ(TimeText(when), time);
    }
}

} // namespace
} // namespace kalore
