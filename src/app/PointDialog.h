#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The body both point dialogs share: a green band with a caption, a group of five
// labelled fields (ID, X, Y, Z, code) and a band with OK and Cancel.
class TPointDialog : public QDialog {
    Q_OBJECT
public:
    QLabel* BandCaption = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* lblID = nullptr;
    QLineEdit* EdtID = nullptr;
    QLabel* lblX = nullptr;
    QLineEdit* edtX = nullptr;
    QLabel* lblY = nullptr;
    QLineEdit* edtY = nullptr;
    QLabel* lblZ = nullptr;
    QLineEdit* edtZ = nullptr;
    QLabel* lblCodeType = nullptr;
    QLineEdit* edtCodeType = nullptr;
    QWidget* BottomPanel = nullptr;
    QPushButton* Button2 = nullptr; // OK
    QPushButton* Button1 = nullptr; // Cancel

protected:
    TPointDialog(QWidget* parent, const QString& caption, const QString& band, QSize client);

    void Fill(const std::string& id, double x, double y, double z, const std::string& code);
    // Shows the dialog modally; true for OK. `onShown`, when given, runs once it shows.
    bool Run(const std::function<void()>& onShown);

    // The values typed, converted; valid after Run() returned true.
    struct Values {
        std::string id;
        double x = 0.0, y = 0.0, z = 0.0;
        std::string code;
    };
    const Values& Typed() const { return m_typed; }

    // OK closes the dialog only when X, Y and Z are numbers. Otherwise a message names the
    // field, the focus goes back to it and everything typed stays.
    void accept() override;

private:
    Values m_typed;
};
