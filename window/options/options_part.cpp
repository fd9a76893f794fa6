#include "window/options/options_part.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>

#include "window/widgets/field_name.h"
#include "window/options/hands_free_panel.h"
#include "window/options/lab_server_panel.h"
#include "window/options/journal_panel.h"
#include "window/options/options_dialog.h"
#include "window/options/port_picker_panel.h"
#include "window/options/tag_reader_panel.h"
#include "session/weighing_session.h"
#include "ui_main_form.h"

namespace tarvelo::window {

namespace {

constexpr NumberKind kDecimal = NumberKind::Decimal;
constexpr NumberKind kWhole = NumberKind::Whole;
constexpr bool kReadWhenDisabled = true;

// The period selector and the least change of "при новом", which the layout keeps out of
// sight, on a panel of their own.
QFrame* periodPanel(Ui::TMainForm& ui) {
  auto* panel = new QFrame;
  panel->setObjectName("PeriodPanel");
  auto* grid = new QGridLayout(panel);
  grid->addWidget(ui.Label3, 0, 0);
  grid->addWidget(ui.ComboBox1, 0, 1, 1, 2);
  grid->addWidget(ui.MDLabel, 1, 0);
  grid->addWidget(ui.MaxDif, 1, 1);
  grid->addWidget(ui.Label10, 1, 2);
  ui.Label3->setBuddy(ui.ComboBox1);
  // The layout hides them; here they are to be seen.
  for (QWidget* control : {static_cast<QWidget*>(ui.Label3), static_cast<QWidget*>(ui.ComboBox1),
                           static_cast<QWidget*>(ui.MDLabel), static_cast<QWidget*>(ui.MaxDif),
                           static_cast<QWidget*>(ui.Label10)}) {
    control->show();
  }
  panel->adjustSize();
  return panel;
}

}  // namespace

OptionsPart::OptionsPart(Ui::TMainForm& form, session::WeighingSession& session, session::TagReaderLink& tagReader,
                         session::LabLink* labLink, QAction* graphAction, Actions actions, WindowPlace& place,
                         QMainWindow* window)
    : QObject(window),
      ui(&form),
      session_(session),
      actions_(std::move(actions)),
      window_(window),
      handsFreePanel_(new HandsFreePanel),
      journalPanel_(new JournalPanel),
      tagReaderPanel_(new TagReaderPanel(tagReader)),
      labServerPanel_(new LabServerPanel(labLink)) {
  const QList<OptionsSection> sections{
      {"Прием веса", ui->Panel1},
      {"Период вывода", periodPanel(*ui)},
      {"Текущее измерение", ui->Panel8},
      {"Запись в файл", ui->Panel10},
      {"Файл протокола", ui->Panel3},
      {"Автоматическое взвешивание", handsFreePanel_},
      {"Журнал взвешиваний", journalPanel_},
      {"Считыватель меток", tagReaderPanel_},
      {"Сервер лаборатории", labServerPanel_},
      {"Порт весов", new PortPickerPanel([this] { return ui->ComCB->currentIndex() + 1; },
                                                 [this](int port) { ui->ComCB->setCurrentIndex(port - 1); })}};
  QList<NumberField> numbers{
      {ui->MaxDW, fieldName(ui->MaxDWLabel->text()), kDecimal},
      {ui->DWTime, fieldName(ui->MaxDWLabel->text()) + " " + fieldName(ui->MTimeLabel->text()), kDecimal},
      {ui->MinimW, fieldName(ui->MinWCB->text()), kDecimal},
      // Every reading is compared with it, whatever the period.
      {ui->MaxDif, fieldName(ui->MDLabel->text()), kDecimal, kReadWhenDisabled},
      {ui->WorkTime, fieldName(ui->ChBox1->text()), kDecimal},
      {ui->NumberWeightTime, fieldName(ui->ChBox2->text()), kWhole},
      {ui->SizeEdit, fieldName(ui->Label7->text()) + " … " + fieldName(ui->Label8->text()), kWhole},
  };
  numbers += handsFreePanel_->numberFields();
  numbers += journalPanel_->numberFields();
  dialog_ = new OptionsDialog(sections, numbers, place, window);

  action_ = new QAction("Параметры…", window);
  action_->setObjectName("OptionsAction");
  ui->MainMenu1->insertActions(ui->N1, {action_, graphAction});
  connect(action_, &QAction::triggered, this, &OptionsPart::OptionsClick);
}

void OptionsPart::OptionsClick() {
  const bool wasWatching = session_.pauseForOptions();
  const bool accepted = dialog_->exec() == QDialog::Accepted;
  // What the fields hold now: chosen, or put back by "Отмена" after a test.
  tagReaderPanel_->apply();
  if (accepted) {
    labServerPanel_->apply();
    session_.handsFree().choose(handsFreePanel_->on());
    actions_.storeSettings();
  }
  if (ui->FastWrite->isChecked()) {
    if (accepted) offerHiddenLogging();
    return;
  }
  if (session_.handsFree().startsAfterOptions(accepted, wasWatching)) actions_.startRun();
}

void OptionsPart::offerHiddenLogging() {
  const auto answer = QMessageBox::question(
      window_, window_->windowTitle(),
      QString("Скрытый режим: окно будет скрыто, показания весов будут записываться в файл «%1». "
              "Начать запись сейчас?")
          .arg(ui->FileNameEdit->text()),
      QMessageBox::Yes | QMessageBox::No);
  if (answer == QMessageBox::Yes) actions_.startRun();
}

}  // namespace tarvelo::window
