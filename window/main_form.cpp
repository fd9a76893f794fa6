#include "main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QUrl>

#include "window/ask_form.h"
#include "window/graph_part.h"
#include "window/grid_view.h"
#include "window/protocol_part.h"
#include "window/tray_part.h"
#include "window/hands_free_panel.h"
#include "window/program_files.h"
#include "window/load_resources.h"
#include "window/period_texts.h"
#include "window/radio_group.h"
#include "settings/stored_protocol_memory.h"
#include "session/weighing_session.h"
#include "link/balance_identity.h"
#include "ui_main_form.h"
#include "weighing/conversion_error.h"
#include "weighing/results_table.h"

namespace tarvelo::app {

namespace {

constexpr int kSplashMs = 3000;
constexpr int kTimer1LayoutMs = 1000;
constexpr int kTimer5Ms = 200;
constexpr int kTrWTimeMs = 1000;
constexpr int kFCheckItemCount = 6;
constexpr int kFCheckHeightMargin = 5;
constexpr int kRowSpacing = 5;
constexpr int kRowMargin = 4;
constexpr int kRowIndent = 10;
constexpr int kFirstUntimedPeriodItem = 8;
constexpr int kReadButtonMargin = 3;

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TMainForm::TMainForm(std::unique_ptr<SettingsStore> settingsStore, std::string executable, StartOptions options,
                     QWidget* parent)
    : QMainWindow(parent),
      ui(std::make_unique<Ui::TMainForm>()),
      settings(std::move(settingsStore)),
      executableFileName(std::move(executable)),
      startOptions_(std::move(options)) {
  if (!startOptions_.trayAvailable) startOptions_.trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable;
  ui->setupUi(this);
  // A fixed layout: the system menu and minimising, no maximising.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  keepLongTexts();
  applyColumnWidths();
  setUpSession();
  graph_ = new GraphPart(*ui, *session_, this);
  setUpOptions();
  // A coarse timer may fire 5 % early; the splash keeps its full time.
  Timer1.setTimerType(Qt::PreciseTimer);
  Timer1.setInterval(kTimer1LayoutMs);
  Timer5.setInterval(kTimer5Ms);
  trWTime.setInterval(kTrWTimeMs);
  SaveDialog1 = new QFileDialog(this);
  SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
  loadResources();
  tray_ = new TrayPart(this, ui->N2, startOptions_.trayAvailable);
  setUpReadButton();
  protocol_ = std::make_unique<ProtocolPart>(*ui, session_->measurements(), *session_, this);
  startupDir = QDir::currentPath();
  guardFields();
  connectHandlers();
  FormCreate();
}

TMainForm::~TMainForm() {
  FormDestroy();
  session_.reset();
}

void TMainForm::setUpSession() {
  RunControls controls{[this] { return inputs(); }, [this] { return ui->DStabCB->isChecked(); },
                       ui->MDLabel->text(), ui->MinWCB->text()};
  session_ = std::make_unique<WeighingSession>(
      std::move(controls), std::make_unique<StoredProtocolMemory>(makeSettingsStore(), executableFileName));
  connect(session_.get(), &WeighingSession::captionChanged, this, &TMainForm::setCaption);
  connect(session_.get(), &WeighingSession::storeChanged, this, &TMainForm::showGrids);
  connect(session_.get(), &WeighingSession::manualReadingReady, this, [this] {
    ui->ReadButton->setEnabled(true);
    ui->ReadButton->setFocus();
  });
  connect(session_.get(), &WeighingSession::lastNumChanged, this,
          [this](int lastNum) { graph_->setLastNum(lastNum); });
  connect(session_.get(), &WeighingSession::runEnded, this, &TMainForm::onRunEnded);
  connect(session_.get(), &WeighingSession::resultRecorded, this, [] { QApplication::beep(); });
  // The desktop session is ending: the program may not get to its normal shutdown.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this] {
    if (settingsOpen_) StoreSettings();
  });
}

