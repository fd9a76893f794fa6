#include "window/journal/list_import_dialog.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "link/utf8_path.h"
#include "window/journal/list_import_preview.h"

namespace tarvelo::window {

namespace {

constexpr int kProgressEveryMs = 50;
constexpr int kDetailWidth = 480;  // the preview's last column, before the user widens it
const QString kClose = QStringLiteral("Закрыть");

QString text(const std::string& value) { return QString::fromStdString(value); }

QString summaryOf(const std::filesystem::path& file, const session::ListImport& prepared) {
  const QString name = QString::fromStdString(link::utf8Text(file.filename()));
  if (prepared.error) return QString("Список «%1» не прочитан: %2.").arg(name, text(*prepared.error));
  const journal::ImportPlan& plan = prepared.plan;
  QString summary = QString("Файл «%1» (%2). Добавится: %3, изменится: %4, без изменений: %5, не принято строк: %6.")
                        .arg(name, text(prepared.imported.source))
                        .arg(plan.added)
                        .arg(plan.changed)
                        .arg(plan.unchanged)
                        .arg(prepared.imported.refused.size());
  QStringList unread;
  for (const std::string& heading : prepared.imported.unread) unread << "«" + text(heading) + "»";
  if (!unread.isEmpty()) summary += "\nНе читаются столбцы: " + unread.join(", ") + ".";
  if (!prepared.imported.refused.empty())
    summary += "\nСтроки с ошибками не принимаются: исправьте файл. Пока они есть, список не изменится.";
  return summary;
}

}  // namespace

ListImportDialog::ListImportDialog(std::filesystem::path file, std::filesystem::path journal,
                                   session::JournalContext context, QWidget* parent)
    : QDialog(parent),
      file_(std::move(file)),
      journal_(std::move(journal)),
      context_(std::move(context)),
      summary_(new QLabel("Файл читается…", this)),
      table_(new QTableView(this)),
      preview_(new ListImportPreview(this)),
      clearEmpty_(new QCheckBox("Очистить пустые поля", this)),
      progress_(new QProgressBar(this)),
      import_(new QPushButton("Импортировать", this)),
      cancel_(new QPushButton("Отмена", this)),
      progressTimer_(new QTimer(this)) {
  setObjectName("ListImportDialog");
  setWindowTitle("Импорт списка животных");
  summary_->setObjectName("ListImportSummary");
  summary_->setWordWrap(true);
  table_->setObjectName("ListImportPreview");
  table_->setModel(preview_);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setColumnWidth(ListImportPreview::DetailColumn, kDetailWidth);
  clearEmpty_->setObjectName("ListImportClearEmpty");
  clearEmpty_->setToolTip("Пустая ячейка стирает сохраненное значение поля, а не оставляет его");
  import_->setObjectName("ListImportConfirm");
  import_->setEnabled(false);
  cancel_->setObjectName("ListImportCancel");
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(import_, QDialogButtonBox::AcceptRole);
  buttons->addButton(cancel_, QDialogButtonBox::RejectRole);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(table_);
  layout->addWidget(clearEmpty_);
  layout->addWidget(progress_);
  layout->addWidget(buttons);
  progressTimer_->setInterval(kProgressEveryMs);
  connect(progressTimer_, &QTimer::timeout, this, &ListImportDialog::showProgress);
  connect(import_, &QPushButton::clicked, this, &ListImportDialog::importClick);
  connect(cancel_, &QPushButton::clicked, this, &ListImportDialog::cancelClick);
  connect(clearEmpty_, &QCheckBox::toggled, this, &ListImportDialog::prepare);
  resize(sizeHint().expandedTo({840, 520}));
  prepare();
}

ListImportDialog::~ListImportDialog() {
  cancelled_ = true;
  if (worker_.joinable()) worker_.join();
}

void ListImportDialog::runOffThread(std::function<void()> work, std::function<void()> done) {
  if (worker_.joinable()) worker_.join();
  working_ = true;
  worker_ = std::thread([this, work = std::move(work), done = std::move(done)]() mutable {
    work();
    // Runs on the window's thread; dropped with the dialog, which waits for this thread.
    QMetaObject::invokeMethod(this, [this, done = std::move(done)] {
      working_ = false;
      done();
    }, Qt::QueuedConnection);
  });
}

void ListImportDialog::prepare() {
  import_->setEnabled(false);
  clearEmpty_->setEnabled(false);
  progress_->setRange(0, 0);  // reading: as long as it takes
  progress_->show();
  auto prepared = std::make_shared<session::ListImport>();
  runOffThread([prepared, file = file_, journal = journal_, clear = clearEmpty_->isChecked()] {
    *prepared = session::prepareListImport(file, journal, clear);
  }, [this, prepared] {
    if (cancelled_) return reject();
    showPrepared(std::move(*prepared));
  });
}

void ListImportDialog::showPrepared(session::ListImport prepared) {
  summary_->setText(summaryOf(file_, prepared));
  const bool takeable = !prepared.error && prepared.imported.refused.empty() && !prepared.plan.animals.empty();
  preview_->show(std::move(prepared));
  progress_->hide();
  clearEmpty_->setEnabled(true);
  import_->setEnabled(takeable);
  if (takeable) import_->setFocus();
}

void ListImportDialog::importClick() {
  import_->setEnabled(false);
  clearEmpty_->setEnabled(false);
  done_ = 0;
  total_ = preview_->shown().plan.animals.size();
  progress_->setRange(0, static_cast<int>(total_));
  progress_->setValue(0);
  progress_->show();
  progressTimer_->start();
  auto failure = std::make_shared<std::optional<std::string>>();
  runOffThread([this, failure, clear = clearEmpty_->isChecked(), now = QDateTime::currentDateTime()] {
    *failure = session::writeListImport(preview_->shown().imported, journal_, clear, context_, now,
                                        [this](size_t done, size_t total) {
                                          done_ = done;
                                          total_ = total;
                                          return !cancelled_;
                                        });
  }, [this, failure] { finishWriting(*failure); });
}

void ListImportDialog::showProgress() {
  progress_->setMaximum(static_cast<int>(total_));
  progress_->setValue(static_cast<int>(done_));
}

void ListImportDialog::cancelClick() {
  if (!working_) return written_ ? accept() : reject();
  cancelled_ = true;  // the write is rolled back, or the file read is left unused
  cancel_->setEnabled(false);
}

void ListImportDialog::finishWriting(const std::optional<std::string>& failure) {
  progressTimer_->stop();
  progress_->hide();
  written_ = !failure;
  const journal::ImportPlan& plan = preview_->shown().plan;
  outcome_ = failure ? QString("Список не изменен: %1.").arg(text(*failure))
                     : QString("Внесено в список: добавлено %1, изменено %2.").arg(plan.added).arg(plan.changed);
  summary_->setText(*outcome_);
  cancel_->setText(kClose);
  cancel_->setEnabled(true);
  cancel_->setFocus();
}

}  // namespace tarvelo::window
