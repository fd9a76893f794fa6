#include "journal/list_import_plan.h"

#include <unordered_map>

#include "weighing/number_text.h"

namespace tarvelo::journal {

namespace {

constexpr int kGramsDecimals = 2;
constexpr char kDecimalComma = ',';
constexpr char kReferenceName[] = "исходный вес, г";

// `animal` with what it leaves empty, or lacks a column for, taken from `held`.
Animal merged(Animal animal, const Animal& held, const GivenFields& given, bool clearEmpty) {
  for (const TextField& field : kTextFields) {
    std::string& value = animal.*field.member;
    if (value.empty() && (!clearEmpty || !given[static_cast<size_t>(field.field)])) value = held.*field.member;
  }
  if (!animal.referenceGrams && (!clearEmpty || !given[static_cast<size_t>(ListField::Weight)]))
    animal.referenceGrams = held.referenceGrams;
  return animal;
}

std::vector<FieldChange> changesOf(const Animal& before, const Animal& after) {
  std::vector<FieldChange> changes;
  for (const TextField& field : kTextFields) {
    if (before.*field.member != after.*field.member)
      changes.push_back({field.name, before.*field.member, after.*field.member});
  }
  if (before.referenceGrams != after.referenceGrams)
    changes.push_back({kReferenceName, gramsText(before.referenceGrams), gramsText(after.referenceGrams)});
  return changes;
}

}  // namespace

std::string gramsText(const std::optional<double>& grams) {
  return grams ? weighing::fixedNumberText(*grams, kGramsDecimals, kDecimalComma) : std::string();
}

ImportPlan planImport(const ImportedList& imported, const std::vector<Animal>& held, bool clearEmpty) {
  std::unordered_map<std::string_view, const Animal*> byNumber;
  byNumber.reserve(held.size());
  for (const Animal& animal : held) byNumber.emplace(animal.number, &animal);
  ImportPlan plan;
  for (size_t i = 0; i < imported.animals.size(); ++i) {
    const Animal& animal = imported.animals[i];
    const int line = i < imported.lines.size() ? imported.lines[i] : 0;
    const auto found = byNumber.find(animal.number);
    if (found == byNumber.end()) {
      plan.animals.push_back({line, animal, true, {}});
      ++plan.added;
      continue;
    }
    Animal wanted = merged(animal, *found->second, imported.given, clearEmpty);
    std::vector<FieldChange> changes = changesOf(*found->second, wanted);
    if (changes.empty()) {
      ++plan.unchanged;
      continue;
    }
    plan.animals.push_back({line, std::move(wanted), false, std::move(changes)});
    ++plan.changed;
  }
  return plan;
}

}  // namespace tarvelo::journal
