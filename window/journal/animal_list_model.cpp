#include "window/journal/animal_list_model.h"

#include <QLocale>
#include <QStringList>

#include "window/journal/natural_order.h"

namespace tarvelo::window {

namespace {

const QStringList kHeadings{"Номер",  "Клетка", "Группа",       "Пол",      "Дата рождения", "Возраст, дн.",
                            "Исходный вес, г", "Линия", "Генотип", "Исследование", "Метка уха", "Сегодня"};
const QString kWeighed = QStringLiteral("взвешено");
constexpr int kWeightDecimals = 2;

}  // namespace

void AnimalListModel::setList(std::vector<journal::Animal> animals, std::set<std::string> weighedToday, QDate today) {
  beginResetModel();
  animals_ = std::move(animals);
  weighedToday_ = std::move(weighedToday);
  today_ = today;
  weights_.clear();
  weights_.reserve(animals_.size());
  const QLocale locale;
  for (const journal::Animal& animal : animals_) {
    weights_.push_back(animal.referenceGrams ? locale.toString(*animal.referenceGrams, 'f', kWeightDecimals) : QString());
  }
  endResetModel();
}

std::string* AnimalListModel::field(int row, int column) {
  return const_cast<std::string*>(std::as_const(*this).field(row, column));
}

const std::string* AnimalListModel::field(int row, int column) const {
  const journal::Animal& shown = animals_[static_cast<size_t>(row)];
  switch (column) {
    case NumberColumn: return &shown.number;
    case CageColumn: return &shown.cage;
    case GroupColumn: return &shown.group;
    case SexColumn: return &shown.sex;
    case BornColumn: return &shown.born;
    case StrainColumn: return &shown.strain;
    case GenotypeColumn: return &shown.genotype;
    case StudyColumn: return &shown.study;
    case EarMarkColumn: return &shown.earMark;
    default: return nullptr;
  }
}

std::optional<qint64> AnimalListModel::age(int row) const {
  const QDate born = QDate::fromString(QString::fromStdString(animal(row).born), Qt::ISODate);
  if (!born.isValid()) return std::nullopt;
  return born.daysTo(today_);
}

QString AnimalListModel::text(int row, int column) const {
  if (const std::string* value = field(row, column)) return QString::fromStdString(*value);
  if (column == WeightColumn) return weightText(row);
  if (column == TodayColumn) return weighedToday_.contains(animal(row).number) ? kWeighed : QString();
  const auto days = age(row);
  return days ? QString::number(*days) : QString();
}

bool AnimalListModel::lessThan(int column, int left, int right) const {
  if (const std::string* value = field(left, column)) {
    return naturallyBefore<char>(*value, *field(right, column));
  }
  if (column == AgeColumn) return age(left).value_or(-1) < age(right).value_or(-1);
  const QString leftText = text(left, column);
  const QString rightText = text(right, column);
  return naturallyBefore<char16_t>({reinterpret_cast<const char16_t*>(leftText.utf16()), size_t(leftText.size())},
                                   {reinterpret_cast<const char16_t*>(rightText.utf16()), size_t(rightText.size())});
}

int AnimalListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(animals_.size());
}

int AnimalListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant AnimalListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  return text(index.row(), index.column());
}

bool AnimalListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  if (index.column() == WeightColumn) {
    weights_[static_cast<size_t>(index.row())] = value.toString();
  } else if (std::string* edited = field(index.row(), index.column())) {
    *edited = value.toString().toStdString();
  } else {
    return false;
  }
  // The number says whether it was weighed today; the date of birth gives the age.
  emit dataChanged(this->index(index.row(), 0), this->index(index.row(), kColumns - 1));
  return true;
}

Qt::ItemFlags AnimalListModel::flags(const QModelIndex& index) const {
  const Qt::ItemFlags shown = QAbstractTableModel::flags(index);
  const bool computed = index.column() == AgeColumn || index.column() == TodayColumn;
  return computed ? shown : shown | Qt::ItemIsEditable;
}

QVariant AnimalListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return kHeadings.value(section);
  return QAbstractTableModel::headerData(section, orientation, role);
}

bool AnimalListModel::insertRows(int row, int count, const QModelIndex& parent) {
  if (parent.isValid() || row < 0 || row > rowCount() || count < 1) return false;
  beginInsertRows(parent, row, row + count - 1);
  animals_.insert(animals_.begin() + row, static_cast<size_t>(count), journal::Animal{});
  weights_.insert(weights_.begin() + row, static_cast<size_t>(count), QString());
  endInsertRows();
  return true;
}

bool AnimalListModel::removeRows(int row, int count, const QModelIndex& parent) {
  if (parent.isValid() || row < 0 || count < 1 || row + count > rowCount()) return false;
  beginRemoveRows(parent, row, row + count - 1);
  animals_.erase(animals_.begin() + row, animals_.begin() + row + count);
  weights_.erase(weights_.begin() + row, weights_.begin() + row + count);
  endRemoveRows();
  return true;
}

}  // namespace tarvelo::window
