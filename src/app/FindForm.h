#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "찾기": a point by its ID or code. It stays open beside the window while the user steps
// from match to match (Enter or 다음 찾기); the window does the search (OnFind) and the
// note it returns shows under the field.
class TFindForm : public QDialog {
    Q_OBJECT
public:
    explicit TFindForm(QWidget* owner);

    QLineEdit* edtFind = nullptr;
    QCheckBox* chkWhole = nullptr;
    QLabel* lblNote = nullptr;
    QPushButton* btnFindNext = nullptr;
    QPushButton* btnClose = nullptr;

    // Text and whole-cell choice; returns the note (empty when found without a remark).
    std::function<QString(const QString& text, bool whole)> OnFind;

    // Shows the window with the last search, its text selected for typing over.
    void Start(const QString& text, bool whole);
    void btnFindNextClick();
};
