#include "gui/text_list_model.h"

namespace kalore {

TextListModel::TextListModel(std::function<std::size_t()> count,
                             std::function<std::string_view(std::size_t)> item, QObject* parent)
    : QAbstractListModel(parent), count_(std::move(count)), item_(std::move(item)) {}

int TextListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(count_());
}

QVariant TextListModel::data(const QModelIndex& index, int role) const {
    if ((role != Qt::DisplayRole && role != Qt::EditRole) || !index.isValid() ||
        static_cast<std::size_t>(index.row()) >= count_()) {
        return {};
    }
    const std::string_view text = item_(static_cast<std::size_t>(index.row()));
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void TextListModel::Refresh() {
    beginResetModel();
    endResetModel();
}

} // namespace kalore
