#pragma once

#include <QDialog>
#include <QString>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "journal/animal_list.h"
#include "session/journal_entry.h"

class QLineEdit;
class QTableView;

namespace tarvelo::window {

class ListImportDialog;

class AnimalListFilter;
class AnimalListModel;

// "Список животных": the animals to weigh as the journal keeps them, who of them has been
// weighed today, typed in or imported from a colony-management system's CSV or .xlsx.
// Every change is a journal record.
class AnimalListWindow : public QDialog {
 public:
  // `changed` hears the list as it stands, and who of it was weighed today, at each read.
  using Changed = std::function<void(const std::vector<journal::Animal>&, const std::set<std::string>&)>;
  AnimalListWindow(std::filesystem::path journal, std::function<session::JournalContext()> context, Changed changed,
                   QWidget* parent = nullptr);

  // Reads the list and today's weighings anew.
  void refresh();
  // Opens the import of `file` into the list, which says what it would change first; the
  // list is read anew when the import has written it.
  ListImportDialog* openImport(const QString& file);
  // Records the table as the list: animals changed, added or taken out. The reason when
  // it cannot.
  std::optional<QString> saveTable();

 private:
  void importClick();
  void saveClick();
  void showList(std::vector<journal::Animal> animals, std::set<std::string> weighedToday);
  void addRow();
  void removeRow();
  // Widths from the headings and the first rows, once there are rows: never from all of them.
  void fitColumns();
  // The journal's list becomes the table's `wanted`: animals changed, added or taken out.
  std::optional<QString> record(const std::vector<journal::Animal>& wanted);

  std::filesystem::path path_;
  std::function<session::JournalContext()> context_;
  Changed changed_;
  AnimalListModel* list_;
  AnimalListFilter* shown_;
  QTableView* table_;
  std::vector<QLineEdit*> filters_;
  bool fitted_ = false;
};

}  // namespace tarvelo::window
