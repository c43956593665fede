// The main window's handlers: each reads its controls and calls the core; the
// Show* functions bring the controls in line with the core's state.
#include "gui/main_window.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDesktopServices>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimeEdit>
#include <QUrl>

#include "channels/channel_file.h"
#include "gui/guide_window.h"
#include "gui/message_box.h"
#include "gui/schedule_models.h"
#include "gui/text_list_model.h"
#include "player/live_view.h"
#include "recorder/recording_controller.h"
#include "schedule/date_time_text.h"
#include "schedule/schedule.h"
#include "seams/clock.h"

namespace kalore {
namespace {

LocalDateTime DateAndTime(const QDate& date, const QTime& time) {
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

} // namespace

void TForm1::ConnectControls() {
    const std::pair<QPushButton*, void (TForm1::*)()> buttons[] = {
        {Button1, &TForm1::Button1Click},
        {Button2, &TForm1::Button2Click},
        {Button3, &TForm1::Button3Click},
        {Button4, &TForm1::Button4Click},
        {Button5, &TForm1::Button5Click},
        {Button6, &TForm1::Button6Click},
        {Button7, &TForm1::Button7Click},
        {Button8, &TForm1::Button8Click},
        {Button9, &TForm1::Button9Click},
        {Button10, &TForm1::Button10Click},
        {Button11, &TForm1::Button11Click},
        {Button12, &TForm1::Button12Click},
        {Button13, &TForm1::Button13Click},
        {GuideButton, &TForm1::GuideButtonClick},
        {RecordingsButton, &TForm1::RecordingsButtonClick},
        {JournalButton, &TForm1::JournalButtonClick}};
    for (const auto& [button, handler] : buttons) {
        connect(button, &QPushButton::clicked, this, handler);
    }
    connect(Edit2, &QLineEdit::textChanged, this,
            [this](const QString& text) { settings_.outputPath = text.toStdString(); });
    connect(ComboBox2, &QComboBox::activated, this, &TForm1::ChooseChannel);
    // Typing into the channel box leaves no channel selected.
    connect(ComboBox2->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        channels_.selectedIndex = -1;
        channels_.nameText = text.toStdString();
        ShowNowAndNext();
    });
    connect(StringGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) {
                    schedule_->Table().SetSelectedRow(gridOrder_->TableRowAt(current.row()));
                }
            });
}

void TForm1::ShowChannels() {
    const auto show = [this](QComboBox* box, TextListModel* model, const std::string& text) {
        QSignalBlocker blocker(box);
        model->Refresh();
        box->setCurrentIndex(channels_.selectedIndex);
        box->setEditText(QString::fromStdString(text));
    };
    show(ComboBox2, channelNamesModel_, channels_.nameText);
    show(ComboBox3, channelAddressesModel_, channels_.addressText);
}

void TForm1::ShowSchedule() {
    gridModel_->Refresh();
    urlModel_->Refresh();
    if (guideWindow_ != nullptr) {
        guideWindow_->ShowMarks();
    }
    const int row = gridOrder_->GridRowOf(schedule_->Table().SelectedRow());
    if (row >= 0) {
        QSignalBlocker blocker(StringGrid1->selectionModel());
        StringGrid1->selectRow(row);
    }
}

void TForm1::ShowRecorderButtons() {
    Button4->setEnabled(recorder_->CanRecordNow());
    Button9->setEnabled(recorder_->CanStopRecordNow());
}

void TForm1::ShowRecordingProgress() {
    QStringList lines;
    for (const RecordingProgress& progress : recorder_->Progress()) {
        lines << QString::fromStdString(ProgressLine(progress));
    }
    RecordingStatus->setText(lines.join(QStringLiteral("   |   ")));
    RecordingStatus->setToolTip(lines.join('\n'));
}

void TForm1::Button1Click() {
    if (live_->Watch(channels_.SelectedAddress())) {
        Button8->setEnabled(true);
        ShowChannelBanner();
    }
    ShowWatching();
}

void TForm1::Button8Click() {
    live_->StopWatching();
    Button8->setEnabled(false);
    ShowWatching();
}

void TForm1::Button4Click() {
    recorder_->RecordNow(channels_.SelectedAddress(), ComboBox1->currentText().toStdString(),
                         Edit2->text().toStdString(), ComboBox2->currentText().toStdString());
    ShowRecorderButtons();
}

void TForm1::Button9Click() {
    recorder_->StopRecordNow();
    ShowRecorderButtons();
}

void TForm1::Button2Click() {
    recorder_->StopLatestRecording();
    ShowRecorderButtons();
}

void TForm1::Timer2Timer() {
    recorder_->EndProgrammedRecording();
    ShowRecorderButtons();
}

void TForm1::Button3Click() {
    Memo1->clear();
    // The next line is the first again, not one after an empty line.
    logLines_ = 0;
}

void TForm1::Button5Click() {
    if (const FileResult read = AppendOrangeChannelLinesWhole(programFolder_, channels_);
        !read.ok()) {
        ShowMessage(read.error);
    }
    ShowChannels();
}

void TForm1::Button6Click() {
    for (const auto& line : SelectedIndexLogLines(channels_)) {
        AppendLog(line);
    }
}

void TForm1::Button7Click() {
    schedule_->StringGrid2File();
}

void TForm1::Button10Click() {
    AddScheduleEntry(EntryRequestFromControls());
}

void TForm1::AddScheduleEntry(const ScheduleEntryRequest& request) {
    if (schedule_->AddScheduledRecording(request)) {
        AddedToSchedule();
    }
}

void TForm1::AddedToSchedule() {
    // The new entry is the table's last one, above the input row.
    const int added = gridOrder_->GridRowOf(schedule_->Table().RowCount() - 2);
    StringGrid1->scrollTo(gridOrder_->index(added, 0));
}

ScheduleEntryRequest TForm1::EntryRequestFromControls() const {
    ScheduleEntryRequest request;
    request.startDate = DateText(DateAndTime(MonthCalendar1->selectedDate(), {}));
    request.startTime = TimeText(DateAndTime({}, DateTimePicker1->time()));
    request.endDate = DateText(DateAndTime(MonthCalendar2->selectedDate(), {}));
    request.endTime = TimeText(DateAndTime({}, DateTimePicker2->time()));
    request.channel = ComboBox2->currentText().toStdString();
    request.url = channels_.SelectedAddress();
    request.format = ComboBox1->currentText().toStdString();
    return request;
}

void TForm1::Button11Click() {
    schedule_->DeleteSelectedEntry();
}

void TForm1::Button12Click() {
    // One click must not lose every entry, nor stop a recording, record now included.
    if ((schedule_->Table().EntryCount() > 0 || !recorder_->Progress().empty()) &&
        !AskYesNoBox(this,
                     "Vider tous les enregistrements ?\rLes enregistrements programmés seront "
                     "supprimés du tableau et ceux en cours arrêtés.")) {
        return;
    }
    schedule_->ClearAllEntries([this] { recorder_->StopAllRecordings(); });
    ShowRecorderButtons();
}

void TForm1::Button13Click() {
    const std::string folder = programFolder_ + "RECORDS";
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)))) {
        ShowMessage("Aucun gestionnaire de fichiers n'a pu être ouvert.\rLes enregistrements "
                    "programmés sont dans le dossier :\r" +
                    folder);
    }
}

} // namespace kalore
