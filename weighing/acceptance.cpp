#include "acceptance.h"

#include <cmath>

#include "conversion_error.h"
#include "number_text.h"
#include "stability_text.h"

namespace tarvelo::weighing {

namespace {

// The number in an operator's field; a text that is no number is reported with its field.
double fieldNumber(const std::string& text, InputField field) {
  try {
    return parseNumber(text);
  } catch (const ConversionError&) {
    throw ConversionError(text, field);
  }
}

}  // namespace

bool AcceptReading(MeasurementStore& store, link::WeightReading& reading, const WeighingInputs& inputs) {
  store.previousWeight =
      store.currentRow > 1
          ? static_cast<float>(parseNumber(store.WStringGrid.cell(0, store.readingIndex - 1)))
          : 0.0f;

  if (std::fabs(store.previousWeight - reading.weight) >= fieldNumber(inputs.MaxDif, InputField::MaxDif)) {
    store.changedEnough = true;
  }

  const bool signPasses = inputs.MWeightCB || reading.weight >= 0.0;

  if (reading.stable == 0 && inputs.StabCB) {
    reading.stable = 1;
    store.stabilityText = kUnstableText;
  } else {
    store.stabilityText = kStableText;
  }
  const bool stabilityPasses = reading.stable == 1;

  // A weight equal to the minimum is rejected.
  const bool minimumPasses = !(inputs.MinWCB && fieldNumber(inputs.MinimW, InputField::MinimW) >= reading.weight);

  return (!store.onChangeMode || store.changedEnough) && signPasses && stabilityPasses && minimumPasses;
}

}  // namespace tarvelo::weighing
