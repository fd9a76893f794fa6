// The weighing cycle as the main window drives it: "Взвесить" reads the start from the
// controls and hands it to the weighing session, "Прервать" stops it, and the window
// shows how the run ended.
#include <QFileDialog>
#include <QMessageBox>

#include "window/main/control_rules.h"
#include "window/options/options_part.h"
#include "window/main/run_start_reading.h"
#include "window/main/main_form.h"
#include "window/main/tray_part.h"
#include "session/weighing_session.h"
#include "ui_main_form.h"

namespace tarvelo::window {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
const QString kCaption = QStringLiteral("Tarvelo.exe (Version U1.0.0)");

}  // namespace

void TMainForm::setCaption(const QString& suffix) {
  setWindowTitle(kCaption + suffix);
  // A hidden run shows its state where its icon is.
  tray_->showState(suffix);
}

void TMainForm::WeightButtonClick() { startRun(); }

bool TMainForm::startRun() {
  const auto reading = readRunStart(*ui, options_->handsFreePanel(), session_->handsFree().armed());
  if (const auto* refusal = std::get_if<StartRefusal>(&reading)) {
    tell(refusal->icon, refusal->message);
    return false;
  }
  const session::RunStart& run = std::get<session::RunStart>(reading);
  ui->Memo2->clear();
  if (run.hidden) tray_->hideForHiddenRun(ui->FileNameEdit->text());
  rules_->enterRun(run.poll == session::PollMode::Manual);
  session_->start(run);
  return true;
}

void TMainForm::eAnimalReturnPressed() {
  const QString typed = ui->eAnimal->text().trimmed();
  if (session_->running()) {
    // A scan while a mouse is on the pan is the next mouse's.
    if (typed.isEmpty()) return;
    session_->queueAnimal(typed.toStdString());
    ui->eAnimal->clear();
    return;
  }
  // Enter on the field left empty takes the animal offered.
  if (typed.isEmpty()) ui->eAnimal->setText(ui->eAnimal->placeholderText());
  startRun();
}

void TMainForm::readyForNextAnimal() {
  const weighing::MeasurementStore& store = session_->measurements();
  weighedToday_.insert(store.sgRes.cell(weighing::ResultAnimal, store.selectedResultRow));
  offerNextAnimal();
  if (isVisible()) ui->eAnimal->setFocus();
}

void TMainForm::StopButtonPressed() {
  if (!rules_->stopIsDoubleClick()) StopButtonClick();
}

void TMainForm::StopButtonClick() { session_->stop(); }

void TMainForm::onRunEnded(session::RunEnd end, const QString& message) {
  tray_->clearNote();
  rules_->EnterIdleState();
  showGrids();
  switch (end) {
    case session::RunEnd::Stopped:
      return;
    case session::RunEnd::Failed:
      QMessageBox::critical(this, windowTitle(), message);
      return;
    case session::RunEnd::HandsFreeFailed: {
      tray_->tellUnattended(message);
      // Seen by whoever comes to the window; it holds nothing up.
      auto* box = new QMessageBox(QMessageBox::Critical, windowTitle(), message, QMessageBox::Ok, this);
      box->setAttribute(Qt::WA_DeleteOnClose);
      box->setModal(false);
      box->show();
      return;
    }
    case session::RunEnd::HiddenDone:
      endProgram(kExitOk);
      return;
    case session::RunEnd::NoBalance:
      show();
      endProgram(kExitOk);
      return;
    case session::RunEnd::HiddenFailed:
      // Nobody may be there to close a box: the program ends and says why.
      tray_->tellUnattended(message);
      endProgram(kExitFailure);
      return;
  }
}

void TMainForm::endProgram(int status) {
  exitStatus_ = status;
  close();
}

void TMainForm::ChoseFButtonClick() {
  QFileDialog SaveDialog1(this);
  SaveDialog1.setAcceptMode(QFileDialog::AcceptSave);
  SaveDialog1.setDefaultSuffix("txt");
  SaveDialog1.setNameFilter("Текстовый (*.txt)");
  if (SaveDialog1.exec() == QDialog::Accepted) ui->FileNameEdit->setText(SaveDialog1.selectedFiles().value(0));
}

}  // namespace tarvelo::window
