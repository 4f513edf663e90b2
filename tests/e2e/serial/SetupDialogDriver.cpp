#include "tests/e2e/serial/SetupDialogDriver.h"

#include <QApplication>
#include <QPushButton>

#include "serial/ui/ComComboBox.h"
#include "serial/ui/ComSetupFrm.h"

namespace lumiq::test {
namespace {

// As the operator's pick: the entry is selected and the list reports it.
// False when the list has no such entry.
bool Choose(TComComboBox* combo, const std::string& text) {
    const int index = combo->findText(QString::fromStdString(text));
    if (index < 0)
        return false;
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    return true;
}

} // namespace

SetupDialogDriver::SetupDialogDriver() {
    // Runs inside the dialog's own event loop; a short period keeps the
    // timing of the switch close to an operator's quick OK.
    watch_.setInterval(5);
    QObject::connect(&watch_, &QTimer::timeout, [this] { look(); });
    watch_.start();
}

void SetupDialogDriver::look() {
    // The dialog class has no meta-object of its own, so no qobject_cast.
    auto* dialog = dynamic_cast<TComSetupFrm*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible() || dialog == handled_)
        return;
    handled_ = dialog;
    act(*dialog);
}

void SetupDialogDriver::act(TComSetupFrm& dialog) {
    ++shown_;
    offeredPorts_.clear();
    for (int i = 0; i < dialog.Combo1->count(); ++i)
        offeredPorts_.push_back(dialog.Combo1->itemText(i).toStdString());
    shownPort_ = dialog.Combo1->Text();
    shownBaudRate_ = dialog.Combo2->Text();
    if (plan_.empty()) {
        ++unplanned_;
        dialog.Button2->click();
        return;
    }
    const SetupChoice choice = plan_.front();
    plan_.pop_front();
    // A choice the lists cannot make is a failed plan: cancel rather than
    // press OK on something the test did not ask for.
    const bool made = (choice.port.empty() || Choose(dialog.Combo1, choice.port)) &&
                      (choice.baudRate.empty() || Choose(dialog.Combo2, choice.baudRate));
    if (!made)
        ++unplanned_;
    (choice.ok && made ? dialog.Button1 : dialog.Button2)->click();
}

} // namespace lumiq::test
