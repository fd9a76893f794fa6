#include "journal/verification_text.h"

namespace tarvelo::journal {

bool holds(const Verification& result) { return !result.firstBroken && !result.lostAnchor; }

std::string verificationText(const Verification& result) {
  const std::string checked = "Проверено записей: " + std::to_string(result.records) + ".";
  if (result.firstBroken) {
    return "Цепочка журнала нарушена: запись № " + std::to_string(*result.firstBroken) +
           " не сходится со своей подписью (изменена она или запись перед ней). " + checked;
  }
  if (result.lostAnchor) {
    const Head& anchor = *result.lostAnchor;
    return "Журнал укорочен или переписан: записи № " + std::to_string(anchor.record) + " с подписью " +
           anchor.hash.substr(0, kShownHashDigits) + " в нем нет (последняя запись — № " +
           std::to_string(result.head.record) + "). " + checked;
  }
  const std::string sound = "Цепочка журнала цела. Записей: " + std::to_string(result.records) + ".";
  return result.records > 0 ? sound + " " + printedHead(result.head) + "." : sound;
}

}  // namespace tarvelo::journal
