#pragma once
// One `chosen` signal per act of the operator in a list: the selection moved
// (arrow keys, Home, End, Space, a press on another line, a program's
// setCurrentRow) or a line that is already selected was clicked. A click on
// another line moves the selection on the press and clicks on the release;
// it counts once. Taking the keyboard focus only marks a current line and
// selects nothing, so it chooses nothing either.

#include <QObject>

class QListWidget;

namespace lumiq {

class ListChoice : public QObject {
    Q_OBJECT
public:
    // Owned by `list`.
    explicit ListChoice(QListWidget& list);

signals:
    void chosen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onSelectionChanged();
    void onClicked();

    QListWidget& list_;
    // The selection moved since the last press: the click that follows
    // that press has been counted already.
    bool selectedSincePress_ = false;
};

} // namespace lumiq
