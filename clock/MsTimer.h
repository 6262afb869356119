#pragma once

#include "Tick.h"

// A millisecond clock on the platform tick, started when it is made.
class MsTimer {
  public:
    MsTimer() { restart(); }
    void restart() { start = platform::tickMsExact(); }
    double elapsedMs() const { return platform::tickMsExact() - start; }

  private:
    double start = 0.0;
};
