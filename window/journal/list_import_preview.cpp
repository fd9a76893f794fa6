#include "window/journal/list_import_preview.h"

#include <QColor>
#include <QStringList>
#include <algorithm>

namespace tarvelo::window {

namespace {

const QStringList kHeadings{"Строка", "Номер", "Что будет", "Подробно"};
const QColor kRefusedColor(0xB0, 0x00, 0x20);

QString text(const std::string& value) { return QString::fromStdString(value); }

}  // namespace

void ListImportPreview::show(session::ListImport prepared) {
  beginResetModel();
  prepared_ = std::move(prepared);
  rows_.clear();
  rows_.reserve(prepared_.plan.animals.size() + prepared_.imported.refused.size());
  for (const journal::PlannedAnimal& planned : prepared_.plan.animals) rows_.push_back({planned.line, &planned, nullptr});
  for (const journal::RefusedLine& refused : prepared_.imported.refused) rows_.push_back({refused.line, nullptr, &refused});
  std::stable_sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) { return a.line < b.line; });
  endResetModel();
}

int ListImportPreview::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ListImportPreview::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QString ListImportPreview::detail(const Row& row) const {
  if (row.refused != nullptr) return text(row.refused->reason);
  QStringList changes;
  for (const journal::FieldChange& change : row.planned->changes)
    changes << QString("%1: «%2» → «%3»").arg(text(change.field), text(change.before), text(change.after));
  return changes.join("; ");
}

QVariant ListImportPreview::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<size_t>(index.row()) >= rows_.size()) return {};
  const Row& row = rows_[static_cast<size_t>(index.row())];
  if (role == Qt::ForegroundRole && row.refused != nullptr) return kRefusedColor;
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (index.column()) {
    case LineColumn:
      return row.line;
    case NumberColumn:
      return row.planned != nullptr ? text(row.planned->animal.number) : QString();
    case ChangeColumn:
      return row.refused != nullptr ? "не принята" : row.planned->added ? "добавится" : "изменится";
    default:
      return detail(row);
  }
}

QVariant ListImportPreview::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section >= kColumns) return {};
  return kHeadings[section];
}

}  // namespace tarvelo::window
