#include "app/SeamDialogs.h"

#include "app/MessageBoxSeam.h"

namespace lumiq {

SeamDialogs::SeamDialogs(QWidget* parent) : parent_(parent) {}

MessageAnswer SeamDialogs::showMessage(const MessageRequest& request) {
    return ShowMessage(request, parent_);
}

} // namespace lumiq
