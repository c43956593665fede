// The main window's side of the TV guide: its button and status line, now and next
// for the channel box's channel, and programming from the guide through the
// window's own entry fields, so every rule of the schedule applies unchanged.
#include "gui/main_window.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>

#include "channels/channel_file.h"
#include "gui/channel_logos.h"
#include "gui/guide_models.h"
#include "gui/guide_window.h"
#include "gui/qt_main_thread.h"
#include "gui/qt_timer.h"
#include "gui/screen_placement.h"
#include "gui/watch_controls.h"
#include "guide/guide.h"
#include "guide/playlist_hints.h"
#include "platform/atomic_file.h"
#include "platform/code_page.h"
#include "schedule/date_time_text.h"
#include "schedule/schedule.h"
#include "seams/clock.h"
#include "web/provider_detection.h"

namespace kalore {
namespace {

// Now and next follow the clock to the minute.
constexpr int kNowNextIntervalMs = 60 * 1000;
// Now and next at the foot of the video panel, whatever its size; with a logo, the
// logo takes the text's top and the text moves down.
constexpr int kNowNextSide = 20;
constexpr int kNowNextFromBottom = 128; // the text's top, from the panel's foot
constexpr int kNowNextHeight = 110;
constexpr QSize kNowNextLogoBox(72, 40);
constexpr int kNowNextLogoFromBottom = 136;

QRect NowNextText(const QWidget& panel) {
    return QRect(kNowNextSide, panel.height() - kNowNextFromBottom,
                 panel.width() - 2 * kNowNextSide, kNowNextHeight);
}

// The channel box's file as UTF-8, for the guide hints its entries may carry.
std::string ChannelFileText(const std::string& programFolder, const std::string& provider) {
    std::string content;
    if (provider == kFree) {
        ReadWholeFile(FreeChannelFilePath(programFolder), content);
        return content;
    }
    if (ReadWholeFile(OrangeChannelFilePath(programFolder), content)) {
        return Win1252ToUtf8(content);
    }
    return {};
}

QString NowNextText(const std::vector<GuideProgramme>& programmes, UtcSeconds now) {
    QStringList lines;
    for (const GuideProgramme& p : programmes) {
        const QString when =
            p.start <= now ? QStringLiteral("En ce moment : ") : QStringLiteral("Ensuite : ");
        lines << when + GuideIntervalText(p.start, p.stop) + "  " + QString::fromStdString(p.title);
    }
    return lines.join('\n');
}

// The titles of the programmes a slot covers, for the schedule row's tooltip.
std::string SlotTitle(const RecordingSlot& slot) {
    std::string titles;
    for (const GuideProgramme& programme : slot.programmes) {
        titles += (titles.empty() ? "" : " / ") + programme.title;
    }
    return titles;
}

// An instant as the schedule counts it: the seconds of its local date and time.
std::int64_t ScheduleSecondsOf(UtcSeconds instant) {
    return SecondsOf(LocalTimeAt(instant));
}

} // namespace

std::vector<GuideProgramme> TForm1::GuideProgrammesOf(int row) const {
    const ScheduleTable& table = schedule_->Table();
    if (guide_ == nullptr || !table.IsEntryRow(row)) {
        return {};
    }
    const auto id = guide_->GuideIdOf(table.Cell(row, kChannelColumn));
    const auto slot = RowSlotOf(row);
    if (!id || !slot || slot->end <= slot->start) {
        return {};
    }
    return guide_->Between(*id, slot->start, slot->end);
}

std::string TForm1::GuideTitleOf(int row) const {
    const std::vector<GuideProgramme> programmes = GuideProgrammesOf(row);
    if (programmes.empty()) {
        return {};
    }
    const RowSlot slot = *RowSlotOf(row);
    std::string titles;
    const GuideProgramme* most = nullptr;
    UtcSeconds mostSeconds = 0;
    for (const GuideProgramme& p : programmes) {
        // A slot cut a second short, to leave the next one room, still holds it.
        if (p.start + 1 >= slot.start && p.stop <= slot.end + 1) {
            titles += (titles.empty() ? "" : " / ") + p.title;
        }
        const UtcSeconds covered = std::min(p.stop, slot.end) - std::max(p.start, slot.start);
        if (covered > mostSeconds) {
            most = &p;
            mostSeconds = covered;
        }
    }
    return !titles.empty() || most == nullptr ? titles : most->title;
}

std::optional<TForm1::RowSlot> TForm1::RowSlotOf(int row) const {
    const ScheduleTable& table = schedule_->Table();
    const std::string& startDate = table.Cell(row, kStartDateColumn);
    const std::string& startTime = table.Cell(row, kStartTimeColumn);
    const std::string& endDate = table.Cell(row, kEndDateColumn);
    const std::string& endTime = table.Cell(row, kEndTimeColumn);
    if (!IsDateText(startDate) || !IsTimeText(startTime) || !IsDateText(endDate) ||
        !IsTimeText(endTime)) {
        return std::nullopt;
    }
    // The instants the schedule itself records between, the hour shown twice included.
    return RowSlot{InstantOfDateTime(startDate, startTime, kSlotStartReading),
                   InstantOfDateTime(endDate, endTime, kSlotEndReading)};
}

GuideWindow* TForm1::guideWindow() const {
    return guideWindow_.data();
}

void TForm1::BuildGuideControls() {
    GuideButton = new QPushButton(QStringLiteral("Guide TV"), this);
    GuideButton->setObjectName("GuideButton");
    GuideButton->setGeometry(598, 719, 136, 21);
    GuideStatusLabel = new QLabel(this);
    GuideStatusLabel->setObjectName("GuideStatusLabel");
    GuideStatusLabel->setGeometry(306, 722, 144, 16);
    QFont small = GuideStatusLabel->font();
    small.setPixelSize(11);
    GuideStatusLabel->setFont(small);

    NowNextLabel = new QLabel(Panel1);
    NowNextLabel->setObjectName("NowNextLabel");
    NowNextLabel->setGeometry(NowNextText(*Panel1));
    NowNextLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    NowNextLabel->setWordWrap(true);
    NowNextLabel->setStyleSheet("color: white;");
    NowNextLabel->hide();
    NowNextLogo = new QLabel(Panel1);
    NowNextLogo->setObjectName("NowNextLogo");
    NowNextLogo->setAlignment(Qt::AlignCenter);
    NowNextLogo->hide();

    nowNextTimer_ = new QTimer(this);
    nowNextTimer_->setObjectName("NowNextTimer");
    connect(nowNextTimer_, &QTimer::timeout, this, [this] { ShowNowAndNext(); });
}

void TForm1::StartGuide() {
    const GuideSettingsRead read = LoadGuideSettings(programFolder_);
    for (const std::string& warning : read.warnings) {
        AppendLog(warning);
    }
    guideTimer_ = std::make_unique<QtTimer>("GuideTimer", this);
    guide_ = std::make_unique<Guide>(
        programFolder_, read.settings,
        GuideSeams{*mainThread_, *guideTimer_, *this,
                   [] { return static_cast<UtcSeconds>(SystemTimeNow()); }, options_.webTimeouts});
    logos_ = std::make_unique<ChannelLogos>(*guide_, [this] { ShowNowAndNext(); });
    guide_->onChanged = [this] {
        ShowGuideStatus();
        ShowNowAndNext();
        ShowSchedule(); // the titles the guide gives the rows
        if (guideWindow_ != nullptr) {
            guideWindow_->Reload();
        }
    };
    guide_->Start(
        KaloreChannelsOf(std::vector<std::string>(channels_.names.begin(), channels_.names.end()),
                         ChannelFileText(programFolder_, settings_.provider)));
    ShowGuideStatus();
    ShowNowAndNext();
    nowNextTimer_->start(kNowNextIntervalMs);
}

void TForm1::ShowGuideStatus() {
    const QString status = QString::fromStdString(guide_->StatusText());
    GuideButton->setEnabled(guide_->HasSource());
    GuideButton->setToolTip(status);
    GuideStatusLabel->setToolTip(status);
    GuideStatusLabel->setText(guide_->HasSource()
                                  ? GuideStatusLabel->fontMetrics().elidedText(
                                        status, Qt::ElideRight, GuideStatusLabel->width())
                                  : QString());
}

TForm1::NowAndNext TForm1::ChannelNowAndNext(const std::string& channel) const {
    if (guide_ == nullptr) {
        return {};
    }
    NowAndNext shown;
    shown.text = NowNextText(guide_->NowAndNext(channel), guide_->Now());
    const auto id = guide_->GuideIdOf(channel);
    if (id && !shown.text.isEmpty()) {
        shown.logo = logos_->Logo(*id, kNowNextLogoBox);
    }
    return shown;
}

void TForm1::ShowChannelBanner() {
    const std::string channel = ComboBox2->currentText().toStdString();
    const NowAndNext shown = ChannelNowAndNext(channel);
    watch_->ShowBanner(QString::fromStdString(channel), shown.text, shown.logo);
}

void TForm1::ShowNowAndNext() {
    if (guide_ == nullptr) {
        return;
    }
    const NowAndNext shown = ChannelNowAndNext(ComboBox2->currentText().toStdString());
    const QString& text = shown.text;
    ComboBox2->setToolTip(text);
    NowNextLabel->setText(text);
    NowNextLabel->setVisible(!text.isEmpty());
    const QPixmap& logo = shown.logo;
    NowNextLogo->setPixmap(logo);
    NowNextLogo->setVisible(!logo.isNull());
    const QRect place = NowNextText(*Panel1);
    NowNextLogo->setGeometry(place.center().x() - kNowNextLogoBox.width() / 2,
                             Panel1->height() - kNowNextLogoFromBottom, kNowNextLogoBox.width(),
                             kNowNextLogoBox.height());
    NowNextLabel->setGeometry(
        logo.isNull() ? place
                      : place.adjusted(0, kNowNextLogoBox.height(), 0, kNowNextLogoBox.height()));
}

void TForm1::GuideButtonClick() {
    if (guide_ == nullptr || !guide_->HasSource()) {
        return;
    }
    if (guideWindow_ == nullptr) {
        GuideWindowActions actions;
        actions.programme = [this](const std::string& channel, const RecordingSlot& slot) {
            return ProgramFromGuide(channel, slot);
        };
        actions.programmeAll = [this](const std::string& channel, const std::string& title,
                                      const std::vector<RecordingSlot>& recordingSlots) {
            return ProgramAllFromGuide(channel, title, recordingSlots);
        };
        actions.programmed = [this](const GuideProgramme& programme) {
            return Programmed(programme);
        };
        guideWindow_ = new GuideWindow(*guide_, std::move(actions), this);
        PlaceBeside(*guideWindow_, *this);
    }
    guideWindow_->ShowChannel(ComboBox2->currentText().toStdString());
    guideWindow_->show();
    guideWindow_->raise();
    guideWindow_->activateWindow();
}

ScheduleEntryRequest TForm1::GuideRequest(const std::string& channel,
                                          const RecordingSlot& slot) const {
    ScheduleEntryRequest request;
    request.channel = channel;
    for (std::size_t i = 0; i < channels_.names.size(); ++i) {
        if (channels_.names[i] == channel) {
            request.url = std::string(channels_.addresses[i]);
            break;
        }
    }
    request.format = ComboBox1->currentText().toStdString();
    request.title = SlotTitle(slot);
    return request;
}

std::optional<std::string> TForm1::AddGuideSlot(const std::string& channel,
                                                const RecordingSlot& slot,
                                                std::vector<std::string>& told) {
    const PaddedSlot padded{{ScheduleSecondsOf(slot.start), ScheduleSecondsOf(slot.stop)},
                            {ScheduleSecondsOf(slot.programmes.front().start),
                             ScheduleSecondsOf(slot.programmes.back().stop)}};
    Schedule::PaddedResult result = schedule_->TryAddPaddedSlot(
        GuideRequest(channel, slot), padded, [this](int row) { return GuideCoreOf(row); });
    if (!result.refusal) {
        told.insert(told.end(), result.marginsGivenUp.begin(), result.marginsGivenUp.end());
        AddedToSchedule();
    }
    return result.refusal;
}

std::optional<SlotBounds> TForm1::GuideCoreOf(int row) const {
    // The programmes within the row's slot; only what the guide's margins add to
    // them may give way.
    const std::vector<GuideProgramme> programmes = GuideProgrammesOf(row);
    if (programmes.empty()) {
        return std::nullopt;
    }
    const RowSlot slot = *RowSlotOf(row);
    std::optional<SlotBounds> core;
    for (const GuideProgramme& p : programmes) {
        if (p.start < slot.start || p.stop > slot.end) {
            continue;
        }
        if (!core) {
            core = SlotBounds{p.start, p.stop};
        }
        core->start = std::min(core->start, p.start);
        core->end = std::max(core->end, p.stop);
    }
    const GuideSettings& padding = guide_->Settings();
    if (!core || core->start - slot.start > padding.paddingBeforeMinutes * 60 ||
        slot.end - core->end > padding.paddingAfterMinutes * 60) {
        return std::nullopt;
    }
    return SlotBounds{ScheduleSecondsOf(core->start), ScheduleSecondsOf(core->end)};
}

bool TForm1::Programmed(const GuideProgramme& programme) const {
    const std::string channel = guide_->KaloreNameOf(programme.channelId);
    const ScheduleTable& table = schedule_->Table();
    for (int row = 1; row <= table.RowCount() - 2; ++row) {
        const std::string& status = table.Cell(row, kStatusColumn);
        if (table.Cell(row, kChannelColumn) != channel || status == kStatusMissed ||
            status == kStatusFailed) {
            continue;
        }
        // Most of it: a slot cut short by a second still records it.
        const std::optional<RowSlot> slot = RowSlotOf(row);
        const UtcSeconds covered =
            slot ? std::min(slot->end, programme.stop) - std::max(slot->start, programme.start) : 0;
        if (covered * 2 > programme.stop - programme.start) {
            return true;
        }
    }
    return false;
}

ProgrammeOutcome TForm1::ProgramFromGuide(const std::string& channel, const RecordingSlot& slot) {
    std::vector<std::string> told;
    if (const auto refusal = AddGuideSlot(channel, slot, told)) {
        return {false, *refusal};
    }
    const int row = schedule_->Table().RowCount() - 2;
    const ScheduleTable& table = schedule_->Table();
    std::string text = "Programmé : « " + SlotTitle(slot) + " » sur " + channel + ", le " +
                       table.Cell(row, kStartDateColumn) + " de " +
                       table.Cell(row, kStartTimeColumn) + " à " + table.Cell(row, kEndTimeColumn) +
                       ".";
    for (const std::string& line : told) {
        text += "\r" + line;
    }
    return {true, text};
}

ProgrammeOutcome TForm1::ProgramAllFromGuide(const std::string& channel, const std::string& title,
                                             const std::vector<RecordingSlot>& recordingSlots) {
    const QString quoted = QStringLiteral("« ") + QString::fromStdString(title) + " »";
    if (recordingSlots.empty()) {
        return {false, (QStringLiteral("Aucun épisode à venir de ") + quoted + " sur " +
                        QString::fromStdString(channel) + ".")
                           .toStdString()};
    }
    int added = 0;
    QStringList skipped;
    std::vector<std::string> told;
    for (const RecordingSlot& slot : recordingSlots) {
        const std::optional<std::string> refusal = AddGuideSlot(channel, slot, told);
        if (!refusal) {
            ++added;
            continue;
        }
        const UtcSeconds shown = slot.programmes.front().start;
        skipped << GuideDayText(shown) + " " + GuideTimeText(shown) + " : " +
                       QString::fromStdString(*refusal).replace('\r', ' ');
    }
    QString summary = quoted + " : " + QString::number(added) + " enregistrement(s) programmé(s)";
    if (!skipped.isEmpty()) {
        summary += ", " + QString::number(skipped.size()) + " ignoré(s) :\r" + skipped.join('\r');
    }
    for (const std::string& line : told) {
        summary += "\r" + QString::fromStdString(line);
    }
    return {added > 0, summary.toStdString()};
}

} // namespace kalore
