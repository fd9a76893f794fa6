#include "window/journal/animal_list_window.h"

#include <QDate>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "journal/animal_list_import.h"
#include "journal/journal.h"
#include "weighing/conversion_error.h"
#include "weighing/number_text.h"

namespace tarvelo::window {

namespace {

enum Column { NumberColumn, CageColumn, GroupColumn, SexColumn, BornColumn, WeightColumn, TodayColumn, kColumns };
const QStringList kHeadings{"Номер", "Клетка", "Группа", "Пол", "Дата рождения", "Исходный вес, г", "Сегодня"};
const QString kWeighed = QStringLiteral("взвешено");
const QString kImportFilter = QStringLiteral("Список (*.csv *.xlsx)");
constexpr int kRefusedShown = 10;

QString text(const std::string& value) { return QString::fromStdString(value); }

}  // namespace

AnimalListWindow::AnimalListWindow(std::filesystem::path journal, std::function<session::JournalContext()> context,
                                   Changed changed, QWidget* parent)
    : QDialog(parent),
      path_(std::move(journal)),
      context_(std::move(context)),
      changed_(std::move(changed)),
      table_(new QTableWidget(0, kColumns, this)) {
  setObjectName("AnimalListWindow");
  setWindowTitle("Список животных");
  table_->setObjectName("AnimalList");
  table_->setAccessibleName("Список животных");
  table_->setHorizontalHeaderLabels(kHeadings);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->setTabKeyNavigation(false);
  auto* add = new QPushButton("Добавить строку", this);
  auto* remove = new QPushButton("Удалить строку", this);
  auto* import = new QPushButton("Импорт…", this);
  auto* save = new QPushButton("Сохранить", this);
  import->setObjectName("AnimalListImport");
  save->setObjectName("AnimalListSave");
  connect(add, &QPushButton::clicked, this, [this] {
    table_->insertRow(table_->rowCount());
    table_->setCurrentCell(table_->rowCount() - 1, NumberColumn);
  });
  connect(remove, &QPushButton::clicked, this, [this] {
    if (table_->currentRow() >= 0) table_->removeRow(table_->currentRow());
  });
  connect(import, &QPushButton::clicked, this, &AnimalListWindow::importClick);
  connect(save, &QPushButton::clicked, this, &AnimalListWindow::saveClick);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {add, remove, import, save}) buttons->addWidget(button);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
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
  showList(animals, weighed);
}

void AnimalListWindow::showList(const std::vector<journal::Animal>& animals, const std::set<std::string>& weighedToday) {
  shown_ = animals;
  table_->setRowCount(static_cast<int>(animals.size()));
  for (int row = 0; row < table_->rowCount(); ++row) {
    const journal::Animal& animal = animals[static_cast<size_t>(row)];
    const QStringList texts{text(animal.number), text(animal.cage), text(animal.group), text(animal.sex),
                            text(animal.born),
                            animal.referenceGrams ? QLocale().toString(*animal.referenceGrams, 'f', 2) : QString(),
                            weighedToday.contains(animal.number) ? kWeighed : QString()};
    for (int column = 0; column < kColumns; ++column) {
      auto* item = new QTableWidgetItem(texts[column]);
      if (column == TodayColumn) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
      table_->setItem(row, column, item);
    }
  }
  changed_(animals, weighedToday);
}

std::optional<QString> AnimalListWindow::record(const WantedList& wanted, bool removeMissing) {
  link::Failure error;
  const auto journal = journal::Journal::open(path_, error);
  if (!journal) return QString::fromStdString(error.message);
  try {
    const std::vector<journal::Animal> held = journal::animalList(*journal);
    const auto changes =
        session::listChanges(held, wanted(held), removeMissing, context_(), QDateTime::currentDateTime());
    for (journal::JournalRecord change : changes) {
      if (const auto refused = journal->append(change)) return QString::fromStdString(refused->message);
    }
  } catch (const journal::ReadError& failure) {
    return QString::fromUtf8(failure.what());
  }
  refresh();
  return std::nullopt;
}

std::optional<QString> AnimalListWindow::importFrom(const QString& file) {
  const journal::ImportedList imported = journal::importAnimalList(file.toStdU16String());
  if (imported.error) return QString::fromStdString(*imported.error);
  const auto wanted = [&imported](const std::vector<journal::Animal>& held) {
    return journal::withHeldFields(imported, held);
  };
  if (const auto failure = record(wanted, false)) return QString("Список не записан в журнал: %1").arg(*failure);
  if (imported.refused.empty()) return std::nullopt;
  QStringList lines;
  for (const journal::RefusedLine& refused : imported.refused) {
    if (lines.size() == kRefusedShown) break;
    lines << QString("строка %1: %2").arg(refused.line).arg(text(refused.reason));
  }
  return QString("Принято животных: %1; не принято строк: %2.\n%3")
      .arg(imported.animals.size())
      .arg(imported.refused.size())
      .arg(lines.join("\n"));
}

std::optional<QString> AnimalListWindow::saveTable() {
  std::vector<journal::Animal> wanted;
  std::set<std::string> numbers;
  for (int row = 0; row < table_->rowCount(); ++row) {
    const auto cell = [this, row](int column) {
      const QTableWidgetItem* item = table_->item(row, column);
      return item != nullptr ? item->text().trimmed().toStdString() : std::string();
    };
    journal::Animal animal{cell(NumberColumn), cell(CageColumn), cell(GroupColumn), cell(SexColumn), cell(BornColumn), {}};
    if (animal.number.empty()) return QString("Строка %1: нет номера животного.").arg(row + 1);
    if (const auto refused = journal::animalRefusal(animal)) return QString("Строка %1: %2.").arg(row + 1).arg(text(*refused));
    if (!numbers.insert(animal.number).second) return QString("Строка %1: номер %2 уже есть выше.").arg(row + 1).arg(text(animal.number));
    if (const std::string weight = cell(WeightColumn); !weight.empty()) {
      try {
        animal.referenceGrams = weighing::parseNumber(weight);
      } catch (const weighing::ConversionError&) {
        return QString("Строка %1: «%2» — не число граммов.").arg(row + 1).arg(text(weight));
      }
    }
    wanted.push_back(std::move(animal));
  }
  if (const auto failure = record([&wanted](const auto&) { return wanted; }, true)) return QString("Список не записан в журнал: %1").arg(*failure);
  return std::nullopt;
}

void AnimalListWindow::importClick() {
  const QString file = QFileDialog::getOpenFileName(this, "Импорт списка животных", {}, kImportFilter);
  if (file.isEmpty()) return;
  if (const auto said = importFrom(file)) QMessageBox::information(this, windowTitle(), *said);
}

void AnimalListWindow::saveClick() {
  if (const auto failure = saveTable()) QMessageBox::warning(this, windowTitle(), *failure);
}

}  // namespace tarvelo::window
