#include "toolkit/CheckList.h"

TCheckList::TCheckList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (m_settingCheck)
            return;
        setCurrentItem(item);
        emit Click();
    });
    connect(this, &QListWidget::itemClicked, this, [this] { emit Click(); });
}

void TCheckList::AddItem(const QString& caption) {
    auto* item = new QListWidgetItem(caption, this);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    m_settingCheck = true;
    item->setCheckState(Qt::Unchecked);
    m_settingCheck = false;
}

bool TCheckList::Checked(int index) const {
    const QListWidgetItem* it = item(index);
    return it && it->checkState() == Qt::Checked;
}

void TCheckList::SetChecked(int index, bool checked) {
    QListWidgetItem* it = item(index);
    if (!it)
        return;
    m_settingCheck = true;
    it->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    m_settingCheck = false;
}
