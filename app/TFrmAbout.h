#pragma once
// The About window: a small always-on-top window with the maker's notice.
// It has no owner and deletes itself when closed; whoever keeps a pointer to
// it holds a QPointer, which becomes empty then.

#include <QWidget>

namespace lumiq {

class TFrmAbout : public QWidget {
    Q_OBJECT
public:
    TFrmAbout();
};

} // namespace lumiq
