#include "window/journal/animal_list_filter.h"

namespace tarvelo::window {

AnimalListFilter::AnimalListFilter(AnimalListModel* list, QObject* parent) : QSortFilterProxyModel(parent), list_(list) {
  setSourceModel(list);
  // A row being typed into stays where it is; a click on a heading sorts anew.
  setDynamicSortFilter(false);
}

void AnimalListFilter::setColumnFilter(AnimalListModel::Column column, const QString& text) {
  const QString wanted = text.trimmed();
  if (wanted.isEmpty()) {
    filters_.erase(column);
  } else {
    filters_[column] = wanted;
  }
  invalidateFilter();
}

bool AnimalListFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
  for (const auto& [column, text] : filters_) {
    if (!list_->text(sourceRow, column).contains(text, Qt::CaseInsensitive)) return false;
  }
  return true;
}

bool AnimalListFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  return list_->lessThan(left.column(), left.row(), right.row());
}

}  // namespace tarvelo::window
