#include "gui/recordings_window.h"

#include <filesystem>
#include <map>

#include <QDateTime>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/keyboard_access.h"
#include "gui/message_box.h"
#include "gui/recording_player_window.h"
#include "gui/screen_placement.h"
#include "guide/sqlite_database.h"
#include "platform/trash.h"
#include "player/vlc_plugin.h"

namespace kalore {
namespace {

constexpr int kIdRole = Qt::UserRole;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QString Length(std::int64_t seconds) {
    if (seconds <= 0) {
        return {};
    }
    return QString("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QChar('0'))
        .arg(seconds / 60 % 60, 2, 10, QChar('0'))
        .arg(seconds % 60, 2, 10, QChar('0'));
}

QString Size(std::uint64_t bytes) {
    static const QLocale french(QLocale::French);
    return french.toString(static_cast<double>(bytes) / 1e6, 'f', 1) + " Mo";
}

// Local time without asking the time zone for each of thousands of rows: one
// offset per hour seen.
QString StartText(std::int64_t startedAt) {
    static std::map<std::int64_t, int> offsets;
    const std::int64_t hour = startedAt / 3600;
    auto found = offsets.find(hour);
    if (found == offsets.end()) {
        found =
            offsets.emplace(hour, QDateTime::fromSecsSinceEpoch(startedAt).offsetFromUtc()).first;
    }
    return QDateTime::fromSecsSinceEpoch(startedAt + found->second, Qt::UTC)
        .toString("dd/MM/yyyy HH:mm:ss");
}

QString Outcome(const RecordingEntry& entry) {
    if (entry.running) {
        return QStringLiteral("Enregistrement..");
    }
    if (entry.missing) {
        return entry.outcome.empty() ? QStringLiteral("introuvable")
                                     : Text(entry.outcome) + QStringLiteral(", introuvable");
    }
    return Text(entry.outcome);
}

// The programme, its channel and start, and each of its files (the first few of many).
std::string TrashQuestion(const RecordingEntry& entry) {
    constexpr std::size_t kFilesNamed = 5;
    std::string question = "Mettre « " + entry.title + " » (" + entry.channel + ", " +
                           StartText(entry.startedAt).toStdString() + ") à la corbeille ?";
    for (std::size_t i = 0; i < entry.files.size() && i < kFilesNamed; ++i) {
        question += "\r" + entry.files[i];
    }
    if (entry.files.size() > kFilesNamed) {
        question += "\r… et " + std::to_string(entry.files.size() - kFilesNamed) + " autre(s)";
    }
    return question;
}

QString FolderOf(const std::string& file) {
    return Text(std::filesystem::path(file).parent_path().string());
}

} // namespace

RecordingsWindow::RecordingsWindow(RecordingStore& store, RecordingsWindowActions actions,
                                   QWidget* parent)
    : QWidget(parent, Qt::Window), store_(store), actions_(std::move(actions)) {
    setObjectName("RecordingsWindow");
    setWindowTitle(QStringLiteral("Mes enregistrements"));
    CloseOnEscape(*this);
    resize(900, 480);
    search_ = new QLineEdit(this);
    search_->setObjectName("RecordingsSearch");
    search_->setPlaceholderText(QStringLiteral("Rechercher une chaîne, un programme, un fichier"));
    search_->setClearButtonEnabled(true);
    list_ = new QTreeWidget(this);
    list_->setObjectName("RecordingsList");
    list_->setHeaderLabels(
        {"Chaîne", "Programme", "Début", "Durée", "Taille", "Format", "Résultat", "Raisons"});
    list_->setRootIsDecorated(true);
    list_->setUniformRowHeights(true);
    list_->header()->setSectionResizeMode(QHeaderView::Interactive);
    play_ = new QPushButton(QStringLiteral("Lire"), this);
    play_->setObjectName("RecordingsPlay");
    folder_ = new QPushButton(QStringLiteral("Afficher dans le dossier"), this);
    delete_ = new QPushButton(QStringLiteral("Mettre à la corbeille"), this);
    delete_->setObjectName("RecordingsTrash");
    stop_ = new QPushButton(QStringLiteral("Arrêter l'enregistrement"), this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {play_, folder_, delete_, stop_}) {
        buttons->addWidget(button);
    }
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(search_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    connect(search_, &QLineEdit::textChanged, this, [this] { ShowList(); });
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] { ShowButtons(); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { PlaySelected(); });
    connect(play_, &QPushButton::clicked, this, [this] { PlaySelected(); });
    connect(folder_, &QPushButton::clicked, this, [this] { ShowSelectedInFolder(); });
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(stop_, &QPushButton::clicked, this, [this] { StopSelected(); });
    Reload();
}

void RecordingsWindow::Reload() {
    try {
        store_.ReopenIfLost();
    } catch (const SqliteError& error) {
        ShowMessageBox(this, "La liste des enregistrements n'a pu être mise à jour : " +
                                 std::string(error.what()));
    }
    ShowList();
}

void RecordingsWindow::ShowList() {
    entries_ = store_.List(search_->text().toStdString());
    list_->setUpdatesEnabled(false);
    list_->clear();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(entries_.size()));
    for (std::size_t index = 0; index < entries_.size(); ++index) {
        const RecordingEntry& entry = entries_[index];
        auto* row =
            new QTreeWidgetItem({Text(entry.channel), Text(entry.title), StartText(entry.startedAt),
                                 Length(entry.recordedSeconds), Size(entry.bytes),
                                 Text(entry.format), Outcome(entry), Text(entry.reasons)});
        row->setData(0, kIdRole, static_cast<qulonglong>(index));
        row->setToolTip(1, entry.files.empty() ? QString() : Text(entry.files.front()));
        if (entry.missing) {
            // Kept, greyed: a disk not mounted yet brings it back whole.
            for (int column = 0; column < row->columnCount(); ++column) {
                row->setForeground(column,
                                   list_->palette().brush(QPalette::Disabled, QPalette::Text));
            }
            row->setToolTip(6, QStringLiteral("Fichier introuvable : disque débranché, fichier "
                                              "déplacé ou supprimé ?"));
        }
        if (entry.files.size() > 1) {
            for (const std::string& file : entry.files) {
                auto* part = new QTreeWidgetItem(
                    row, {QString(), Text(std::filesystem::path(file).filename().string())});
                part->setData(0, kIdRole, static_cast<qulonglong>(index));
                part->setToolTip(1, Text(file));
            }
        }
        rows.append(row);
    }
    list_->addTopLevelItems(rows);
    FitColumns();
    list_->setUpdatesEnabled(true);
    ShowButtons();
}

void RecordingsWindow::FitColumns() {
    // Each column as wide as what it shows (the reasons, last, take the rest), so no
    // date loses its time and no channel its end. Measured on the newest rows, the
    // ones in view: ten thousand rows measured whole would slow every keystroke.
    constexpr int kRowsMeasured = 200;
    constexpr int kPadding = 16;
    const QFontMetrics metrics = list_->fontMetrics();
    const int rows = std::min(list_->topLevelItemCount(), kRowsMeasured);
    for (int column = 0; column + 1 < list_->columnCount(); ++column) {
        int width = list_->header()->sectionSizeHint(column);
        for (int row = 0; row < rows; ++row) {
            width =
                std::max(width, metrics.horizontalAdvance(list_->topLevelItem(row)->text(column)) +
                                    kPadding);
        }
        // The tree's own indentation comes before the first column's text.
        list_->setColumnWidth(column, width + (column == 0 ? list_->indentation() : 0));
    }
}

const RecordingEntry* RecordingsWindow::Selected() const {
    const QTreeWidgetItem* item = list_->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return nullptr;
    }
    const auto index = item->data(0, kIdRole).toULongLong();
    return index < entries_.size() ? &entries_[index] : nullptr;
}

