#include "app/gui/text_list_model.h"

namespace kalore {

TextListModel::TextListModel(const std::vector<std::string>& texts, QObject* parent)
    : QAbstractListModel(parent), texts_(texts) {}

int TextListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(texts_.size());
}

QVariant TextListModel::data(const QModelIndex& index, int role) const {
    if ((role != Qt::DisplayRole && role != Qt::EditRole) || !index.isValid() ||
        static_cast<std::size_t>(index.row()) >= texts_.size()) {
        return {};
    }
    return QString::fromStdString(texts_[static_cast<std::size_t>(index.row())]);
}

void TextListModel::Refresh() {
    beginResetModel();
    endResetModel();
}

} // namespace kalore
