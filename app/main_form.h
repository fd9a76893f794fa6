#pragma once

#include <QMainWindow>
#include <QString>
#include <QTimer>
#include <memory>

#include "app/input_guards.h"
#include "app/settings_store.h"
#include "weighing/measurement_store.h"

class QFileDialog;
class QGroupBox;
class QMenu;
class QSystemTrayIcon;
class QTableWidget;

namespace Ui {
class TMainForm;
}

namespace tarvelo::app {

class TAskForm;

// The main window. Its layout is main_form.ui; its handlers read the controls, call
// the weighing core and show what the core holds.
class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window and runs its start-up: port list, the settings stored for this
  // executable file name, headings, and either the splash timer or, with the hidden
  // mode stored, a weighing run.
  TMainForm(std::unique_ptr<SettingsStore> settings, std::string executableFileName,
            QWidget* parent = nullptr);
  // Writes the settings back.
  ~TMainForm() override;

  bool hiddenStart() const { return hiddenStart_; }
  void setAskForm(TAskForm* askForm) { AskForm = askForm; }
  QTimer& timer1() { return Timer1; }
  TAskForm* askForm() const { return AskForm; }
  const weighing::MeasurementStore& measurements() const { return store; }

  // Event handlers, under the names the rest of the program knows them by.
  void FormCreate();
  void FormDestroy();
  void Timer1Timer();
  void N1Click();
  void N2Click();
  void DStabCBClick();
  void MWeightCBClick();
  void MinWCBClick();
  void RGr1Click();
  void FastWriteClick();
  void ChBox1Click();
  void ChBox2Click();
  void ComboBox1Change();
  void ClearButtonClick();
  void btnRemoveLastCycleClick();
  void sgResSelectCell(int column, int row);
  void FCheckClick();
  void Timer5Timer();
  void EnableLogFileControls(bool on);
  void EnableRecordControls(bool on);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void applyColumnWidths();
  void connectHandlers();
  void guardFields();
  void setUpPortList();
  void setUpTray();
  void RestoreSettings();
  void StoreSettings();
  void showGrids();
  bool idle() const;
  weighing::WeighingInputs inputs() const;
  void reportConversionError(const QString& text);

  std::unique_ptr<Ui::TMainForm> ui;
  std::unique_ptr<SettingsStore> settings;
  bool settingsOpen_ = false;
  bool hiddenStart_ = false;
  QString startupDir;
  std::string executableFileName;
  weighing::MeasurementStore store;
  InputGuards guards;
  QTimer Timer1;
  QTimer Timer2;
  QTimer Timer4;
  QTimer Timer5;
  QTimer trWTime;
  QMenu* PopupMenu1 = nullptr;
  QSystemTrayIcon* trayIcon = nullptr;
  QFileDialog* SaveDialog1 = nullptr;
  TAskForm* AskForm = nullptr;
  std::unique_ptr<TAskForm> confirmation_;
};

}  // namespace tarvelo::app
