#include "window/graph/graph_window.h"

#include <QVBoxLayout>
#include <QWidget>

#include "window/widgets/fit_to_texts.h"

namespace tarvelo::window {

QWidget* makeGraphWindow(QWidget* rangeControls, QWidget* chart, QWidget* parent) {
  auto* window = new QWidget(parent, Qt::Window);
  window->setObjectName("GraphWindow");
  window->setWindowTitle("График");
  // The controls keep the main window's font, which a window does not take by itself.
  window->setFont(parent->font());
  rangeControls->setParent(window);
  chart->setParent(window);
  auto* layout = new QVBoxLayout(window);
  fitToTexts(rangeControls);
  rangeControls->setFixedSize(rangeControls->size());
  chart->setMinimumSize(chart->size());
  chart->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  layout->addWidget(rangeControls, 0, Qt::AlignLeft);
  layout->addWidget(chart, 1);
  rangeControls->show();
  chart->show();
  return window;
}

}  // namespace tarvelo::window
