#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <filesystem>
#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "journal/journal.h"
#include "journal/alert_shares.h"
#include "session/journal_entry.h"

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;
class QThread;
class QTimer;

namespace tarvelo::window {

class LabReader;
class LineChart;

// "Журнал": the objects weighed, each with its last weight, its reference weight and the
// change between them, a row below the alert share marked; one object's weights over the
// days since its first weighing; whether the journal's chain holds. "Принять за исходный"
// takes the chosen object's last weighing as its reference; "Экспорт…" writes the standing
// results, all or the chosen object's, of all days or of a period, as CSV or as a sheet.
class JournalWindow : public QDialog {
 public:
  // `shares` gives the shares of the reference weight, in per cent, below which a row is
  // marked: as a warning, and more strongly at the limit. `labServer` gives the lab's
  // server (empty for none): with one, "Вся лаборатория" shows every station's weighings.
  JournalWindow(std::filesystem::path journal, std::function<session::JournalContext()> context,
                std::function<journal::AlertShares()> shares, std::function<QString()> labServer = {},
                QWidget* parent = nullptr);

  ~JournalWindow() override;

  // Reads the journal anew; its chain is checked behind, on a thread of its own. With
  // "Вся лаборатория" chosen, reads the lab's server instead, behind too.
  void refresh();
  // Returns once the chain check under way has said its result.
  void waitForChainCheck();
  // The chosen object's last weighing becomes its reference.
  void takeAsReference();
  // Writes the results the export choices take to `file`, a sheet when it ends in
  // ".xlsx", CSV otherwise; or the animals' weighings in the long CSV form; or their
  // growth as a sheet. The reason when it cannot or when the choices take nothing.
  enum class ExportForm { Results, AnimalWeights, Growth };
  std::optional<QString> exportTo(const QString& file, ExportForm form = ExportForm::Results) const;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // The window's connection to the journal, opened when first needed and anew by each
  // full read; null, with the reason, when the journal cannot be read.
  journal::Journal* reader(journal::OpenError& failure) const;
  // Reads the journal anew when a record came since it was read.
  void followJournal();
  void checkChain();
  // Says what the chain check found and greys the rows it makes untrustworthy.
  void showVerification(const journal::Verification& result);
  // "Принять за исходный": asks, naming the old and the new reference, then takes it.
  void takeReferenceClick();
  void stopChainCheck();
  void showHistory();
  // The table's rows, one an object of objects_.
  void showObjects();
  // The object's weighings over the days, against its reference and the alert lines.
  void drawHistory(const journal::ObjectSummary& object, const std::vector<journal::JournalRecord>& results);
  // "Вся лаборатория" is chosen and a lab server is set.
  bool wholeLab() const;
  // Reads the lab's objects again every few seconds while its view is shown.
  void followLab();
  // The object of the chosen row; none when no row is chosen.
  std::optional<journal::ObjectSummary> chosenObject() const;
  void choose(const std::optional<journal::ObjectSummary>& object);
  void showLabObjects(const std::vector<journal::ObjectSummary>& objects, const QString& failure, double seconds);
  void showLabResults(const journal::ObjectSummary& object, const std::vector<journal::JournalRecord>& results,
                      const QString& failure);
  void exportClick();
  QWidget* makeExportChoices();
  // "Клетка" and "Группа" above the table: the rows of one cage or group, or all.
  QHBoxLayout* makeFilters();
  void fillFilters();
  void filterRows();
  // What the export choices take; why they take nothing when they do not.
  std::variant<journal::RecordFilter, QString> exportFilter() const;

  std::filesystem::path path_;
  std::function<session::JournalContext()> context_;
  std::function<journal::AlertShares()> shares_;
  std::function<QString()> labServer_;
  LabReader* labReader_;
  QCheckBox* wholeLab_;
  QCheckBox* alertedOnly_;
  std::set<std::int64_t> alerted_;  // the results an alert record names
  QPushButton* takeReference_;
  QWidget* exportChoices_;
  mutable std::unique_ptr<journal::Journal> reader_;
  std::vector<journal::ObjectSummary> objects_;
  QTableWidget* table_;
  QLabel* chain_;
  QLabel* chartCaption_;
  LineChart* chart_;
  QCheckBox* chosenObjectOnly_;
  QComboBox* cage_;
  QComboBox* group_;
  QCheckBox* period_;
  QDateEdit* from_;
  QDateEdit* to_;
  int weights_;
  int reference_;
  int warningLine_;
  int limitLine_;
  journal::Head shown_;  // the newest record the window shows
  QTimer* follow_;
  bool labReading_ = false;  // a read of the lab's objects is under way
  bool labShown_ = false;    // the lab's objects last read are the ones shown
  QElapsedTimer labRead_;    // since the lab's objects were last read
  QThread* chainCheck_ = nullptr;
  std::shared_ptr<std::atomic_bool> stopCheck_;
};

}  // namespace tarvelo::window
