#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "clock.h"
#include "port_backend.h"
#include "protocol_memory.h"
#include "reading_handoff.h"
#include "reading_source.h"

namespace tarvelo::link {

// The worker of a weighing run: polls the balance through its reading source every
// 20 ms, passes each reading through the time filter and publishes it into the
// hand-off when one is requested. It alone owns the port while it runs.
class AcquisitionThread {
 public:
  using SourceFactory =
      std::function<std::unique_ptr<ReadingSource>(int32_t port, const StopSignal& stop)>;

  AcquisitionThread(ReadingHandoff& handoff, SourceFactory makeSource, Clock& clock);
  // Stops the thread and waits for it.
  ~AcquisitionThread();
  AcquisitionThread(const AcquisitionThread&) = delete;
  AcquisitionThread& operator=(const AcquisitionThread&) = delete;

  // The starter: waits until the previous run's thread has ended (only one thread
  // may drive the port), fills the hand-off and starts the thread.
  void start(int32_t port, float stabilityWindow, double stabilityMaxChange);
  // The stop routine; the thread ends within one Acquire.
  void stop();
  void stopAndJoin();

 private:
  void run();

  ReadingHandoff& handoff_;
  SourceFactory makeSource_;
  Clock& clock_;
  std::thread thread_;
};

// Readings from the balance on the serial port: GetW over the system's ports, its
// pauses ended by the run's stop. The memory, when given, must outlive every run;
// `openFailed` hears of each failed open of the port.
AcquisitionThread::SourceFactory balanceOnSerialPort(ProtocolMemory* memory = nullptr,
                                                     PortOpenReport openFailed = {});

}  // namespace tarvelo::link
