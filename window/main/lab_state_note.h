#pragma once

#include <QLabel>
#include <QString>

class QStatusBar;

namespace tarvelo::window {

// The lab server's state at the status bar's right, a place of its own: the animals'
// alerts and the journal's notes never hide it, nor it them. Trouble is red; the whole
// text is in the tooltip when it does not fit.
class LabStateNote : public QLabel {
 public:
  explicit LabStateNote(QStatusBar* bar);

  void say(const QString& text, bool trouble);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void fit();

  QString text_;
};

}  // namespace tarvelo::window
