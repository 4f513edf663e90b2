#pragma once
// The engine's pause: blocks the calling (GUI) thread for real. Nothing else
// runs meanwhile, which is what the write-all chain's ordering relies on.

#include "presenter/ControllerPorts.h"

namespace lumiq {

class ThreadPause : public Pause {
public:
    void pauseMs(int ms) override;
};

} // namespace lumiq
