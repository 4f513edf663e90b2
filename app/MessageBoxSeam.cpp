#include "app/MessageBoxSeam.h"

#include <QMessageBox>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <utility>

#include "app/WindowText.h"

namespace lumiq {
namespace {

MessageResponder& InstalledResponder() {
    static MessageResponder responder;
    return responder;
}

bool AutoAnswerRequested() {
    return qEnvironmentVariable("LUMIQ_AUTOANSWER_MESSAGES") == QLatin1String("1");
}

MessageAnswer AnswerOnStderr(const MessageRequest& request) {
    std::fprintf(stderr, "message box [%s]: %s\n", request.caption.c_str(), request.text.c_str());
    std::fflush(stderr);
    return MessageAnswer::Ok;
}

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

MessageAnswer ShowRealBox(const MessageRequest& request, QWidget* parent) {
    const QMessageBox::StandardButtons buttons = request.buttons == MessageButtons::Ok
                                                     ? QMessageBox::StandardButtons(QMessageBox::Ok)
                                                     : QMessageBox::Ok | QMessageBox::Cancel;
    QMessageBox box(ToQtIcon(request.icon), QString::fromStdString(request.caption),
                    QString::fromStdString(request.text), buttons, parent);
    box.setTextFormat(Qt::PlainText); // texts from modules must never be read as markup
    box.exec();
    // Closing an OK-only box with Escape or the close box still counts as OK.
    if (request.buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    return box.standardButton(box.clickedButton()) == QMessageBox::Ok ? MessageAnswer::Ok
                                                                      : MessageAnswer::Cancel;
}

} // namespace

MessageAnswer ShowMessage(const MessageRequest& asked, QWidget* parent) {
    MessageRequest request = asked;
    request.text = WindowText(asked.text).toStdString();
    request.caption = WindowText(asked.caption).toStdString();
    // A copy: the responder may replace itself while it answers.
    if (const MessageResponder responder = InstalledResponder())
        return responder(request, parent);
    if (AutoAnswerRequested())
        return AnswerOnStderr(request);
    return ShowRealBox(request, parent);
}

MessageResponder SetMessageResponder(MessageResponder responder) {
    return std::exchange(InstalledResponder(), std::move(responder));
}

} // namespace lumiq
