#pragma once

#include <QAbstractTableModel>
#include <QDate>
#include <QString>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "journal/animal_list.h"

namespace tarvelo::window {

// The list of animals as "Список животных" shows and edits it: a row an animal, its
// reference weight as typed, and whether it was weighed today.
class AnimalListModel : public QAbstractTableModel {
 public:
  enum Column {
    NumberColumn,
    CageColumn,
    GroupColumn,
    SexColumn,
    BornColumn,
    AgeColumn,
    WeightColumn,
    StrainColumn,
    GenotypeColumn,
    StudyColumn,
    EarMarkColumn,
    TodayColumn,
    kColumns
  };

  using QAbstractTableModel::QAbstractTableModel;

  // Shows `animals`, their ages counted to `today`.
  void setList(std::vector<journal::Animal> animals, std::set<std::string> weighedToday, QDate today);

  // The animal of `row` as edited, its weight aside: the typed text, parsed on saving.
  const journal::Animal& animal(int row) const { return animals_[static_cast<size_t>(row)]; }
  const QString& weightText(int row) const { return weights_[static_cast<size_t>(row)]; }
  // The cell's text.
  QString text(int row, int column) const;
  // Whether `left`'s cell of `column` sorts before `right`'s: digits by their value, days
  // and grams as numbers.
  bool lessThan(int column, int left, int right) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  bool insertRows(int row, int count, const QModelIndex& parent = {}) override;
  bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

 private:
  // The animal's own text field shown in `column`; none for the computed columns.
  std::string* field(int row, int column);
  const std::string* field(int row, int column) const;
  // Days since birth; none without a date of birth.
  std::optional<qint64> age(int row) const;

  std::vector<journal::Animal> animals_;
  std::vector<QString> weights_;
  std::set<std::string> weighedToday_;
  QDate today_;
};

}  // namespace tarvelo::window
