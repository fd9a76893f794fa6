#pragma once

#include <QLabel>
#include <QString>

class QStatusBar;

namespace tarvelo::window {

// A lasting state at the status bar's right, a place of its own (the lab server's, the
// animal weighed): the passing messages never hide it, nor it them. Trouble is red; the
// whole text is in the tooltip when it does not fit. Hidden while it has nothing to say.
class StatusNote : public QLabel {
 public:
  // Takes up to `widthShare` of the bar's width.
  StatusNote(QStatusBar* bar, const QString& name, double widthShare);

  void say(const QString& text, bool trouble);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void fit();

  QString text_;
  double widthShare_;
};

}  // namespace tarvelo::window
