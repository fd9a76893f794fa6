#include "window/main/main_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QUrl>

#include "window/main/ask_form.h"
#include "window/widgets/centre_on_screen.h"
#include "window/main/control_rules.h"
#include "window/main/status_note.h"
#include "window/widgets/input_guards.h"
#include "window/options/options_part.h"
#include "window/options/window_settings.h"
#include "window/graph/graph_part.h"
#include "window/widgets/field_name.h"
#include "window/options/journal_panel.h"
#include "window/options/lab_server_panel.h"
#include "window/options/tag_reader_panel.h"
#include "window/journal/animal_list_window.h"
#include "window/journal/journal_window.h"
#include "window/widgets/grid_view.h"
#include "window/protocol/protocol_part.h"
#include "window/main/tray_part.h"
#include "window/protocol/program_files.h"
#include "window/main/load_resources.h"
#include "settings/stored_protocol_memory.h"
#include "session/decimal_separator.h"
#include "session/weighing_session.h"
#include "link/balance_identity.h"
#include "ui_main_form.h"
#include "weighing/conversion_error.h"
#include "weighing/results_table.h"

namespace tarvelo::window {

namespace {

constexpr int kSplashMs = 3000;
constexpr int kTimer1LayoutMs = 1000;
constexpr int kTimer5Ms = 200;
constexpr int kFCheckItemCount = 6;
constexpr int kFCheckHeightMargin = 5;
constexpr int kRowSpacing = 5;
constexpr int kRowMargin = 4;
constexpr int kRowIndent = 10;
constexpr int kReadButtonMargin = 3;
// The shares of the status bar the lasting notes take; the rest is for the passing messages.
constexpr double kLabNoteShare = 0.3;
constexpr double kAnimalNoteShare = 0.3;

QString qs(const std::string& text) { return QString::fromStdString(text); }

const QColor kWarningRow(255, 235, 180);
const QColor kLimitRow(255, 170, 170);

}  // namespace

TMainForm::TMainForm(std::unique_ptr<settings::SettingsStore> settingsStore, std::string executable, StartOptions options,
                     QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TMainForm>()), startOptions_(std::move(options)) {
  if (!startOptions_.trayAvailable) startOptions_.trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable;
  ui->setupUi(this);
  // A fixed layout: the system menu and minimising, no maximising.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  applyColumnWidths();
  setUpSession(executable);
  graph_ = new GraphPart(*ui, *session_, places_.graph, this);
  tagReader_ = new session::TagReaderLink(this);
  if (!startOptions_.journal.empty()) labLink_ = new session::LabLink(startOptions_.journal, this);
  options_ = new OptionsPart(*ui, *session_, *tagReader_, labLink_, graph_->action(),
                             {[this] { return startRun(); }, [this] { settings_->StoreSettings(); }}, places_.options,
                             this);
  settings_ = new WindowSettings(
      std::move(settingsStore), executable,
      {*ui, options_->handsFreePanel(), session_->handsFree(), options_->journalPanel(), options_->tagReaderPanel(),
       options_->labServerPanel(), places_},
      this);
  setUpJournal();
  // A coarse timer may fire 5 % early; the splash keeps its full time.
  Timer1.setTimerType(Qt::PreciseTimer);
  Timer1.setInterval(kTimer1LayoutMs);
  Timer5.setInterval(kTimer5Ms);
  loadResources();
  tray_ = new TrayPart(this, ui->N2, startOptions_.trayAvailable);
  setUpReadButton();
  setUpTagReader();
  setUpLabLink();
  protocol_ = std::make_unique<ProtocolPart>(*ui, *session_, this);
  startupDir = QDir::currentPath();
  guardFields();
  nameFieldsByTheirLabels(*this);
  rules_ = new ControlRules(*ui, this);
  connectHandlers();
  FormCreate();
}

TMainForm::~TMainForm() {
  FormDestroy();
  sayJournalLoss(session_->closeJournal());
  session_.reset();
}

void TMainForm::setUpTagReader() {
  connect(tagReader_, &session::TagReaderLink::tagRead, this, [this](const QString& number, qint64 atMs) {
    session_->tagRead(number.toStdString(), atMs);
    statusBar()->showMessage(QString("Метка %1").arg(session::tagText(number)));
  });
  connect(tagReader_, &session::TagReaderLink::stateChanged, this, linkStateSayer());
}

void TMainForm::setUpLabLink() {
  if (labLink_ == nullptr) return;
  // The rest of the bar is for the passing messages.
  auto* note = new StatusNote(statusBar(), "LabServerNote", kLabNoteShare);
  connect(labLink_, &session::LabLink::stateChanged, note, &StatusNote::say);
  connect(session_.get(), &session::WeighingSession::journalWritten, labLink_, &session::LabLink::poke);
}

std::function<void(const QString& text, bool trouble)> TMainForm::linkStateSayer() {
  return [this, troubled = false](const QString& text, bool trouble) mutable {
    if (trouble) {
      tray_->showLastingNote(text);
    } else if (troubled) {
      tray_->endLastingNote(text);
    } else {
      statusBar()->showMessage(text);
    }
    troubled = trouble;
  };
}

void TMainForm::sayJournalLoss(const QString& lost) {
  if (lost.isEmpty()) return;
  printToStandardError(lost);
  // A box only for a person who ran the program and is there to read it.
  if (!tray_->hiddenStart() && !session_->hidden() && !session_->handsFree().armed())
    QMessageBox::warning(nullptr, windowTitle(), lost);
}

bool TMainForm::hiddenStart() const { return tray_->hiddenStart(); }

void TMainForm::setUpSession(const std::string& executableFileName) {
  session::RunControls controls{[this] { return inputs(); }, [this] { return ui->DStabCB->isChecked(); },
                       ui->MDLabel->text(), ui->MinWCB->text()};
  session_ = std::make_unique<session::WeighingSession>(
      std::move(controls), std::make_unique<settings::StoredProtocolMemory>(settings::makeSettingsStore(), executableFileName));
  connect(session_.get(), &session::WeighingSession::captionChanged, this, &TMainForm::setCaption);
  connect(session_.get(), &session::WeighingSession::storeChanged, this, &TMainForm::showGrids);
  connect(session_.get(), &session::WeighingSession::manualReadingReady, this, [this] {
    ui->ReadButton->setEnabled(true);
    ui->ReadButton->setFocus();
  });
  connect(session_.get(), &session::WeighingSession::lastNumChanged, this,
          [this](int lastNum) { graph_->setLastNum(lastNum); });
  connect(session_.get(), &session::WeighingSession::runEnded, this, &TMainForm::onRunEnded);
  connect(session_.get(), &session::WeighingSession::resultRecorded, this, [] { QApplication::beep(); });
  connect(session_.get(), &session::WeighingSession::resultAdded, this, &TMainForm::readyForNextAnimal);
  // The number typed is the weighing's now; what is typed next is for the next.
  connect(session_.get(), &session::WeighingSession::animalTaken, ui->eAnimal, &QLineEdit::clear);
  connect(session_.get(), &session::WeighingSession::animalChanged, this, [this, note = (StatusNote*)nullptr]() mutable {
    offerNextAnimal();
    const QString text = session_->animalText();
    // The status bar comes with the first thing it has to say: the layout keeps its height till then.
    if (note == nullptr && text.isEmpty()) return;
    if (note == nullptr) note = new StatusNote(statusBar(), "AnimalNote", kAnimalNoteShare);
    note->say(text, false);
  });
  connect(session_.get(), &session::WeighingSession::animalRepeated, this,
          [this](const QString& message) { statusBar()->showMessage(message); });
  if (!startOptions_.journal.empty()) {
    session_->setJournal(std::make_unique<session::ResultJournal>(startOptions_.journal, [this] { return journalContext(); },
                                                         [this] { return options_->journalPanel().alertShares(); }));
  }
  // Said without a box that waits: the weighing goes on.
  const auto tell = [this](const QString& message) {
    if (session_->hidden()) {
      tray_->tellUnattended(message);
    } else {
      tray_->showLastingNote(message);
    }
  };
  connect(session_.get(), &session::WeighingSession::journalBacklog, this, [this, tell](int waiting, const QString& reason) {
    if (waiting > 0) {
      tell(QString("Не записано в журнал: %1 (%2). Взвешивание продолжается; записи будут внесены, как только "
                   "журнал их примет.")
               .arg(waiting)
               .arg(reason));
    } else if (!reason.isEmpty()) {
      tell("Журнал взвешиваний: " + reason);
    } else {
      tray_->endLastingNote("Отложенные записи внесены в журнал взвешиваний.");
      if (session_->hidden()) printToStandardError("Отложенные записи внесены в журнал взвешиваний.");
    }
  });
  connect(session_.get(), &session::WeighingSession::weightAlert, this, tell);
  connect(session_.get(), &session::WeighingSession::journalDamaged, this, [tell](const QString& found) {
    tell("Журнал взвешиваний поврежден, его записям нельзя доверять без проверки. " + found);
  });
}

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
  auto& guards = *new InputGuards(this);
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
  connect(ui->eAnimal, &QLineEdit::returnPressed, this, &TMainForm::eAnimalReturnPressed);
  connect(ui->StopButton, &QPushButton::clicked, this, &TMainForm::StopButtonPressed);
  connect(ui->ReadButton, &QPushButton::clicked, session_.get(), &session::WeighingSession::Timer2Timer);
  connect(ui->ApplyButton1, &QPushButton::clicked, this, &TMainForm::ApplyButton1Click);
  connect(ui->btnPrint, &QPushButton::clicked, this, &TMainForm::btnPrintClick);
  connect(ui->ChoseFButton, &QPushButton::clicked, this, &TMainForm::ChoseFButtonClick);
  connect(ui->FCheck, &QListWidget::itemClicked, this, &TMainForm::FCheckClick);
  connect(ui->N1, &QAction::triggered, this, &TMainForm::N1Click);
  connect(ui->N2, &QAction::triggered, this, &TMainForm::N2Click);
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
  Timer1.setInterval(kSplashMs);
  Timer1.start();
  const int itemHeight = (ui->FCheck->height() - kFCheckHeightMargin) / kFCheckItemCount;
  for (int i = 0; i < ui->FCheck->count(); ++i) ui->FCheck->item(i)->setSizeHint({0, itemHeight});
  if (settings_->RestoreSettings(startOptions_.handsFree)) {
    rules_->showRestored();
    // A hidden run only logs the balance: no animal is named.
    if (!ui->FastWrite->isChecked()) options_->tagReaderPanel().apply();
    options_->labServerPanel().apply();
    if (ui->FastWrite->isChecked() && startOptions_.mode == StartMode::AsStored) {
      tray_->startHidden();
      Timer1.stop();
      if (startRun()) return;
      // The stored settings cannot start a run: the user must see the window to mend them.
      show();
    }
  }
  rules_->EnableLogFileControls(ui->FastWrite->isChecked());
  session_->titleCurrentGrid();
}

