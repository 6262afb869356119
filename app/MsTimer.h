#pragma once

#include "Tick.h"

// A millisecond clock on the platform tick, started when it is made.
class MsTimer {
  public:
    MsTimer() { restart(); }
    void restart() { start = static_cast<double>(platform::tickMs()); }
    double elapsedMs() const { return static_cast<double>(platform::tickMs()) - start; }

  private:
    double start = 0.0;
};
