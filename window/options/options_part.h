#pragma once

#include <QObject>
#include <functional>
#include "session/lab_link.h"
#include "session/tag_reader_link.h"
#include "session/weighing_session.h"

class QAction;
class QMainWindow;

namespace Ui {
class TMainForm;
}

namespace tarvelo::window {

class HandsFreePanel;
class JournalPanel;
class LabServerPanel;
class TagReaderPanel;
class OptionsDialog;
class WindowPlace;

// "Параметры…": the settings the layout keeps out of sight, in a dialog of their own
// reached from the menu, and what its "OK" sets going. Owned by the main window.
class OptionsPart : public QObject {
 public:
  struct Actions {
    std::function<bool()> startRun;
    std::function<void()> storeSettings;
  };

  // The menu entry goes before "Справка", with `graphAction` after it. `labLink` is none
  // without a journal.
  OptionsPart(Ui::TMainForm& ui, session::WeighingSession& session, session::TagReaderLink& tagReader,
              session::LabLink* labLink, QAction* graphAction, Actions actions, WindowPlace& place,
              QMainWindow* window);

  QAction* action() const { return action_; }
  HandsFreePanel& handsFreePanel() const { return *handsFreePanel_; }
  JournalPanel& journalPanel() const { return *journalPanel_; }
  TagReaderPanel& tagReaderPanel() const { return *tagReaderPanel_; }
  LabServerPanel& labServerPanel() const { return *labServerPanel_; }

  // Shows the dialog; "OK" writes the settings at once.
  void OptionsClick();

 private:
  void offerHiddenLogging();

  Ui::TMainForm* ui;
  session::WeighingSession& session_;
  Actions actions_;
  QMainWindow* window_;
  HandsFreePanel* handsFreePanel_;
  JournalPanel* journalPanel_;
  TagReaderPanel* tagReaderPanel_;
  LabServerPanel* labServerPanel_;
  OptionsDialog* dialog_ = nullptr;
  QAction* action_ = nullptr;
};

}  // namespace tarvelo::window
