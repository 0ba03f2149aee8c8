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

    // The values typed, converted. Throws EConvertError naming the first field that is no
    // number; nothing is returned then.
    struct Values {
        std::string id;
        double x, y, z;
        std::string code;
    };
    Values Read() const;
};
