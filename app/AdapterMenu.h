#pragma once
// 通讯方式 > 网卡: the adapters the window's search goes out on. "自动" (the
// default: through the adapter of LocalIp, as the window always did),
// "全部网卡", or one adapter, shown as "name  address/prefix". The items are
// exclusive; the choice is kept in adapter.ini of the user's configuration
// folder. The adapters are listed afresh whenever the menu opens, as they
// come and go; a chosen adapter that is gone counts as 自动 but stays
// stored, so that it is chosen again once it is back.

#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "device/AdapterRoute.h"
#include "state/AdapterChoice.h"

class QAction;
class QActionGroup;
class QMenu;

namespace lumiq {

class AdapterMenu : public QObject {
public:
    // Runs a handler inside the window's standard error report.
    using Guard = std::function<void(const std::function<void()>& handler)>;

    // Adds the submenu to `parent`.
    AdapterMenu(QMenu& parent, std::string configFolder, Guard guard);

    // The adapters the next search goes out on, as they are now; empty for
    // 自动, and when the chosen adapter is gone.
    std::vector<SearchRoute> searchRoutes() const;

    QMenu* menu() const { return menu_; }

private:
    void listItems();
    void addItem(const QString& caption, const QString& objectName, const AdapterChoice& choice,
                 bool checked);
    void choose(const AdapterChoice& choice);

    std::string configFolder_;
    Guard guard_;
    QMenu* menu_ = nullptr;
    QActionGroup* items_ = nullptr;
    AdapterChoice choice_;
};

} // namespace lumiq
