#pragma once

#include <QDialog>
#include <QString>
#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>

#include "session/list_import.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;

namespace tarvelo::window {

class ListImportPreview;

// "Импорт списка": reads a list file and says what it would change in the journal's list
// before it changes it; on "Импортировать" records the whole change in one transaction,
// or nothing. Reading and writing run off the window's thread, with a progress bar and
// "Отмена".
class ListImportDialog : public QDialog {
 public:
  ListImportDialog(std::filesystem::path file, std::filesystem::path journal, session::JournalContext context,
                   QWidget* parent = nullptr);
  ~ListImportDialog() override;

  // What was done, for the window to say: written, or why not; none while nothing was.
  const std::optional<QString>& outcome() const { return outcome_; }
  bool written() const { return written_; }

 private:
  void prepare();
  void showPrepared(session::ListImport prepared);
  void importClick();
  void cancelClick();
  void finishWriting(const std::optional<std::string>& failure);
  // Runs `work` off the window's thread, then `done` on it.
  void runOffThread(std::function<void()> work, std::function<void()> done);
  void showProgress();

  std::filesystem::path file_;
  std::filesystem::path journal_;
  session::JournalContext context_;
  QLabel* summary_;
  QTableView* table_;
  ListImportPreview* preview_;
  QCheckBox* clearEmpty_;
  QProgressBar* progress_;
  QPushButton* import_;
  QPushButton* cancel_;
  QTimer* progressTimer_;
  std::thread worker_;
  bool working_ = false;  // on the window's thread: a read or a write runs
  std::atomic<bool> cancelled_{false};
  std::atomic<size_t> done_{0};
  std::atomic<size_t> total_{0};
  std::optional<QString> outcome_;
  bool written_ = false;
};

}  // namespace tarvelo::window
