#pragma once

#include <QSortFilterProxyModel>
#include <QString>
#include <map>

#include "window/journal/animal_list_model.h"

namespace tarvelo::window {

// The rows of "Список животных" that hold every filter's text in its column, whatever the
// case, in the order of the column clicked.
class AnimalListFilter : public QSortFilterProxyModel {
 public:
  explicit AnimalListFilter(AnimalListModel* list, QObject* parent = nullptr);

  // Keeps the rows whose `column` holds `text`; an empty text keeps every row.
  void setColumnFilter(AnimalListModel::Column column, const QString& text);

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

 private:
  const AnimalListModel* list_;
  std::map<int, QString> filters_;  // by column, none empty
};

}  // namespace tarvelo::window
