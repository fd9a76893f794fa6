#include "window/journal/animal_list_window.h"

#include <QDate>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "journal/animal_list_import.h"
#include "journal/journal.h"
#include "weighing/conversion_error.h"
#include "weighing/number_text.h"
#include "window/journal/animal_list_filter.h"
#include "window/journal/animal_list_model.h"
#include "window/journal/list_import_dialog.h"

namespace tarvelo::window {

namespace {

const QString kImportFilter = QStringLiteral("Список (*.csv *.xlsx)");
// The rows a column's width is measured on: the first of a list of any length.
constexpr int kMeasuredRows = 50;

// The filters above the table: the column each looks in, its placeholder and its name.
struct ColumnFilter {
  AnimalListModel::Column column;
  const char* placeholder;
  const char* name;
};
constexpr ColumnFilter kFilters[] = {{AnimalListModel::CageColumn, "Клетка", "AnimalListCageFilter"},
                                     {AnimalListModel::GroupColumn, "Группа", "AnimalListGroupFilter"},
                                     {AnimalListModel::StrainColumn, "Линия", "AnimalListStrainFilter"},
                                     {AnimalListModel::StudyColumn, "Исследование", "AnimalListStudyFilter"}};

QString text(const std::string& value) { return QString::fromStdString(value); }

}  // namespace

AnimalListWindow::AnimalListWindow(std::filesystem::path journal, std::function<session::JournalContext()> context,
                                   Changed changed, QWidget* parent)
    : QDialog(parent),
      path_(std::move(journal)),
      context_(std::move(context)),
      changed_(std::move(changed)),
      list_(new AnimalListModel(this)),
      shown_(new AnimalListFilter(list_, this)),
      table_(new QTableView(this)) {
  setObjectName("AnimalListWindow");
  setWindowTitle("Список животных");
  table_->setObjectName("AnimalList");
  table_->setAccessibleName("Список животных");
  table_->setModel(shown_);
  table_->setSortingEnabled(true);
  table_->sortByColumn(-1, Qt::AscendingOrder);  // the journal's order until a heading is clicked
  table_->horizontalHeader()->setResizeContentsPrecision(kMeasuredRows);
  table_->setTabKeyNavigation(false);
  auto* filters = new QHBoxLayout;
  for (const ColumnFilter& filter : kFilters) {
    auto* field = new QLineEdit(this);
    field->setObjectName(filter.name);
    field->setPlaceholderText(filter.placeholder);
    field->setAccessibleName(filter.placeholder);
    field->setClearButtonEnabled(true);
    connect(field, &QLineEdit::textChanged, this,
            [this, column = filter.column](const QString& wanted) { shown_->setColumnFilter(column, wanted); });
    filters->addWidget(field);
    filters_.push_back(field);
  }
  auto* add = new QPushButton("Добавить строку", this);
  auto* remove = new QPushButton("Удалить строку", this);
  auto* import = new QPushButton("Импорт…", this);
  auto* save = new QPushButton("Сохранить", this);
  import->setObjectName("AnimalListImport");
  save->setObjectName("AnimalListSave");
  connect(add, &QPushButton::clicked, this, &AnimalListWindow::addRow);
  connect(remove, &QPushButton::clicked, this, &AnimalListWindow::removeRow);
  connect(import, &QPushButton::clicked, this, &AnimalListWindow::importClick);
  connect(save, &QPushButton::clicked, this, &AnimalListWindow::saveClick);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {add, remove, import, save}) buttons->addWidget(button);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(table_);
  layout->addLayout(buttons);
  resize(sizeHint().expandedTo({720, 480}));
}

void AnimalListWindow::refresh() {
  journal::OpenError failure;
  std::vector<journal::Animal> animals;
  std::set<std::string> weighed;
  try {
    if (const auto journal = journal::Journal::openForReading(path_, failure, true)) {
      animals = journal::animalList(*journal);
      weighed = journal::weighedOn(*journal, QDate::currentDate().toString("yyyy-MM-dd").toStdString());
    }
  } catch (const journal::ReadError& error) {
    // Read at the start too, maybe with nobody at the window: said only to a person who
    // opened the list. The journal's own check says it at the start.
    if (isVisible()) QMessageBox::warning(this, windowTitle(), QString("Журнал не прочитан: %1").arg(error.what()));
  }
  showList(std::move(animals), std::move(weighed));
}

