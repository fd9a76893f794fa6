#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "session/list_import.h"

namespace tarvelo::window {

// What an import of a list does, a row for each line of the file that changes the list or
// is refused, in the file's order: its line, the animal's number, what happens to it and
// how (each field from what it was to what it becomes, or why the line is refused).
class ListImportPreview : public QAbstractTableModel {
 public:
  enum Column { LineColumn, NumberColumn, ChangeColumn, DetailColumn, kColumns };

  explicit ListImportPreview(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  void show(session::ListImport prepared);
  const session::ListImport& shown() const { return prepared_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  struct Row {
    int line;
    const journal::PlannedAnimal* planned;  // none for a refused line
    const journal::RefusedLine* refused;
  };
  QString detail(const Row& row) const;

  session::ListImport prepared_;
  std::vector<Row> rows_;
};

}  // namespace tarvelo::window
