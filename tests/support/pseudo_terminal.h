#pragma once

#include <termios.h>

#include <cstdint>
#include <initializer_list>

namespace tarvelo::testing {

// A pseudo-terminal whose slave is COM port `com` (through the port link of this
// test's private configuration folder); the test holds the master side. Nothing
// answers on the line unless the test sends it.
class PseudoTerminal {
 public:
  explicit PseudoTerminal(int com);
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // True when every byte went to the line.
  bool send(std::initializer_list<uint8_t> bytes);
  void closeMaster();
  speed_t slaveSpeed() const;
  int master() const { return master_; }

 private:
  int com_;
  int master_ = -1;
};

}  // namespace tarvelo::testing