void AnimalListWindow::showList(std::vector<journal::Animal> animals, std::set<std::string> weighedToday) {
  changed_(animals, weighedToday);
  list_->setList(std::move(animals), std::move(weighedToday), QDate::currentDate());
  fitColumns();
}

void AnimalListWindow::fitColumns() {
  if (fitted_ || list_->rowCount() == 0) return;
  fitted_ = true;
  table_->resizeColumnsToContents();
}

void AnimalListWindow::addRow() {
  // A new row is empty: no filter would keep it in sight.
  for (QLineEdit* filter : filters_) filter->clear();
  const int row = list_->rowCount();
  list_->insertRows(row, 1);
  table_->setCurrentIndex(shown_->mapFromSource(list_->index(row, AnimalListModel::NumberColumn)));
}

void AnimalListWindow::removeRow() {
  const QModelIndex current = shown_->mapToSource(table_->currentIndex());
  if (current.isValid()) list_->removeRows(current.row(), 1);
}

std::optional<QString> AnimalListWindow::record(const std::vector<journal::Animal>& wanted) {
  link::Failure error;
  const auto journal = journal::Journal::open(path_, error);
  if (!journal) return QString::fromStdString(error.message);
  try {
    const std::vector<journal::Animal> held = journal::animalList(*journal);
    // One transaction: a colony's list goes in whole, or not at all.
    auto changes = session::listChanges(held, wanted, true, context_(), QDateTime::currentDateTime());
    if (const auto refused = journal->appendAll(changes)) return QString::fromStdString(refused->message);
  } catch (const journal::ReadError& failure) {
    return QString::fromUtf8(failure.what());
  }
  refresh();
  return std::nullopt;
}

ListImportDialog* AnimalListWindow::openImport(const QString& file) {
  auto* dialog = new ListImportDialog(file.toStdU16String(), path_, context_(), this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QDialog::finished, this, [this, dialog] {
    if (dialog->written()) refresh();
  });
  dialog->open();
  return dialog;
}

std::optional<QString> AnimalListWindow::saveTable() {
  std::vector<journal::Animal> wanted;
  std::set<std::string> numbers;
  for (int row = 0; row < list_->rowCount(); ++row) {
    journal::Animal animal = list_->animal(row);
    for (std::string* field : {&animal.number, &animal.cage, &animal.group, &animal.sex, &animal.born, &animal.strain,
                               &animal.genotype, &animal.study, &animal.earMark})
      *field = QString::fromStdString(*field).trimmed().toStdString();
    // Said of the row as the table numbers it, which sorting does not change.
    if (const auto refused = journal::listNumberRefusal(animal.number))
      return QString("Строка %1: %2.").arg(row + 1).arg(text(*refused));
    if (const auto refused = journal::animalRefusal(animal)) return QString("Строка %1: %2.").arg(row + 1).arg(text(*refused));
    if (!numbers.insert(animal.number).second) return QString("Строка %1: номер %2 уже есть выше.").arg(row + 1).arg(text(animal.number));
    animal.referenceGrams.reset();
    if (const std::string weight = list_->weightText(row).trimmed().toStdString(); !weight.empty()) {
      try {
        animal.referenceGrams = weighing::parseNumber(weight);
      } catch (const weighing::ConversionError&) {
        return QString("Строка %1: «%2» — не число граммов.").arg(row + 1).arg(text(weight));
      }
      if (!(*animal.referenceGrams > 0 && *animal.referenceGrams <= journal::kMaxReferenceGrams))
        return QString("Строка %1: вес %2 г — не больше нуля или больше 100 кг.").arg(row + 1).arg(text(weight));
    }
    wanted.push_back(std::move(animal));
  }
  if (const auto failure = record(wanted)) return QString("Список не записан в журнал: %1").arg(*failure);
  return std::nullopt;
}

void AnimalListWindow::importClick() {
  const QString file = QFileDialog::getOpenFileName(this, "Импорт списка животных", {}, kImportFilter);
  if (file.isEmpty()) return;
  openImport(file);
}

void AnimalListWindow::saveClick() {
  if (const auto failure = saveTable()) QMessageBox::warning(this, windowTitle(), *failure);
}

}  // namespace tarvelo::window
