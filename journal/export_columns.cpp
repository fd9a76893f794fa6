#include "journal/export_columns.h"

#include "journal/animal_age.h"

namespace tarvelo::journal {

const ExportRow& exportHeadings(ExportStyle style) {
  static const ExportRow russian{"№ записи", "Время (UTC)", "Время", "Ф.И.О.", "Протокол", "Объект",
                                 "Масса",    "Ед.изм.",     "Отклонение", "Кол-во", "Весы",
                                 "№ животного", "Клетка", "Группа", "Линия", "Генотип", "Исследование",
                                 "Метка уха", "Возраст, дн."};
  static const ExportRow plain{"record", "utc",  "local",     "person", "protocol", "object",
                               "mass",   "unit", "deviation", "count",  "balance",
                               "animal", "cage", "group", "strain", "genotype", "study",
                               "ear_mark", "age_days"};
  return style == ExportStyle::Russian ? russian : plain;
}

const std::string& stationHeading(ExportStyle style) {
  static const std::string russian = "Станция";
  static const std::string plain = "station";
  return style == ExportStyle::Russian ? russian : plain;
}

bool isNumberColumn(int column) {
  return column == RecordColumn || column == MassColumn || column == DeviationColumn || column == CountColumn ||
         column == AgeColumn;
}

ExportRow exportFields(const JournalRecord& result) {
  return {std::to_string(result.id), result.utc,  result.local,     result.person,
          result.protocol,           result.object, result.mass,    result.unit,
          result.deviation,          std::to_string(result.count), result.balance,
          result.animal,             result.cage,   result.group,
          result.strain,             result.genotype, result.study, result.earMark,
          ageText(result.born, result.local)};
}

}  // namespace tarvelo::journal
