#include "gui/guide_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSplitter>
#include <QStringListModel>
#include <QTableView>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/focus_ring.h"
#include "gui/guide_grid_page.h"
#include "gui/guide_grid_view.h"
#include "gui/guide_models.h"
#include "gui/keyboard_access.h"
#include "gui/message_box.h"
#include "guide/guide.h"

namespace kalore {
namespace {

constexpr int kDays = 14;
// A single character would match nearly every title: the search starts at two.
constexpr int kSearchMinimum = 2;

QString Html(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped();
}

} // namespace

GuideWindow::GuideWindow(Guide& guide, GuideWindowActions actions, QWidget* parent)
    : QWidget(parent, Qt::Window), guide_(guide), actions_(std::move(actions)) {
    setObjectName("GuideWindow");
    setWindowTitle(QStringLiteral("Guide TV"));
    resize(940, 640);
    BuildControls();
    CloseOnEscape(*this);
    MoveDownIntoResults(*search_, *table_);
    new FocusRing(*this);
    Reload();
}

GuideWindow::~GuideWindow() = default;

void GuideWindow::BuildControls() {
    const auto named = [](auto* widget, const char* name) {
        widget->setObjectName(name);
        return widget;
    };
    search_ = named(new QLineEdit(this), "GuideSearch");
    search_->setPlaceholderText(QStringLiteral("Rechercher un titre sur toutes les chaînes…"));
    search_->setClearButtonEnabled(true);
    refresh_ = named(new QPushButton(QStringLiteral("Mettre à jour"), this), "GuideRefresh");

    channelNames_ = new GuideChannelListModel(guide_, this);
    channels_ = named(new QListView(this), "GuideChannels");
    channels_->setModel(channelNames_);
    channels_->setIconSize(GuideChannelListModel::kLogoBox);
    // Rows of one height: the list lays out without asking every row for its logo,
    // so only the logos on screen are read.
    channels_->setUniformItemSizes(true);
    channels_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    days_ = named(new QComboBox(this), "GuideDays");

    programmes_ = new GuideProgrammeModel(
        [this](const std::string& id) { return guide_.KaloreNameOf(id); }, this);
    table_ = named(new QTableView(this), "GuideProgrammes");
    table_->setModel(programmes_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->setStretchLastSection(true);
    description_ = named(new QTextBrowser(this), "GuideDescription");

    programme_ = named(new QPushButton(QStringLiteral("Programmer"), this), "GuideProgrammeButton");
    programmeAll_ = named(new QPushButton(QStringLiteral("Programmer tous les épisodes"), this),
                          "GuideProgrammeAllButton");
    status_ = named(new QLabel(this), "GuideStatus");
    status_->setWordWrap(true);
    outcome_ = named(new QLabel(this), "GuideOutcome");
    outcome_->setWordWrap(true);
    outcome_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    gridButton_ = named(new QPushButton(QStringLiteral("Grille"), this), "GuideGridButton");
    gridButton_->setCheckable(true);
    gridPage_ = new GuideGridPage(guide_, this);
    gridPage_->hide();

    auto* top = new QHBoxLayout;
    top->addWidget(search_, 1);
    top->addWidget(gridButton_);
    top->addWidget(refresh_);
    auto* dayColumn = new QWidget(this);
    auto* dayLayout = new QVBoxLayout(dayColumn);
    dayLayout->setContentsMargins(0, 0, 0, 0);
    dayLayout->addWidget(days_);
    dayLayout->addWidget(table_, 1);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(channels_);
    split->addWidget(dayColumn);
    split->setSizes({200, 740});
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(programme_);
    buttons->addWidget(programmeAll_);
    buttons->addStretch(1);
    listView_ = new QWidget(this);
    auto* listLayout = new QVBoxLayout(listView_);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(split, 3);
    listLayout->addWidget(description_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(listView_, 1);
    layout->addWidget(gridPage_, 1);
    layout->addLayout(buttons);
    layout->addWidget(outcome_);
    layout->addWidget(status_);

    connect(search_, &QLineEdit::textChanged, this, [this] { ShowProgrammes(); });
    connect(refresh_, &QPushButton::clicked, this, [this] { guide_.Refresh(); });
    connect(channels_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { ShowProgrammes(); });
    connect(days_, &QComboBox::currentIndexChanged, this, [this] { ShowProgrammes(); });
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { ShowDescription(); });
    connect(programme_, &QPushButton::clicked, this, &GuideWindow::ProgrammeClick);
    connect(programmeAll_, &QPushButton::clicked, this, &GuideWindow::ProgrammeAllClick);
    connect(gridButton_, &QPushButton::toggled, this, &GuideWindow::ShowGrid);
    // A search shows its results in the list.
    connect(search_, &QLineEdit::textEdited, gridButton_,
            [this] { gridButton_->setChecked(false); });
    gridPage_->Grid().onActivated = [this] {
        ProgrammeFromGrid();
    };
    gridPage_->Grid().onSelected = [this] {
        ShowButtons();
    };
    programmes_->programmed = actions_.programmed;
    gridPage_->Grid().programmed = actions_.programmed;
}

void GuideWindow::ShowMarks() {
    programmes_->ShowMarks();
    gridPage_->Grid().viewport()->update();
}

QString GuideWindow::OutcomeText() const {
    return outcome_->text();
}

void GuideWindow::ShowButtons() {
    // In the grid, its own selection counts, not the list's.
    const bool picked =
        gridButton_->isChecked() ? gridPage_->Grid().Selected() != nullptr : Selected() != nullptr;
    programme_->setEnabled(picked);
    programmeAll_->setEnabled(picked);
}

void GuideWindow::Tell(const ProgrammeOutcome& outcome, bool box) {
    outcome_->setText(QString::fromStdString(outcome.text).replace('\r', '\n'));
    if (box || !outcome.added) {
        ShowMessageBox(this, outcome.text);
    }
}

void GuideWindow::ShowGrid(bool grid) {
    listView_->setVisible(!grid);
    gridPage_->setVisible(grid);
    programmeAll_->setVisible(!grid);
    if (grid) {
        gridPage_->Grid().setFocus();
    }
    ShowButtons();
}

void GuideWindow::ProgrammeFromGrid() {
    const GuideProgramme* p = gridPage_->Grid().Selected();
    if (p == nullptr || !actions_.programme) {
        return;
    }
    const GuideSettings& s = guide_.Settings();
    Tell(actions_.programme(
             gridPage_->Grid().SelectedChannel(),
             RecordingSlots({*p}, s.paddingBeforeMinutes, s.paddingAfterMinutes).front()),
         false);
}

void GuideWindow::FillDays() {
    UtcSeconds day = LocalDayStart(guide_.Now());
    // Refilled only when today changed: a window left open past midnight.
    if (days_->count() > 0 && days_->itemData(0).toLongLong() == day) {
        return;
    }
    const QSignalBlocker blocker(days_);
    days_->clear();
    for (int i = 0; i < kDays; ++i) {
        QString text = GuideDayText(day);
        if (i == 0) {
            text = QStringLiteral("Aujourd'hui (") + text + ")";
        }
        days_->addItem(text, QVariant::fromValue<qint64>(day));
        day = LocalDayStartAfter(day, 1);
    }
}

void GuideWindow::Reload() {
    status_->setText(QString::fromStdString(guide_.StatusText()));
    refresh_->setEnabled(guide_.HasSource() && !guide_.Updating());
    if (generation_ == guide_.Generation()) {
        return;
    }
    generation_ = guide_.Generation();
    const std::string current = SelectedChannelName();
    QStringList names;
    for (const GuideChannelEntry& entry : guide_.Channels()) {
        names << QString::fromStdString(entry.kaloreName);
    }
    {
        const QSignalBlocker blocker(channels_->selectionModel());
        channelNames_->setStringList(names);
        const int row = static_cast<int>(names.indexOf(QString::fromStdString(current)));
        channels_->setCurrentIndex(channelNames_->index(row >= 0 ? row : 0));
    }
    gridPage_->Grid().Reload();
    FillDays();
    ShowProgrammes();
}

void GuideWindow::ShowChannel(const std::string& kaloreName) {
    const int row =
        static_cast<int>(channelNames_->stringList().indexOf(QString::fromStdString(kaloreName)));
    search_->clear();
    FillDays();
    days_->setCurrentIndex(0);
    if (row >= 0) {
        channels_->setCurrentIndex(channelNames_->index(row));
    }
    ShowProgrammes();
    const UtcSeconds now = guide_.Now();
    const auto& shown = programmes_->Programmes();
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i].stop > now) {
            const int row = static_cast<int>(i);
            table_->selectRow(row);
            // Once the window is laid out, the programme on now comes first in view.
            QTimer::singleShot(0, table_, [this, row] {
                table_->scrollTo(programmes_->index(row, 0), QAbstractItemView::PositionAtTop);
            });
            break;
        }
    }
}

