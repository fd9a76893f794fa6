#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "weighing/measurement_store.h"
#include "weighing/weighing_inputs.h"
#include "session/weighing_session.h"

class QAction;
class QLineEdit;
class QMainWindow;
class QPrinter;
class QWidget;

namespace Ui {
class TMainForm;
}

namespace tarvelo::window {

class UpDown;
class WindowPlace;

// The graph of the current weighing: the readings in red with their trend line, drawn
// after every recorded reading or over a chosen range, in a window of its own reached
// by "График", saved as a picture or printed. Owned by the main window.
class GraphPart : public QObject {
 public:
  GraphPart(Ui::TMainForm& ui, session::WeighingSession& session, WindowPlace& place, QMainWindow* mainWindow);

  // The menu entry "График".
  QAction* action() const { return action_; }
  // The store changed: the chart and whether it may be shown follow it.
  void refresh();
  // A finished weighing's range ends at `lastNum`.
  void setLastNum(int lastNum);

  // Shows the graph's window, the range ending at the last reading.
  void AppButtonClick();
  void ShowGraphClick();
  // The chart as a JPEG or GIF picture, and printed on a given printer.
  bool saveGraph(const QString& path, bool gif);
  bool printGraph(QPrinter& printer);

 private:
  void SaveGraphClick();
  void PrintGraphClick();
  void StartNumExit();
  void LastNumExit();
  void LastNumChange();
  void UpDown1Click();
  void setUpChart();
  void showChart();
  // The whole number in the "с" or "по" field; nothing, having named the field, when it
  // holds none.
  std::optional<int> rangeNumber(const QLineEdit* field);
  void tellBadNumber(const QString& text, const QString& field);
  const weighing::MeasurementStore& store() const;

  Ui::TMainForm* ui;
  session::WeighingSession& session_;
  QMainWindow* mainWindow_;
  QWidget* window_ = nullptr;
  WindowPlace& place_;
  QAction* action_ = nullptr;
  UpDown* startNumSpinner = nullptr;  // UpDown1
  int Series1 = 0;  // the readings, red
  int Series3 = 0;  // the trend line, blue
};

}  // namespace tarvelo::window
