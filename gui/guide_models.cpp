#include "gui/guide_models.h"

#include <QDateTime>
#include <QLocale>
#include <QPainter>

#include "guide/guide.h"

namespace kalore {
namespace {

QDateTime Local(UtcSeconds utc) {
    return QDateTime::fromSecsSinceEpoch(utc);
}

} // namespace

QString GuideTimeText(UtcSeconds utc) {
    return Local(utc).toString(QStringLiteral("HH:mm"));
}

QString GuideIntervalText(UtcSeconds start, UtcSeconds stop) {
    return GuideTimeText(start) + QStringLiteral(" – ") + GuideTimeText(stop);
}

QString GuideDayText(UtcSeconds utc) {
    // The program speaks French whatever the system's language.
    return QLocale(QLocale::French, QLocale::France)
        .toString(Local(utc).date(), QStringLiteral("ddd d MMM"));
}

GuideProgrammeModel::GuideProgrammeModel(std::function<std::string(const std::string&)> channelName,
                                         QObject* parent)
    : QAbstractTableModel(parent),
      channelName_(std::move(channelName)), columns_{Column::Time, Column::Title,
                                                     Column::SubTitle} {}

void GuideProgrammeModel::ShowDay(std::vector<GuideProgramme> programmes) {
    Show(std::move(programmes), {Column::Time, Column::Title, Column::SubTitle});
}

void GuideProgrammeModel::ShowSearch(std::vector<GuideProgramme> programmes) {
    Show(std::move(programmes),
         {Column::Day, Column::Time, Column::Channel, Column::Title, Column::SubTitle});
}

void GuideProgrammeModel::Show(std::vector<GuideProgramme> programmes,
                               std::vector<Column> columns) {
    beginResetModel();
    programmes_ = std::move(programmes);
    columns_ = std::move(columns);
    endResetModel();
}

const GuideProgramme* GuideProgrammeModel::At(int row) const {
    return row >= 0 && row < rowCount() ? &programmes_[static_cast<std::size_t>(row)] : nullptr;
}

int GuideProgrammeModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(programmes_.size());
}

int GuideProgrammeModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QPixmap ProgrammedMark() {
    QPixmap mark(kProgrammedMarkSize, kProgrammedMarkSize);
    mark.fill(Qt::transparent);
    QPainter painter(&mark);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xd0, 0x10, 0x10));
    painter.drawEllipse(mark.rect().adjusted(1, 1, -1, -1));
    return mark;
}

void GuideProgrammeModel::ShowMarks() {
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::DecorationRole, Qt::ToolTipRole});
    }
}

QVariant GuideProgrammeModel::data(const QModelIndex& index, int role) const {
    const GuideProgramme* p = At(index.row());
    if (p == nullptr || index.column() >= columnCount()) {
        return {};
    }
    const bool title = columns_[static_cast<std::size_t>(index.column())] == Column::Title;
    if ((role == Qt::DecorationRole || role == Qt::ToolTipRole) && title && programmed &&
        programmed(*p)) {
        static const QPixmap mark = ProgrammedMark();
        return role == Qt::DecorationRole ? QVariant(mark) : QVariant(QStringLiteral("Programmé"));
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (columns_[static_cast<std::size_t>(index.column())]) {
    case Column::Day:
        return GuideDayText(p->start);
    case Column::Time:
        return GuideIntervalText(p->start, p->stop);
    case Column::Channel:
        return QString::fromStdString(channelName_(p->channelId));
    case Column::Title:
        return QString::fromStdString(p->title);
    case Column::SubTitle:
        return QString::fromStdString(p->subTitle);
    }
    return {};
}

QVariant GuideProgrammeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= columnCount()) {
        return {};
    }
    switch (columns_[static_cast<std::size_t>(section)]) {
    case Column::Day:
        return QStringLiteral("Jour");
    case Column::Time:
        return QStringLiteral("Heure");
    case Column::Channel:
        return QStringLiteral("Chaîne");
    case Column::Title:
        return QStringLiteral("Titre");
    case Column::SubTitle:
        return QStringLiteral("Sous-titre");
    }
    return {};
}

GuideChannelListModel::GuideChannelListModel(const Guide& guide, QObject* parent)
    : QStringListModel(parent), guide_(guide), logos_(guide, [this] {
          emit dataChanged(index(0), index(rowCount() - 1), {Qt::DecorationRole});
      }) {}

QVariant GuideChannelListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DecorationRole) {
        return QStringListModel::data(index, role);
    }
    const auto id =
        guide_.GuideIdOf(QStringListModel::data(index, Qt::DisplayRole).toString().toStdString());
    const QPixmap logo = id ? logos_.Logo(*id, kLogoBox) : QPixmap();
    return logo.isNull() ? QVariant() : QVariant(logo);
}

} // namespace kalore