bool GuideWindow::Searching() const {
    return search_->text().trimmed().size() >= kSearchMinimum;
}

void GuideWindow::ShowProgrammes() {
    const bool searching = Searching();
    const std::string text = search_->text().trimmed().toStdString();
    channels_->setEnabled(!searching);
    days_->setEnabled(!searching);
    if (searching) {
        programmes_->ShowSearch(guide_.Search(text));
    } else {
        const auto id = guide_.GuideIdOf(SelectedChannelName());
        programmes_->ShowDay(id ? guide_.Day(*id, days_->currentData().toLongLong())
                                : std::vector<GuideProgramme>());
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    ShowDescription();
}

const GuideProgramme* GuideWindow::Selected() const {
    return programmes_->At(table_->selectionModel()->currentIndex().row());
}

std::string GuideWindow::SelectedChannelName() const {
    // A search's results may be on any channel; the list names the channel otherwise.
    if (Searching()) {
        const GuideProgramme* p = Selected();
        return p != nullptr ? guide_.KaloreNameOf(p->channelId) : std::string();
    }
    return channels_->currentIndex().data().toString().toStdString();
}

void GuideWindow::ShowDescription() {
    const GuideProgramme* p = Selected();
    ShowButtons();
    if (p == nullptr) {
        description_->clear();
        return;
    }
    QString html = "<b>" + Html(p->title) + "</b>";
    if (!p->subTitle.empty()) {
        html += "<br><i>" + Html(p->subTitle) + "</i>";
    }
    html += "<br>" + GuideDayText(p->start) + ", " + GuideIntervalText(p->start, p->stop) + " · " +
            Html(guide_.KaloreNameOf(p->channelId));
    QStringList details;
    for (const std::string* detail : {&p->category, &p->episode}) {
        if (!detail->empty()) {
            details << Html(*detail);
        }
    }
    if (!details.isEmpty()) {
        html += "<br>" + details.join(" · ");
    }
    if (!p->description.empty()) {
        html += "<p>" + Html(p->description) + "</p>";
    }
    description_->setHtml(html);
}

void GuideWindow::ProgrammeClick() {
    if (gridButton_->isChecked()) {
        ProgrammeFromGrid();
        return;
    }
    const GuideProgramme* p = Selected();
    if (p == nullptr || !actions_.programme) {
        return;
    }
    const GuideSettings& s = guide_.Settings();
    const std::vector<RecordingSlot> recordingSlots =
        RecordingSlots({*p}, s.paddingBeforeMinutes, s.paddingAfterMinutes);
    Tell(actions_.programme(SelectedChannelName(), recordingSlots.front()), false);
}

void GuideWindow::ProgrammeAllClick() {
    const GuideProgramme* p = Selected();
    if (p == nullptr || !actions_.programmeAll) {
        return;
    }
    const GuideSettings& s = guide_.Settings();
    // Copied first: the window may reload while the main window programs.
    const GuideProgramme picked = *p;
    Tell(actions_.programmeAll(SelectedChannelName(), picked.title,
                               RecordingSlots(guide_.Episodes(picked), s.paddingBeforeMinutes,
                                              s.paddingAfterMinutes)),
         true);
}

} // namespace kalore