// A "вручную" run takes a reading a press of ReadButton, which the layout keeps out of
// sight: it stands at the current measurement's top right, shown while such a run goes
// on; Space or Enter presses it when it has the focus.
void TMainForm::setUpReadButton() {
  ui->ReadButton->setParent(ui->Panel6);
  ui->ReadButton->move(ui->Panel6->width() - ui->ReadButton->width() - kReadButtonMargin, kReadButtonMargin);
  ui->ReadButton->setAutoDefault(true);
  ui->ReadButton->hide();
}

// The layout keeps each grid's column widths as a list, which Designer cannot set.
void TMainForm::applyColumnWidths() {
  for (auto* grid : findChildren<QTableWidget*>()) {
    const QStringList widths = grid->property("columnWidths").toStringList();
    for (int column = 0; column < widths.size(); ++column) grid->setColumnWidth(column, widths[column].toInt());
  }
}

void TMainForm::guardFields() {
  for (QWidget* field : {static_cast<QWidget*>(ui->MaxDW), static_cast<QWidget*>(ui->DWTime),
                         static_cast<QWidget*>(ui->MinimW), static_cast<QWidget*>(ui->MaxDif),
                         static_cast<QWidget*>(ui->WorkTime), static_cast<QWidget*>(ui->ComboBox1)}) {
    guards.guard(field, KeyFilter::Decimal, true);
  }
  guards.guard(ui->NumberWeightTime, KeyFilter::Digits, true);
  guards.guard(ui->SizeEdit, KeyFilter::Digits, true);
  guards.guard(ui->StartNum, KeyFilter::Digits, false);
  guards.guard(ui->LastNum, KeyFilter::Digits, false);
  guards.guard(ui->FileNameEdit, KeyFilter::None, true);
  guards.guard(ui->ComCB, KeyFilter::SelectOnly, false);
  guards.guard(ui->cbWTime, KeyFilter::SelectOnly, false);
}

