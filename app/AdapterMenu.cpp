#include "app/AdapterMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "app/WindowText.h"
#include "links/AdapterRoutes.h"
#include "net/AdapterList.h"
#include "state/AddressText.h"

namespace lumiq {

AdapterMenu::AdapterMenu(QMenu& parent, std::string configFolder, Guard guard)
    : configFolder_(std::move(configFolder)), guard_(std::move(guard)),
      choice_(LoadAdapterChoice(configFolder_)) {
    menu_ = parent.addMenu(WindowText(QStringLiteral("网卡")));
    menu_->setObjectName(QStringLiteral("AdapterMenu"));
    items_ = new QActionGroup(menu_);
    items_->setExclusive(true);
    listItems();
    connect(menu_, &QMenu::aboutToShow, this, [this] { listItems(); });
}

std::vector<SearchRoute> AdapterMenu::searchRoutes() const {
    return ChosenRoutes(choice_, ListAdapters());
}

void AdapterMenu::listItems() {
    for (QAction* item : items_->actions())
        delete item;
    const std::vector<Adapter> adapters = ListAdapters();
    const Adapter* chosen = ChosenAdapter(choice_, adapters);
    const bool automatic =
        choice_.mode == AdapterMode::Automatic || (choice_.mode == AdapterMode::One && !chosen);
    addItem(QStringLiteral("自动"), QStringLiteral("AdapterAuto"), AdapterChoice{}, automatic);
    addItem(QStringLiteral("全部网卡"), QStringLiteral("AdapterAll"),
            AdapterChoice{AdapterMode::Every, {}, {}}, choice_.mode == AdapterMode::Every);
    for (const Adapter& adapter : adapters) {
        const std::string address = IpToText(adapter.address);
        addItem(QString::fromStdString(AdapterLabel(adapter)),
                QString::fromStdString("Adapter_" + adapter.name + "_" + address),
                AdapterChoice{AdapterMode::One, adapter.name, address}, &adapter == chosen);
    }
}

void AdapterMenu::addItem(const QString& caption, const QString& objectName, const AdapterChoice& choice,
                          bool checked) {
    auto* item = new QAction(WindowText(caption), items_);
    item->setObjectName(objectName);
    item->setCheckable(true);
    item->setChecked(checked);
    menu_->addAction(item);
    connect(item, &QAction::triggered, this,
            [this, choice] { guard_([this, choice] { this->choose(choice); }); });
}

void AdapterMenu::choose(const AdapterChoice& choice) {
    // In use at once; a choice that cannot be stored is reported, not lost.
    choice_ = choice;
    SaveAdapterChoice(configFolder_, choice_);
}

} // namespace lumiq
