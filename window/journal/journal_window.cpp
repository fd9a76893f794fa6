#include "window/journal/journal_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>
#include <utility>

#include "journal/export_file.h"
#include "journal/verification_text.h"
#include "window/journal/lab_reader.h"
#include "window/widgets/line_chart.h"

namespace tarvelo::window {

namespace {

enum Column {
  ObjectColumn,
  WeighingsColumn,
  LastColumn,
  ReferenceColumn,
  ChangeColumn,
  ShareColumn,
  CageColumn,
  GroupColumn,
  StrainColumn,
  GenotypeColumn,
  StudyColumn,
  EarMarkColumn,
  kColumns
};
const QStringList kHeadings{"Объект",       "Взвешиваний",  "Последний вес, г", "Исходный вес, г",
                            "Изменение, г", "Изменение, %", "Клетка",           "Группа",
                            "Линия",        "Генотип",      "Исследование",     "Метка уха"};
const QString kAll = QStringLiteral("все");
const QString kByNameTip = QStringLiteral(" — по наименованию в таблице результатов, без номера животного");
const QColor kWarned(255, 235, 180);
const QColor kLimited(255, 170, 170);
constexpr double kChartMarginShare = 0.1;
constexpr int kDefaultPeriodDays = 30;
constexpr int kFollowMs = 400;  // a record made elsewhere shows within a second
constexpr qint64 kLabFollowMs = 4000;  // a record reaching the lab's server shows within 5 s
constexpr QSize kWindowSize(780, 600);
constexpr int kObjectColumnPx = 150;
const QColor kUntrusted(200, 200, 200);
const QString kChooseObject = QStringLiteral("Выберите объект в таблице: здесь будет его вес по дням.");
constexpr double kSecondsPerDay = 24 * 60 * 60;
const QString kCsvFilter = "CSV (*.csv)";
const QString kSheetFilter = "Книга .xlsx (*.xlsx)";
const QString kWeightsFilter = "Масса животных по номерам, для учета колонии (*.csv)";
const QString kGrowthFilter = "Рост животных по дням, книга .xlsx (*.xlsx)";

QString grams(const std::optional<double>& value) {
  return value ? QLocale().toString(*value, 'f', 2) : QString();
}

// Coloured, and bold so that the mark shows in the selected row too; the limit redder.
void markBelowAlert(QTableWidgetItem& item, journal::AlertLevel level, const journal::AlertShares& shares) {
  const bool limit = level == journal::AlertLevel::Limit;
  item.setBackground(limit ? kLimited : kWarned);
  QFont bold = item.font();
  bold.setBold(true);
  item.setFont(bold);
  item.setToolTip(limit ? QString("Последний вес ниже предела: %1 % исходного").arg(QLocale().toString(shares.limit))
                        : QString("Последний вес ниже %1 % исходного").arg(QLocale().toString(shares.warning)));
}

}  // namespace

JournalWindow::JournalWindow(std::filesystem::path journal, std::function<session::JournalContext()> context,
                             std::function<journal::AlertShares()> shares, std::function<QString()> labServer,
                             QWidget* parent)
    : QDialog(parent),
      path_(std::move(journal)),
      context_(std::move(context)),
      shares_(std::move(shares)),
      labServer_(std::move(labServer)),
      labReader_(new LabReader(this)) {
  setObjectName("JournalWindow");
  setWindowTitle("Журнал взвешиваний");
  table_ = new QTableWidget(0, kColumns, this);
  table_->setObjectName("JournalObjects");
  table_->setHorizontalHeaderLabels(kHeadings);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  // Tab goes on to the buttons; rows are reached with the arrow keys.
  table_->setTabKeyNavigation(false);
  table_->setAccessibleName("Объекты журнала");
  // A long name is cut short, whole in its tooltip, so the weights stay in sight.
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setSectionResizeMode(ObjectColumn, QHeaderView::Interactive);
  table_->setColumnWidth(ObjectColumn, kObjectColumnPx);
  table_->setTextElideMode(Qt::ElideRight);
  chart_ = new LineChart(this);
  chart_->setObjectName("JournalChart");
  chart_->setMinimumHeight(200);
  weights_ = chart_->addSeries(Qt::blue, true);
  reference_ = chart_->addSeries(Qt::darkGray);
  warningLine_ = chart_->addSeries(QColor(230, 140, 0));
  limitLine_ = chart_->addSeries(Qt::red);
  chart_->setAxisTitle(Qt::Horizontal, "сутки от первого взвешивания");
  chart_->setAxisTitle(Qt::Vertical, "вес, г");
  chart_->hide();  // until an object is chosen
  chartCaption_ = new QLabel(this);
  chartCaption_->setObjectName("JournalChartCaption");
  chartCaption_->setText(kChooseObject);
  chain_ = new QLabel(this);
  chain_->setObjectName("JournalChain");
  // Long findings wrap rather than widen the window past the screen.
  chain_->setWordWrap(true);
  chartCaption_->setWordWrap(true);
  takeReference_ = new QPushButton("Принять за исходный", this);
  takeReference_->setObjectName("TakeReferenceButton");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(chain_, 1);
  buttons->addWidget(takeReference_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(makeFilters());
  layout->addWidget(table_, 1);
  layout->addWidget(chartCaption_);
  layout->addWidget(chart_, 1);
  layout->addLayout(buttons);
  exportChoices_ = makeExportChoices();
  layout->addWidget(exportChoices_);
  resize(kWindowSize);
  connect(table_, &QTableWidget::itemSelectionChanged, this, &JournalWindow::showHistory);
  // Follows the journal while shown: a record made anywhere shows within a second.
  follow_ = new QTimer(this);
  follow_->setInterval(kFollowMs);
  connect(follow_, &QTimer::timeout, this, &JournalWindow::followJournal);
  connect(takeReference_, &QPushButton::clicked, this, &JournalWindow::takeReferenceClick);
  connect(labReader_, &LabReader::objectsRead, this, &JournalWindow::showLabObjects);
  connect(labReader_, &LabReader::resultsRead, this, &JournalWindow::showLabResults);
}

QHBoxLayout* JournalWindow::makeFilters() {
  auto* row = new QHBoxLayout;
  for (auto [combo, label, name, spoken] : {std::tuple{&cage_, "Клетка:", "JournalCageFilter", "Показать клетку"},
                                            {&group_, "Группа:", "JournalGroupFilter", "Показать группу"}}) {
    *combo = new QComboBox(this);
    (*combo)->setObjectName(name);
    (*combo)->setAccessibleName(spoken);
    (*combo)->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* caption = new QLabel(label, this);
    caption->setBuddy(*combo);
    row->addWidget(caption);
    row->addWidget(*combo);
    connect(*combo, &QComboBox::currentTextChanged, this, &JournalWindow::filterRows);
  }
  // The animals whose last weighing raised an alert, as this station's journal kept it.
  alertedOnly_ = new QCheckBox("Только с тревогой", this);
  alertedOnly_->setObjectName("JournalAlertedOnly");
  alertedOnly_->setToolTip("Объекты, последнее взвешивание которых вызвало предупреждение или предел");
  connect(alertedOnly_, &QCheckBox::toggled, this, &JournalWindow::filterRows);
  row->addWidget(alertedOnly_);
  row->addStretch(1);
  // Each animal's weighings at every station of the lab, read from its server.
  wholeLab_ = new QCheckBox("Вся лаборатория", this);
  wholeLab_->setObjectName("JournalWholeLab");
  wholeLab_->setToolTip("Взвешивания со всех станций лаборатории, с сервера лаборатории");
  wholeLab_->hide();  // until a lab server is set
  connect(wholeLab_, &QCheckBox::toggled, this, &JournalWindow::refresh);
  row->addWidget(wholeLab_);
  return row;
}

void JournalWindow::fillFilters() {
  for (auto [combo, column] : {std::pair{cage_, CageColumn}, {group_, GroupColumn}}) {
    const QString chosen = combo->currentText();
    QStringList values;
    for (int row = 0; row < table_->rowCount(); ++row) {
      const QString value = table_->item(row, column)->text();
      if (!value.isEmpty() && !values.contains(value)) values << value;
    }
    values.sort();
    const QSignalBlocker quiet(combo);
    combo->clear();
    combo->addItem(kAll);
    combo->addItems(values);
    combo->setCurrentIndex(std::max(combo->findText(chosen), 0));
  }
  filterRows();
}

void JournalWindow::filterRows() {
  const auto takes = [this](int row, QComboBox* combo, int column) {
    return combo->currentIndex() <= 0 || table_->item(row, column)->text() == combo->currentText();
  };
  for (int row = 0; row < table_->rowCount(); ++row) {
    const bool alerted = alerted_.contains(objects_[static_cast<size_t>(row)].lastId);
    table_->setRowHidden(row, !takes(row, cage_, CageColumn) || !takes(row, group_, GroupColumn) ||
                                  (alertedOnly_->isChecked() && alertedOnly_->isEnabled() && !alerted));
  }
}

QWidget* JournalWindow::makeExportChoices() {
  auto* box = new QGroupBox("Экспорт результатов", this);
  chosenObjectOnly_ = new QCheckBox("Только выбранный объект", box);
  chosenObjectOnly_->setObjectName("JournalExportObjectOnly");
  period_ = new QCheckBox("За период с", box);
  period_->setObjectName("JournalExportPeriod");
  const QDate today = QDate::currentDate();
  from_ = new QDateEdit(today.addDays(-kDefaultPeriodDays), box);
  from_->setObjectName("JournalExportFrom");
  to_ = new QDateEdit(today, box);
  to_->setObjectName("JournalExportTo");
  from_->setAccessibleName("Начало периода");
  to_->setAccessibleName("Конец периода");
  for (QDateEdit* date : {from_, to_}) {
    date->setCalendarPopup(true);
    date->setEnabled(false);
    connect(period_, &QCheckBox::toggled, date, &QWidget::setEnabled);
  }
  auto* exporting = new QPushButton("Экспорт…", box);
  exporting->setObjectName("JournalExportButton");
  connect(exporting, &QPushButton::clicked, this, &JournalWindow::exportClick);
  auto* row = new QHBoxLayout(box);
  row->addWidget(chosenObjectOnly_);
  row->addSpacing(12);
  row->addWidget(period_);
  row->addWidget(from_);
  row->addWidget(new QLabel("по", box));
  row->addWidget(to_);
  row->addStretch(1);
  row->addWidget(exporting);
  return box;
}

JournalWindow::~JournalWindow() { stopChainCheck(); }

void JournalWindow::showEvent(QShowEvent* event) {
  follow_->start();
  QDialog::showEvent(event);
}

void JournalWindow::hideEvent(QHideEvent* event) {
  follow_->stop();
  QDialog::hideEvent(event);
}

journal::Journal* JournalWindow::reader(journal::OpenError& failure) const {
  if (reader_ == nullptr) reader_ = journal::Journal::openForReading(path_, failure, true);
  return reader_.get();
}

void JournalWindow::followJournal() {
  if (wholeLab()) {
    followLab();
    return;
  }
  journal::OpenError failure;
  journal::Journal* const journal = reader(failure);
  try {
    if (journal == nullptr || journal->head().hash == shown_.hash) return;
  } catch (const journal::ReadError&) {
    return;  // said by the next full read
  }
  // The same object stays chosen.
  const std::optional<journal::ObjectSummary> chosen = chosenObject();
  refresh();
  choose(chosen);
}

void JournalWindow::followLab() {
  if (labReading_ || (labRead_.isValid() && labRead_.elapsed() < kLabFollowMs)) return;
  labReading_ = true;
  labReader_->readObjects(labServer_());
}

std::optional<journal::ObjectSummary> JournalWindow::chosenObject() const {
  const int row = table_->currentRow();
  if (row < 0 || row >= static_cast<int>(objects_.size()) || table_->selectedItems().isEmpty()) return std::nullopt;
  return objects_[static_cast<size_t>(row)];
}

void JournalWindow::choose(const std::optional<journal::ObjectSummary>& chosen) {
  for (int i = 0; chosen && i < static_cast<int>(objects_.size()); ++i) {
    const journal::ObjectSummary& object = objects_[static_cast<size_t>(i)];
    if (object.object == chosen->object && object.byName == chosen->byName && object.station == chosen->station)
      table_->selectRow(i);
  }
}

bool JournalWindow::wholeLab() const { return wholeLab_->isChecked() && labServer_ && !labServer_().isEmpty(); }

void JournalWindow::refresh() {
  chart_->hide();
  chartCaption_->setText(kChooseObject);
  wholeLab_->setVisible(labServer_ && !labServer_().isEmpty());
  const bool lab = wholeLab();
  // The lab's copy is only read: references are taken, and exports made, at a station.
  takeReference_->setEnabled(!lab);
  exportChoices_->setEnabled(!lab);
  alertedOnly_->setEnabled(!lab);
  objects_.clear();
  alerted_.clear();
  shown_ = {};
  if (lab) {
    stopChainCheck();
    showObjects();
    chain_->setText("Сервер лаборатории читается…");
    labReading_ = true;
    labShown_ = false;
    labReader_->readObjects(labServer_());
    return;
  }
  journal::OpenError failure;
  reader_.reset();  // a journal put back or replaced is read as it is now
  journal::Journal* const journal = reader(failure);
  QString unread = QString::fromStdString(failure.message);
  try {
    if (journal) {
      shown_ = journal->head();
      objects_ = journal->objects();
      for (const journal::JournalRecord& alert : journal->records({.kinds = {journal::kAlert}})) alerted_.insert(alert.subject);
    }
  } catch (const journal::ReadError& error) {
    unread = QString::fromStdString(error.what());
  }
  showObjects();
  if (!journal || !unread.isEmpty()) {
    stopChainCheck();
    chain_->setText(QString("Журнал не прочитан: %1").arg(unread));
    return;
  }
  checkChain();
}

void JournalWindow::showLabObjects(const std::vector<journal::ObjectSummary>& objects, const QString& failure,
                                   double seconds) {
  labReading_ = false;
  labRead_.start();
  if (!wholeLab()) return;  // left for this station's journal meanwhile
  // Read again while shown: only a change is drawn, and the chosen object stays chosen.
  if (labShown_ && failure.isEmpty() && objects == objects_) return;
  labShown_ = failure.isEmpty();
  const std::optional<journal::ObjectSummary> chosen = chosenObject();
  objects_ = objects;
  showObjects();
  choose(chosen);
  chain_->setText(failure.isEmpty() ? QString("Вся лаборатория, объектов: %1; прочитано с сервера за %2 с.")
                                          .arg(objects_.size())
                                          .arg(QLocale().toString(seconds, 'f', 1))
                                    : QString("Сервер лаборатории не прочитан: %1").arg(failure));
}

void JournalWindow::showObjects() {
  table_->setRowCount(static_cast<int>(objects_.size()));
  const journal::AlertShares shares = shares_();
  for (int row = 0; row < table_->rowCount(); ++row) {
    const journal::ObjectSummary& object = objects_[static_cast<size_t>(row)];
    const auto share = journal::lastShareOfReference(object);
    QString change;
    if (object.lastGrams && object.referenceGrams) change = grams(*object.lastGrams - *object.referenceGrams);
    // Known by name at one of the lab's stations: the station is named too.
    const QString name = object.station.empty() ? QString::fromStdString(object.object)
                                                : QString("%1 (%2)").arg(QString::fromStdString(object.object),
                                                                         QString::fromStdString(object.station));
    const QStringList texts{name,
                            QString::number(object.weighings),
                            grams(object.lastGrams),
                            grams(object.referenceGrams),
                            change,
                            share ? QLocale().toString(*share - 100.0, 'f', 1) : QString(),
                            QString::fromStdString(object.cage),
                            QString::fromStdString(object.group),
                            QString::fromStdString(object.strain),
                            QString::fromStdString(object.genotype),
                            QString::fromStdString(object.study),
                            QString::fromStdString(object.earMark)};
    const std::optional<journal::AlertLevel> level = share ? journal::alertLevelOf(*share, shares) : std::nullopt;
    for (int column = 0; column < kColumns; ++column) {
      auto* item = new QTableWidgetItem(texts[column]);
      if (column == ObjectColumn) {
        item->setToolTip(object.byName ? texts[column] + kByNameTip : texts[column]);
        // Known only by the grid's name, not by an animal's number.
        QFont font = item->font();
        font.setItalic(object.byName);
        item->setFont(font);
      }
      if (level) markBelowAlert(*item, *level, shares);
      table_->setItem(row, column, item);
    }
  }
  fillFilters();
}

void JournalWindow::checkChain() {
  stopChainCheck();
  chain_->setText("Цепочка подписей проверяется…");
  auto stop = stopCheck_ = std::make_shared<std::atomic_bool>(false);
  // Its own connection: the check may take a while on a long journal, and the window
  // stays usable meanwhile; what it finds is handed to the window's thread.
  chainCheck_ = QThread::create([this, path = path_, stop] {
    const auto say = [this](const QString& text) {
      QMetaObject::invokeMethod(this, [this, text] { chain_->setText(text); }, Qt::QueuedConnection);
    };
    journal::OpenError failure;
    const auto journal = journal::Journal::openForReading(path, failure);
    if (!journal) return say(QString("Журнал не прочитан: %1").arg(QString::fromStdString(failure.message)));
    std::vector<journal::Head> anchors;
    if (const auto stored = journal::storedHead(path)) anchors.push_back(*stored);
    try {
      const journal::Verification result = journal->verify(anchors, [&](std::int64_t checked, std::int64_t total) {
        say(QString("Цепочка подписей проверяется: %1 из %2 записей…").arg(checked).arg(total));
        return !stop->load();
      });
      if (!stop->load()) QMetaObject::invokeMethod(this, [this, result] { showVerification(result); }, Qt::QueuedConnection);
    } catch (const journal::ReadError& error) {
      say(QString("Журнал не прочитан: %1").arg(QString::fromUtf8(error.what())));
    }
  });
  chainCheck_->start();
}

void JournalWindow::showVerification(const journal::Verification& result) {
  QString text = QString::fromStdString(journal::verificationText(result));
  if (result.firstBroken) {
    // What was written from the broken record on cannot be trusted, in whichever row it shows.
    int untrusted = 0;
    for (int row = 0; row < table_->rowCount(); ++row) {
      const journal::ObjectSummary& object = objects_[static_cast<size_t>(row)];
      if (object.lastId < *result.firstBroken && object.referenceId < *result.firstBroken) continue;
      ++untrusted;
      for (int column = 0; column < kColumns; ++column) {
        QTableWidgetItem* item = table_->item(row, column);
        item->setBackground(kUntrusted);
        item->setToolTip(QString("Вес из записей от № %1 и дальше: им нельзя доверять.").arg(*result.firstBroken));
      }
    }
    text += QString(" Значениям из записей от № %1 нельзя доверять; таких объектов: %2 (отмечены серым).")
                .arg(*result.firstBroken)
                .arg(untrusted);
  }
  chain_->setText(text);
}

void JournalWindow::stopChainCheck() {
  if (chainCheck_ == nullptr) return;
  stopCheck_->store(true);
  chainCheck_->wait();
  delete chainCheck_;
  chainCheck_ = nullptr;
}

void JournalWindow::waitForChainCheck() {
  if (chainCheck_ != nullptr) chainCheck_->wait();
  QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void JournalWindow::showHistory() {
  const int row = table_->currentRow();
  if (row < 0 || row >= static_cast<int>(objects_.size())) return;
  const journal::ObjectSummary& object = objects_[static_cast<size_t>(row)];
  if (wholeLab()) {
    chartCaption_->setText(QString("%1: взвешивания читаются с сервера лаборатории…").arg(QString::fromStdString(object.object)));
    labReader_->readResults(labServer_(), object);
    return;
  }
  std::vector<journal::JournalRecord> results;
  journal::OpenError failure;
  journal::Journal* const journal = reader(failure);
  try {
    if (journal) results = journal->standingResults(journal::filterOf(object));
  } catch (const journal::ReadError& error) {
    failure.message = error.what();
  }
  if (!failure.message.empty()) {
    chartCaption_->setText(QString("Журнал не прочитан: %1").arg(QString::fromStdString(failure.message)));
    return;
  }
  drawHistory(object, results);
}

void JournalWindow::showLabResults(const journal::ObjectSummary& object,
                                   const std::vector<journal::JournalRecord>& results, const QString& failure) {
  const int row = table_->currentRow();
  if (!wholeLab() || row < 0 || row >= static_cast<int>(objects_.size())) return;
  const journal::ObjectSummary& chosen = objects_[static_cast<size_t>(row)];
  if (chosen.object != object.object || chosen.byName != object.byName || chosen.station != object.station) return;
  if (!failure.isEmpty()) {
    chartCaption_->setText(QString("Сервер лаборатории не прочитан: %1").arg(failure));
    return;
  }
  drawHistory(chosen, results);
}

void JournalWindow::drawHistory(const journal::ObjectSummary& summary, const std::vector<journal::JournalRecord>& results) {
  const std::string& object = summary.object;
  // Days since the first weighing across, grams up.
  QList<QPointF> points;
  QDateTime first;
  for (const journal::JournalRecord& result : results) {
    const QDateTime time = QDateTime::fromString(QString::fromStdString(result.local), session::kLocalTimeFormat);
    if (!result.grams || !time.isValid()) continue;
    if (!first.isValid()) first = time;
    points.append({first.secsTo(time) / kSecondsPerDay, *result.grams});
  }
  chart_->setPoints(weights_, points);
  chart_->setVisible(!points.isEmpty());
  const journal::AlertShares shares = shares_();
  chartCaption_->setText(points.isEmpty() ? QString("%1: нет взвешиваний с массой в граммах.").arg(QString::fromStdString(object))
                                          : QString("%1: вес по суткам от %2; серая линия — исходный вес, оранжевая — %3 % "
                                                    "от него, красная — предел %4 %")
                                                .arg(QString::fromStdString(object),
                                                     QLocale().toString(first, QLocale::ShortFormat),
                                                     QLocale().toString(shares.warning), QLocale().toString(shares.limit)));
  if (points.isEmpty()) return;
  // The reference and the two shares as level lines across the days.
  const double lastDay = std::max(points.last().x(), 1.0);
  const std::optional<double> reference = summary.referenceGrams;
  QList<double> levels;
  for (const QPointF& point : points) levels.append(point.y());
  const std::pair<int, double> lines[] = {{reference_, 100.0}, {warningLine_, shares.warning}, {limitLine_, shares.limit}};
  for (const auto& [series, share] : lines) {
    const double level = reference ? *reference * share / 100.0 : 0.0;
    chart_->setPoints(series, reference ? QList<QPointF>{{0, level}, {lastDay, level}} : QList<QPointF>{});
    if (reference) levels << level;
  }
  const auto [lightest, heaviest] = std::minmax_element(levels.begin(), levels.end());
  const double margin = std::max((*heaviest - *lightest) * kChartMarginShare, 0.5);
  chart_->setRange(Qt::Horizontal, 0, lastDay);
  chart_->setRange(Qt::Vertical, *lightest - margin, *heaviest + margin);
}

void JournalWindow::takeReferenceClick() {
  const int row = table_->currentRow();
  if (row < 0 || row >= static_cast<int>(objects_.size())) return;
  const journal::ObjectSummary& object = objects_[static_cast<size_t>(row)];
  const QString question = QString("Принять за исходный вес «%1» последнее взвешивание, %2 г, вместо %3 г?")
                               .arg(QString::fromStdString(object.object), grams(object.lastGrams),
                                    grams(object.referenceGrams));
  if (QMessageBox::question(this, windowTitle(), question) == QMessageBox::Yes) takeAsReference();
}

void JournalWindow::takeAsReference() {
  const int row = table_->currentRow();
  if (row < 0 || row >= static_cast<int>(objects_.size())) return;
  const journal::RecordFilter object = journal::filterOf(objects_[static_cast<size_t>(row)]);
  link::Failure error;
  const auto journal = journal::Journal::open(path_, error);
  std::optional<link::Failure> refused = journal ? std::nullopt : std::optional(error);
  try {
    const auto results = journal ? journal->standingResults(object) : std::vector<journal::JournalRecord>{};
    if (journal && results.empty()) return;
    if (journal) {
      journal::JournalRecord reference = session::referenceRecord(results.back(), context_(), QDateTime::currentDateTime());
      refused = journal->append(reference);
    }
  } catch (const journal::ReadError& failure) {
    refused = failure.failure();
  }
  if (refused) {
    QMessageBox::warning(this, windowTitle(),
                         QString("Исходный вес не записан: %1").arg(QString::fromStdString(refused->message)));
    return;
  }
  refresh();
  table_->selectRow(row);
}

std::variant<journal::RecordFilter, QString> JournalWindow::exportFilter() const {
  journal::RecordFilter filter;
  const int row = table_->currentRow();
  if (chosenObjectOnly_->isChecked()) {
    if (row < 0 || row >= static_cast<int>(objects_.size()) || table_->selectedItems().isEmpty())
      return QString("Не выбран объект: выберите его строку в таблице или снимите «%1».").arg(chosenObjectOnly_->text());
    filter = journal::filterOf(objects_[static_cast<size_t>(row)]);
  }
  if (period_->isChecked()) {
    if (from_->date() > to_->date()) return QString("Период начинается позже, чем кончается.");
    filter.fromDate = from_->date().toString(session::kLocalDateFormat).toStdString();
    filter.toDate = to_->date().toString(session::kLocalDateFormat).toStdString();
  }
  return filter;
}

std::optional<QString> JournalWindow::exportTo(const QString& file, ExportForm form) const {
  const auto filter = exportFilter();
  if (const auto* nothing = std::get_if<QString>(&filter)) return *nothing;
  journal::OpenError failure;
  journal::Journal* const journal = reader(failure);
  if (journal == nullptr) return QString::fromStdString(failure.message);
  const auto& records = std::get<journal::RecordFilter>(filter);
  const auto style = journal::ExportStyle::Russian;
  const std::filesystem::path path = file.toStdU16String();
  const std::optional<link::Failure> refused =
      form == ExportForm::AnimalWeights ? journal::exportAnimalWeights(*journal, records, style, path)
      : form == ExportForm::Growth      ? journal::exportGrowth(*journal, records, style, shares_(), path)
                                        : journal::exportResults(*journal, records, style, path);
  return refused ? std::optional(QString::fromStdString(refused->message)) : std::nullopt;
}

void JournalWindow::exportClick() {
  const auto choices = exportFilter();
  if (const auto* nothing = std::get_if<QString>(&choices)) {
    QMessageBox::information(this, windowTitle(), *nothing);
    return;
  }
  QString filter = kCsvFilter;
  // The dialog asks before a file it was given is replaced.
  QString file = QFileDialog::getSaveFileName(this, "Экспорт результатов", "журнал.csv",
                                              kCsvFilter + ";;" + kSheetFilter + ";;" + kWeightsFilter + ";;" + kGrowthFilter,
                                              &filter);
  if (file.isEmpty()) return;
  if (QFileInfo(file).suffix().isEmpty()) {
    file += filter == kSheetFilter || filter == kGrowthFilter ? ".xlsx" : ".csv";
    // A name the dialog never saw: asked here.
    if (QFileInfo::exists(file) &&
        QMessageBox::question(this, windowTitle(), QString("Файл «%1» уже есть. Заменить его?").arg(file)) !=
            QMessageBox::Yes) {
      return;
    }
  }
  const ExportForm form = filter == kWeightsFilter  ? ExportForm::AnimalWeights
                         : filter == kGrowthFilter ? ExportForm::Growth
                                                   : ExportForm::Results;
  if (const auto failure = exportTo(file, form)) {
    QMessageBox::warning(this, windowTitle(), QString("Файл «%1» не записан: %2").arg(file, *failure));
  }
}

}  // namespace tarvelo::window