// Every change a handler answers is connected through the control's change signal,
// so a value set from code runs the handler as the user's change does.
void TMainForm::connectHandlers() {
  connect(&Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
  connect(&Timer5, &QTimer::timeout, this, &TMainForm::Timer5Timer);
  connect(ui->WeightButton, &QPushButton::clicked, this, &TMainForm::WeightButtonClick);
  connect(ui->StopButton, &QPushButton::clicked, this, &TMainForm::StopButtonPressed);
  connect(ui->ReadButton, &QPushButton::clicked, session_.get(), &WeighingSession::Timer2Timer);
  connect(ui->ApplyButton1, &QPushButton::clicked, this, &TMainForm::ApplyButton1Click);
  connect(ui->btnPrint, &QPushButton::clicked, this, &TMainForm::btnPrintClick);
  connect(ui->ChoseFButton, &QPushButton::clicked, this, &TMainForm::ChoseFButtonClick);
  connect(ui->FCheck, &QListWidget::itemClicked, this, &TMainForm::FCheckClick);
  connect(ui->N1, &QAction::triggered, this, &TMainForm::N1Click);
  connect(ui->N2, &QAction::triggered, this, &TMainForm::N2Click);
  connect(ui->DStabCB, &QCheckBox::toggled, this, &TMainForm::DStabCBClick);
  connect(ui->MWeightCB, &QCheckBox::toggled, this, &TMainForm::MWeightCBClick);
  connect(ui->MinWCB, &QCheckBox::toggled, this, &TMainForm::MinWCBClick);
  connect(ui->MinimW, &QLineEdit::textChanged, this, &TMainForm::MinWCBClick);
  connect(ui->FastWrite, &QCheckBox::toggled, this, &TMainForm::FastWriteClick);
  connect(ui->ChBox1, &QCheckBox::toggled, this, &TMainForm::ChBox1Click);
  connect(ui->ChBox2, &QCheckBox::toggled, this, &TMainForm::ChBox2Click);
  connect(ui->ComboBox1, &QComboBox::currentTextChanged, this, &TMainForm::ComboBox1Change);
  for (auto* item : radioItems(ui->RGr1)) connect(item, &QRadioButton::toggled, this, &TMainForm::RGr1Click);
  connect(ui->ClearButton, &QPushButton::clicked, this, &TMainForm::ClearButtonClick);
  connect(ui->btnRemoveLastCycle, &QPushButton::clicked, this, &TMainForm::btnRemoveLastCycleClick);
  connect(ui->sgRes, &QTableWidget::currentCellChanged, this,
          [this](int row, int column, int, int) { sgResSelectCell(column, row + 1); });
}

void TMainForm::setUpPortList() {
  for (const auto& item : link::comPortItems()) ui->ComCB->addItem(qs(item));
  ui->Label2->move((ui->Panel5->width() - ui->Label2->width()) / 2, ui->Label2->y());
  const int rest = ui->Panel8->width() - ui->Label8->width() - ui->Label7->width() - ui->SizeEdit->width() - kRowMargin;
  ui->Label7->move(rest / 2 + kRowIndent, ui->Label7->y());
  ui->SizeEdit->move(ui->Label7->x() + ui->Label7->width() + kRowSpacing, ui->SizeEdit->y());
  ui->Label8->move(ui->SizeEdit->x() + ui->SizeEdit->width() + kRowSpacing, ui->Label8->y());
}

void TMainForm::FormCreate() {
  hide();
  setUpPortList();
  settingsOpen_ = settings->open(executableFileName) || settings->create(executableFileName);
  Timer1.setInterval(kSplashMs);
  Timer1.start();
  const int itemHeight = (ui->FCheck->height() - kFCheckHeightMargin) / kFCheckItemCount;
  for (int i = 0; i < ui->FCheck->count(); ++i) ui->FCheck->item(i)->setSizeHint({0, itemHeight});
  if (settingsOpen_) {
    RestoreSettings();
    ui->FileNameEdit->setEnabled(ui->FastWrite->isChecked());
    ui->MDLabel->setEnabled(ui->ComboBox1->currentText() == kOnChangePeriod);
    ui->MaxDif->setEnabled(ui->MDLabel->isEnabled());
    ui->Label10->setEnabled(ui->MDLabel->isEnabled());
    if (ui->FastWrite->isChecked() && startOptions_.mode == StartMode::AsStored) {
      hiddenStart_ = true;
      Timer1.stop();
      if (startRun()) return;
      // The stored settings cannot start a run: the user must see the window to mend them.
      show();
    }
  }
  EnableLogFileControls(ui->FastWrite->isChecked());
  session_->titleCurrentGrid();
}

void TMainForm::FormDestroy() {
  if (!settingsOpen_) return;
  StoreSettings();
  settings->close();
}

void TMainForm::Timer1Timer() {
  if (AskForm != nullptr) AskForm->close();
  Timer1.stop();
  centreOnScreen();
  show();
  if (session_->handsFree().startsWhenShown(ui->FastWrite->isChecked()) && idle()) startRun();
}

void TMainForm::centreOnScreen() {
  if (const QScreen* display = screen()) move(display->availableGeometry().center() - rect().center());
}

void TMainForm::closeEvent(QCloseEvent* event) {
  event->accept();
  QApplication::quit();
}

void TMainForm::N1Click() {
  const QString help = helpFilePath(startupDir, QCoreApplication::applicationDirPath());
  QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}

void TMainForm::N2Click() { QApplication::quit(); }

void TMainForm::ApplyButton1Click() { protocol_->ApplyButton1Click(); }
void TMainForm::btnPrintClick() { protocol_->btnPrintClick(); }
bool TMainForm::printProtocol(QPrinter& printer) const { return protocol_->printProtocol(printer); }
void TMainForm::AppButtonClick() { graph_->AppButtonClick(); }
void TMainForm::ShowGraphClick() { graph_->ShowGraphClick(); }
bool TMainForm::saveGraph(const QString& path, bool gif) { return graph_->saveGraph(path, gif); }
bool TMainForm::printGraph(QPrinter& printer) { return graph_->printGraph(printer); }

bool TMainForm::idle() const { return !ui->WeightButton->isHidden(); }

void TMainForm::DStabCBClick() {
  const bool on = ui->DStabCB->isChecked();
  ui->MaxDW->setEnabled(on && idle());
  ui->DWTime->setEnabled(on && idle());
  for (QWidget* label : {ui->MaxDWLabel, ui->Label6, ui->MTimeLabel}) label->setEnabled(on);
}

void TMainForm::MWeightCBClick() {
  if (ui->MWeightCB->isChecked()) ui->MinWCB->setChecked(false);
}

void TMainForm::MinWCBClick() {
  const bool on = ui->MinWCB->isChecked();
  ui->MinimW->setEnabled(on && idle());
  ui->Label9->setEnabled(on);
}

void TMainForm::RGr1Click() { ui->RGr2->setEnabled(radioIndex(ui->RGr1) == 1); }

void TMainForm::FastWriteClick() {
  const bool hidden = ui->FastWrite->isChecked();
  EnableLogFileControls(hidden);
  EnableRecordControls(!hidden);
  if (hidden) {
    ui->ComboBox1->removeItem(kFirstUntimedPeriodItem);
    ui->ComboBox1->removeItem(kFirstUntimedPeriodItem);
  } else {
    ui->ComboBox1->addItems({kManualPeriod, kOnChangePeriod});
  }
}

void TMainForm::ChBox1Click() { ui->WorkTime->setEnabled(ui->ChBox1->isChecked()); }

void TMainForm::ChBox2Click() { ui->NumberWeightTime->setEnabled(ui->ChBox2->isChecked()); }

void TMainForm::ComboBox1Change() {
  const bool onChange = ui->ComboBox1->currentText() == kOnChangePeriod;
  for (QWidget* control : {static_cast<QWidget*>(ui->MaxDif), static_cast<QWidget*>(ui->MDLabel),
                           static_cast<QWidget*>(ui->Label10)}) {
    control->setEnabled(onChange);
  }
}

void TMainForm::EnableLogFileControls(bool on) {
  if (on) {
    ui->WorkTime->setEnabled(ui->ChBox1->isChecked());
    ui->ChBox2->setEnabled(true);
    ui->NumberWeightTime->setEnabled(ui->ChBox2->isChecked());
  } else {
    ui->WorkTime->setEnabled(false);
    ui->NumberWeightTime->setEnabled(false);
  }
  for (QWidget* control : {static_cast<QWidget*>(ui->FileNameEdit), static_cast<QWidget*>(ui->ChoseFButton),
                           static_cast<QWidget*>(ui->Label14), static_cast<QWidget*>(ui->ChBox1),
                           static_cast<QWidget*>(ui->ChBox2)}) {
    control->setEnabled(on);
  }
}

void TMainForm::EnableRecordControls(bool on) {
  for (QWidget* control :
       {static_cast<QWidget*>(ui->FCheck), static_cast<QWidget*>(ui->Label5), static_cast<QWidget*>(ui->Label7),
        static_cast<QWidget*>(ui->Label8), static_cast<QWidget*>(ui->SizeEdit), static_cast<QWidget*>(ui->RGr1),
        static_cast<QWidget*>(ui->StabCB), static_cast<QWidget*>(ui->DStabCB), static_cast<QWidget*>(ui->MinWCB),
        static_cast<QWidget*>(ui->MWeightCB), static_cast<QWidget*>(ui->MaxDW), static_cast<QWidget*>(ui->MaxDWLabel),
        static_cast<QWidget*>(ui->Label6), static_cast<QWidget*>(ui->DWTime), static_cast<QWidget*>(ui->MTimeLabel),
        static_cast<QWidget*>(ui->MinimW), static_cast<QWidget*>(ui->Label9)}) {
    control->setEnabled(on);
  }
  ui->RGr2->setEnabled(on && radioIndex(ui->RGr1) != 0);
}

weighing::WeighingInputs TMainForm::inputs() const {
  weighing::WeighingInputs in;
  for (int i = 0; i < weighing::kFCheckItems; ++i) {
    in.FCheck[static_cast<std::size_t>(i)] = ui->FCheck->item(i)->checkState() == Qt::Checked;
  }
  in.eUnit = ui->eUnit->text().toStdString();
  in.cbWTime = ui->cbWTime->currentText().toStdString();
  in.SizeEdit = ui->SizeEdit->text().toStdString();
  in.MaxDif = ui->MaxDif->text().toStdString();
  in.MinimW = ui->MinimW->text().toStdString();
  in.StabCB = ui->StabCB->isChecked();
  in.MWeightCB = ui->MWeightCB->isChecked();
  in.MinWCB = ui->MinWCB->isChecked();
  in.decimalSeparator = QLocale::system().decimalPoint().at(0).toLatin1();
  return in;
}

void TMainForm::reportConversionError(const QString& text, const QString& field) {
  tell(QMessageBox::Critical, notANumberText(text, field));
}

void TMainForm::tell(QMessageBox::Icon icon, const QString& message) {
  // Whoever scheduled a hidden start reads why it did not start.
  if (hiddenStart_) printToStandardError(message);
  QMessageBox(icon, windowTitle(), message, QMessageBox::Ok, this).exec();
}

const weighing::MeasurementStore& TMainForm::measurements() const { return session_->measurements(); }

void TMainForm::showGrids() {
  const weighing::MeasurementStore& store = session_->measurements();
  showGrid(ui->StrGrid1, store.StrGrid1);
  showGrid(ui->sgRes, store.sgRes);
  showGrid(ui->sgTotal, store.sgTotal);
  showGrid(ui->WStringGrid, store.WStringGrid);
  showGrid(ui->TimeStringGrid, store.TimeStringGrid);
  // The core has already taken the selection; showing it is no new choice of the user.
  const QSignalBlocker quiet(ui->sgRes);
  if (store.selectedResultRow >= 1) ui->sgRes->selectRow(store.selectedResultRow - 1);
  ui->lBalInfo->setText(qs(store.lBalInfo));
  optionsAction_->setEnabled(session_->settingsMayChange());
  graph_->refresh();
}

void TMainForm::ClearButtonClick() {
  ui->Memo2->clear();
  if (!session_->polling()) {
    ui->Label5->setEnabled(true);
    ui->FCheck->setEnabled(true);
  }
  session_->clearResults();
}

void TMainForm::btnRemoveLastCycleClick() {
  const weighing::RemovalDialogs dialogs{
      [this](const std::string& text, const std::string& caption) {
        QMessageBox::information(this, qs(caption), qs(text), QMessageBox::Ok);
      },
      [this](const std::string& text, const std::string& caption) {
        return QMessageBox::question(this, qs(caption), qs(text), QMessageBox::Ok | QMessageBox::Cancel) ==
               QMessageBox::Ok;
      }};
  ui->Memo2->clear();
  try {
    session_->removeResultRow(dialogs);
  } catch (const weighing::ConversionError& error) {
    reportConversionError(qs(error.text()));
    showGrids();
  }
}

void TMainForm::sgResSelectCell(int /*column*/, int row) { session_->selectResultRow(row); }

void TMainForm::FCheckClick() {
  if (session_->measurements().StrGrid1.cell(0, 0).empty()) return;
  confirmation_ = std::make_unique<TAskForm>(hiddenStart_);
  AskForm = confirmation_.get();
  AskForm->FormCreate();
  AskForm->ShowConfirmation();
  Timer5.start();
  setEnabled(false);
}

void TMainForm::Timer5Timer() {
  if (!AskForm->askClosed) return;
  if (AskForm->askAnswer) {
    ui->Memo2->clear();
    if (!session_->polling()) ui->Label5->setEnabled(true);
    session_->clearForNewFields();
  }
  AskForm->askAnswer = false;
  show();
  setEnabled(true);
  activateWindow();
  Timer5.stop();
}

}  // namespace tarvelo::app
