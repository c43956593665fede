#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

namespace kalore {

class ScheduleTable;

// StringGrid1 shows the core's schedule table through this model: grid row r is
// table row r + 1 (the header row is the view's header), the input row included.
// Beside the table's seven columns, an eighth for the screen alone: the title of
// what the entry records (the guide's, as the files have no place for it).
class ScheduleGridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kTitleColumn = 7;

    // `guessTitle` names what a row records when it was not programmed from the
    // guide in this run (the guide's programmes in its slot); it may give nothing.
    ScheduleGridModel(const ScheduleTable& table, std::function<std::string(int row)> guessTitle,
                      QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The table changed, or the guide: views read it afresh.
    void Refresh();

private:
    std::string Title(int row) const;

    const ScheduleTable& table_;
    std::function<std::string(int)> guessTitle_;
    mutable std::map<std::uint64_t, std::string> guessed_; // by entry, until the next Refresh
};

// The grid's rows in start order (the files keep the order of addition); entries
// whose dates can't be read come after the others, and the input row last.
class ScheduleOrderModel final : public QSortFilterProxyModel {
    Q_OBJECT
public:
    ScheduleOrderModel(const ScheduleTable& table, QAbstractItemModel& source,
                       QObject* parent = nullptr);
    // The table row shown at grid row `gridRow`, and back; -1 for none.
    int TableRowAt(int gridRow) const;
    int GridRowOf(int tableRow) const;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    const ScheduleTable& table_;
};

} // namespace kalore