void RecordingsWindow::ShowButtons() {
    const RecordingEntry* entry = Selected();
    const bool hasFiles = entry != nullptr && !entry->files.empty();
    play_->setEnabled(hasFiles && !entry->missing);
    folder_->setEnabled(hasFiles);
    delete_->setEnabled(entry != nullptr && !entry->running);
    stop_->setEnabled(entry != nullptr && entry->running);
}

void RecordingsWindow::PlaySelected() {
    const RecordingEntry* entry = Selected();
    if (entry == nullptr || entry->files.empty() || entry->missing) {
        return;
    }
    try {
        auto* player = new RecordingPlayerWindow(Text(entry->title), entry->files,
                                                 actions_.libvlcArgs(), this);
        KeepInsideScreen(*player, *this);
        player->show();
        lastPlayer_ = player;
    } catch (const VlcError& error) {
        ShowMessageBox(this, "Cet enregistrement ne peut être lu : " + std::string(error.what()));
    }
}

void RecordingsWindow::ShowSelectedInFolder() {
    const RecordingEntry* entry = Selected();
    if (entry == nullptr || entry->files.empty()) {
        return;
    }
    const QString folder = FolderOf(entry->files.front());
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) {
        ShowMessageBox(this, "Aucun gestionnaire de fichiers n'a pu être ouvert.\rCet "
                             "enregistrement est dans le dossier :\r" +
                                 folder.toStdString());
    }
}

void RecordingsWindow::DeleteSelected() {
    const RecordingEntry* entry = Selected();
    if (entry == nullptr || entry->running) {
        return;
    }
    if (!AskYesNoBox(this, TrashQuestion(*entry))) {
        return;
    }
    std::string refused;
    for (const std::string& file : entry->files) {
        if (!std::filesystem::exists(std::filesystem::symlink_status(file))) {
            continue; // gone already: only the row is left to remove
        }
        if (const std::string why = MoveToTrash(file); !why.empty()) {
            refused += "\r" + file + " (" + why + ")";
        }
    }
    if (!refused.empty()) {
        ShowMessageBox(this, "Ces fichiers n'ont pu être mis à la corbeille, ils sont gardés :" +
                                 refused);
        ShowList();
        return;
    }
    try {
        store_.Forget(entry->id);
    } catch (const SqliteError& error) {
        ShowMessageBox(this, "La liste des enregistrements n'a pu être mise à jour : " +
                                 std::string(error.what()));
    }
    ShowList();
}

void RecordingsWindow::StopSelected() {
    const RecordingEntry* entry = Selected();
    if (entry == nullptr || !entry->running) {
        return;
    }
    if (!actions_.stop(entry->id)) {
        ShowMessageBox(this, "Cet enregistrement n'est plus en cours.");
    }
    ShowList();
}

} // namespace kalore
