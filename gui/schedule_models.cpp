#include "gui/schedule_models.h"

#include <limits>

#include "schedule/date_time_text.h"
#include "schedule/schedule_table.h"

namespace kalore {

ScheduleGridModel::ScheduleGridModel(const ScheduleTable& table,
                                     std::function<std::string(int row)> guessTitle,
                                     QObject* parent)
    : QAbstractTableModel(parent), table_(table), guessTitle_(std::move(guessTitle)) {}

int ScheduleGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_.RowCount() - 1;
}

int ScheduleGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kScheduleColumns + 1;
}

std::string ScheduleGridModel::Title(int row) const {
    if (!table_.IsEntryRow(row)) {
        return {};
    }
    std::string title = table_.Title(row);
    if (!title.empty() || !guessTitle_) {
        return title;
    }
    const std::uint64_t entry = table_.EntryId(row);
    auto found = guessed_.find(entry);
    if (found == guessed_.end()) {
        found = guessed_.emplace(entry, guessTitle_(row)).first;
    }
    return found->second;
}

QVariant ScheduleGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const int row = index.row() + 1;
    if (role == Qt::ToolTipRole) {
        const std::string title = Title(row);
        return title.empty() ? QVariant() : QVariant(QString::fromStdString(title));
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (index.column() == kTitleColumn) {
        return QString::fromStdString(Title(row));
    }
    return QString::fromStdString(table_.Cell(row, index.column()));
}

QVariant ScheduleGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section > kTitleColumn) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (section == kTitleColumn) {
        return QStringLiteral(" Titre");
    }
    return QString::fromStdString(ScheduleTable::Header()[section]);
}

void ScheduleGridModel::Refresh() {
    beginResetModel();
    guessed_.clear();
    endResetModel();
}

ScheduleOrderModel::ScheduleOrderModel(const ScheduleTable& table, QAbstractItemModel& source,
                                       QObject* parent)
    : QSortFilterProxyModel(parent), table_(table) {
    setSourceModel(&source);
    setDynamicSortFilter(true);
    sort(0);
}

bool ScheduleOrderModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const auto key = [this](int row) {
        constexpr auto kLast = std::numeric_limits<std::int64_t>::max();
        if (!table_.IsEntryRow(row)) {
            return std::pair{kLast, kLast}; // the input row
        }
        try {
            return std::pair{table_.StartSeconds(row), std::int64_t{row}};
        } catch (const ConversionError&) {
            return std::pair{kLast - 1, std::int64_t{row}};
        }
    };
    return key(left.row() + 1) < key(right.row() + 1);
}

int ScheduleOrderModel::TableRowAt(int gridRow) const {
    const QModelIndex source = mapToSource(index(gridRow, 0));
    return source.isValid() ? source.row() + 1 : -1;
}

int ScheduleOrderModel::GridRowOf(int tableRow) const {
    const QModelIndex shown = mapFromSource(sourceModel()->index(tableRow - 1, 0));
    return shown.isValid() ? shown.row() : -1;
}

} // namespace kalore
