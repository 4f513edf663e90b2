#include "state/ToolState.h"

namespace lumiq {

ToolState::ToolState() = default;

} // namespace lumiq
