#include "window/main/ask_form.h"

#include <QCloseEvent>
#include <QPixmap>
#include <QScreen>
#include <QStyle>

#include "window/widgets/centre_on_screen.h"
#include "window/graph/jpeg_picture.h"
#include "window/main/load_resources.h"
#include "ui_ask_form.h"

namespace tarvelo::window {

namespace {

constexpr auto kSplashPicturePath = ":/splash.jpg";
constexpr Qt::WindowFlags kSplashFlags = Qt::Window | Qt::FramelessWindowHint;
constexpr Qt::WindowFlags kConfirmationFlags = Qt::Window;
constexpr int kCollapsedPicturePanelPx = 10;

}  // namespace

TAskForm::TAskForm(bool hiddenStart, QWidget* parent)
    : QWidget(parent, kSplashFlags),
      ui(std::make_unique<Ui::TAskForm>()),
      hiddenStart_(hiddenStart) {
  loadResources();
  ui->setupUi(this);
  ui->YesBtn->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  ui->NoBtn->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  ui->Image1->setPixmap(QPixmap::fromImage(readJpeg(kSplashPicturePath)));
  connect(ui->YesBtn, &QPushButton::clicked, this, &TAskForm::YesBtnClick);
  connect(ui->NoBtn, &QPushButton::clicked, this, &TAskForm::NoBtnClick);
  adjustSize();
}

TAskForm::~TAskForm() = default;

void TAskForm::ShowConfirmation() {
  ui->Panel2->hide();
  ui->Panel1->show();
  setWindowFlags(kConfirmationFlags);
  ui->Panel2->setFixedSize(kCollapsedPicturePanelPx, kCollapsedPicturePanelPx);
  adjustSize();
  centreOnScreen();
  show();
}

void TAskForm::FormCreate() {
  if (hiddenStart_) return;
  centreOnScreen();
  show();
}

void TAskForm::YesBtnClick() {
  askAnswer = true;
  close();
}

void TAskForm::NoBtnClick() {
  askAnswer = false;
  close();
}

void TAskForm::FormClose() { askClosed = true; }

void TAskForm::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TAskForm::centreOnScreen() {
  // The owner's monitor when there is an owner, otherwise the one this window is on.
  window::centreOnScreen(*this, *(parentWidget() != nullptr ? parentWidget()->screen() : screen()));
}

}  // namespace tarvelo::window
