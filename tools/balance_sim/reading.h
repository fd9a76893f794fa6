#pragma once

namespace tarvelo::balance_sim {

// One weighing as the balance reports it.
struct Reading {
  double grams = 0.0;
  bool stable = true;
  bool corrupt = false;  // send a damaged frame instead of the valid one
};

}  // namespace tarvelo::balance_sim
