#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// A text field with a button that opens a folder chooser.
class TDirectoryEdit : public QWidget {
    Q_OBJECT
public:
    explicit TDirectoryEdit(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);
    QLineEdit* Edit() const { return m_edit; }

private:
    void Browse();

    QLineEdit* m_edit;
    QToolButton* m_button;
};
