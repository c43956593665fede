#include "gui/schedule_models.h"

#include "schedule/schedule_table.h"

namespace kalore {

ScheduleGridModel::ScheduleGridModel(const ScheduleTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {}

int ScheduleGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_.RowCount() - 1;
}

int ScheduleGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kScheduleColumns;
}

QVariant ScheduleGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::ToolTipRole) {
        const std::string title = table_.Title(index.row() + 1);
        return title.empty() ? QVariant() : QVariant(QString::fromStdString(title));
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    return QString::fromStdString(table_.Cell(index.row() + 1, index.column()));
}

QVariant ScheduleGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= kScheduleColumns) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return QString::fromStdString(ScheduleTable::Header()[section]);
}

void ScheduleGridModel::Refresh() {
    beginResetModel();
    endResetModel();
}

} // namespace kalore
