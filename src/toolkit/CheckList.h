#pragma once

#include <QListWidget>

// A list of items with check boxes. `Click` is raised when an item is clicked or its box
// toggled; the clicked item is then the current one.
class TCheckList : public QListWidget {
    Q_OBJECT
public:
    explicit TCheckList(QWidget* parent = nullptr);

    void AddItem(const QString& caption);
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);
    // -1 when no item is current.
    int ItemIndex() const { return currentRow(); }

signals:
    void Click();

private:
    bool m_settingCheck = false;
};
