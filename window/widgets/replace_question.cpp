#include "window/widgets/replace_question.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

namespace tarvelo::window {

bool mayWriteInstead(QWidget* parent, const QString& chosen, const QString& written) {
  if (QFileInfo(written) == QFileInfo(chosen) || !QFileInfo::exists(written)) return true;
  return QMessageBox::question(parent, parent->windowTitle(),
                               QString("Файл «%1» уже есть. Заменить его?").arg(QDir::toNativeSeparators(written))) ==
         QMessageBox::Yes;
}

}  // namespace tarvelo::window
