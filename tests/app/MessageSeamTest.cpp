// The one message-box seam and the last-resort catch in the application's
// notify.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "app/MessageBoxSeam.h"
#include "tests/app/MessageRecorder.h"

namespace lumiq::test {
namespace {

TEST(MessageSeam, ResponderSeesEveryFieldAndAnswers) {
    MessageRecorder boxes(MessageAnswer::Cancel);
    const MessageRequest request{"端口 COM3 已打开或不存在", "提示", MessageButtons::OkCancel,
                                 MessageIcon::Warning};
    EXPECT_EQ(ShowMessage(request, nullptr), MessageAnswer::Cancel);
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].text, request.text);
    EXPECT_EQ(boxes.messages[0].caption, request.caption);
    EXPECT_EQ(boxes.messages[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(boxes.messages[0].icon, MessageIcon::Warning);
}

TEST(MessageSeam, AutomationAnswersOkWithoutABox) {
    qputenv("LUMIQ_AUTOANSWER_MESSAGES", "1");
    const MessageAnswer answer =
        ShowMessage({"程序已经运行!", "Tevaro", MessageButtons::OkCancel, MessageIcon::None}, nullptr);
    qunsetenv("LUMIQ_AUTOANSWER_MESSAGES");
    EXPECT_EQ(answer, MessageAnswer::Ok);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// With nothing installed a real modal box appears; it is read and answered
// here while its own event loop runs.
TEST(MessageSeam, RealBoxShowsTextCaptionIconAndButtons) {
    struct Case {
        MessageRequest request;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton press;
        MessageAnswer answer;
    };
    const Case cases[] = {
        {{"请选择IP！", "提示", MessageButtons::Ok, MessageIcon::Stop},
         QMessageBox::Critical,
         QMessageBox::Ok,
         QMessageBox::Ok,
         MessageAnswer::Ok},
        {{"计算机上不存在串口", "提示", MessageButtons::OkCancel, MessageIcon::None},
         QMessageBox::NoIcon,
         QMessageBox::Ok | QMessageBox::Cancel,
         QMessageBox::Cancel,
         MessageAnswer::Cancel},
        {{"<b>not markup</b>", "x", MessageButtons::OkCancel, MessageIcon::Information},
         QMessageBox::Information,
         QMessageBox::Ok | QMessageBox::Cancel,
         QMessageBox::Ok,
         MessageAnswer::Ok},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request.text);
        bool inspected = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                ADD_FAILURE() << "no modal box";
                return;
            }
            EXPECT_EQ(box->text(), QString::fromStdString(c.request.text));
            EXPECT_EQ(box->textFormat(), Qt::PlainText);
            EXPECT_EQ(box->windowTitle(), QString::fromStdString(c.request.caption));
            EXPECT_EQ(box->icon(), c.icon);
            EXPECT_EQ(box->standardButtons(), c.buttons);
            inspected = true;
            box->button(c.press)->click();
        });
        EXPECT_EQ(ShowMessage(c.request, nullptr), c.answer);
        EXPECT_TRUE(inspected);
    }
}

class ThrowingObject : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw std::runtime_error("thrown inside an event");
        return QObject::event(e);
    }
};

TEST(GuardedApplication, NoExceptionCrossesTheEventLoop) {
    MessageRecorder boxes;
    ThrowingObject target;
    QEvent event(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&target, &event));
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].text, "thrown inside an event");
    EXPECT_EQ(boxes.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(boxes.messages[0].buttons, MessageButtons::Ok);

    // Posted events go through the same catch, and the loop carries on.
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&target, QEvent::User);
    EXPECT_EQ(boxes.messages.size(), 2u);
}

} // namespace
} // namespace lumiq::test