void TMainForm::FormDestroy() { settings_->close(); }

void TMainForm::Timer1Timer() {
  if (AskForm != nullptr) AskForm->close();
  Timer1.stop();
  centreOnScreen();
  show();
  if (session_->handsFree().startsWhenShown(ui->FastWrite->isChecked()) && rules_->idle()) startRun();
}

void TMainForm::centreOnScreen() {
  if (const QScreen* display = screen()) window::centreOnScreen(*this, *display);
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

void TMainForm::OptionsClick() { options_->OptionsClick(); }

void TMainForm::setUpJournal() {
  auto* action = new QAction("Журнал", this);
  action->setObjectName("JournalAction");
  action->setEnabled(!startOptions_.journal.empty());
  ui->MainMenu1->insertAction(ui->N1, action);
  connect(action, &QAction::triggered, this, &TMainForm::JournalClick);
  auto* list = new QAction("Список животных", this);
  list->setObjectName("AnimalListAction");
  list->setEnabled(!startOptions_.journal.empty());
  ui->MainMenu1->insertAction(ui->N1, list);
  connect(list, &QAction::triggered, this, &TMainForm::AnimalListClick);
  if (startOptions_.journal.empty()) return;
  animalList_ = new AnimalListWindow(
      startOptions_.journal, [this] { return journalContext(); },
      [this](const std::vector<journal::Animal>& animals, const std::set<std::string>& weighed) {
        session_->setAnimals(animals);
        weighedToday_ = weighed;
        offerNextAnimal();
      },
      this);
  animalList_->refresh();  // the list comes into the session at the start
  // Another station's change to the lab's list comes into this one's.
  if (labLink_) connect(labLink_, &session::LabLink::listChanged, animalList_, &AnimalListWindow::refresh);
}

void TMainForm::AnimalListClick() {
  session_->waitForJournal();  // the row just made counts as weighed
  animalList_->show();
  animalList_->raise();
  animalList_->refresh();
}

void TMainForm::offerNextAnimal() {
  // The one scanned for the next weighing, or the first on the list not weighed today.
  if (!session_->nextAnimal().empty()) {
    ui->eAnimal->setPlaceholderText(QString::fromStdString(session_->nextAnimal()));
    return;
  }
  const auto& animals = session_->animals();
  const auto next = std::find_if(animals.begin(), animals.end(),
                                 [this](const journal::Animal& animal) { return !weighedToday_.contains(animal.number); });
  ui->eAnimal->setPlaceholderText(next == animals.end() ? QString() : QString::fromStdString(next->number));
}

session::JournalContext TMainForm::journalContext() const {
  return {ui->ePerson->text().toStdString(), ui->eLabelNum->text().toStdString()};
}

void TMainForm::JournalClick() {
  if (journalWindow_ == nullptr) {
    journalWindow_ = new JournalWindow(startOptions_.journal, [this] { return journalContext(); },
                                       [this] { return options_->journalPanel().alertShares(); },
                                       [this] { return options_->labServerPanel().server(); }, this);
  }
  session_->waitForJournal();  // the row just made is shown too
  journalWindow_->refresh();
  places_.journal.put(*journalWindow_, journalWindow_->size(), *screen());
  journalWindow_->show();
  journalWindow_->raise();
}

weighing::WeighingInputs TMainForm::inputs() const {
  weighing::WeighingInputs in;
  for (int i = 0; i < weighing::kFCheckItems; ++i) {
    in.FCheck[static_cast<std::size_t>(i)] = ui->FCheck->item(i)->checkState() == Qt::Checked;
  }
  in.eUnit = ui->eUnit->text().toStdString();
  in.eAnimal = ui->eAnimal->text().trimmed().toStdString();
  in.cbWTime = ui->cbWTime->currentText().toStdString();
  in.SizeEdit = ui->SizeEdit->text().toStdString();
  in.MaxDif = ui->MaxDif->text().toStdString();
  in.MinimW = ui->MinimW->text().toStdString();
  in.StabCB = ui->StabCB->isChecked();
  in.MWeightCB = ui->MWeightCB->isChecked();
  in.MinWCB = ui->MinWCB->isChecked();
  in.decimalSeparator = session::systemDecimalSeparator();
  return in;
}

void TMainForm::reportConversionError(const QString& text, const QString& field) {
  tell(QMessageBox::Critical, session::notANumberText(text, field));
}

void TMainForm::tell(QMessageBox::Icon icon, const QString& message) {
  // Whoever scheduled a hidden start reads why it did not start.
  if (tray_->hiddenStart()) printToStandardError(message);
  QMessageBox(icon, windowTitle(), message, QMessageBox::Ok, this).exec();
}

const weighing::MeasurementStore& TMainForm::measurements() const { return session_->measurements(); }

void TMainForm::showGrids() {
  const weighing::MeasurementStore& store = session_->measurements();
  showGrid(ui->StrGrid1, store.StrGrid1);
  showGrid(ui->sgRes, store.sgRes);
  markAlertRows(store.sgRes);
  showGrid(ui->sgTotal, store.sgTotal);
  showGrid(ui->WStringGrid, store.WStringGrid);
  showGrid(ui->TimeStringGrid, store.TimeStringGrid);
  // The core has already taken the selection; showing it is no new choice of the user.
  const QSignalBlocker quiet(ui->sgRes);
  if (store.selectedResultRow >= 1) ui->sgRes->selectRow(store.selectedResultRow - 1);
  ui->lBalInfo->setText(qs(store.lBalInfo));
  options_->action()->setEnabled(session_->settingsMayChange());
  graph_->refresh();
}

void TMainForm::markAlertRows(const weighing::TextGrid& results) {
  for (int row = 1; row < results.rowCount(); ++row) {
    const std::string& note = results.cell(weighing::ResultNote, row);
    const QColor colour = note.starts_with(journal::kLimitMark)     ? kLimitRow
                          : note.starts_with(journal::kWarningMark) ? kWarningRow
                                                                    : QColor();
    for (int column = 0; column < ui->sgRes->columnCount(); ++column) {
      if (QTableWidgetItem* item = ui->sgRes->item(row - 1, column)) item->setBackground(colour.isValid() ? QBrush(colour) : QBrush());
    }
  }
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
  confirmation_ = std::make_unique<TAskForm>(tray_->hiddenStart());
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

}  // namespace tarvelo::window
