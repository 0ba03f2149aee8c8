#pragma once

#include <QDialog>

#include <array>

class QGroupBox;
class QLabel;
class QPushButton;
class TComComboBox;
using TComComboBoxes = std::array<TComComboBox*, 6>;
class TCustomComPort;

// The port setup dialog: six settings lists; OK writes them into the port in one update.
class TComSetupFrm : public QDialog {
    Q_OBJECT
public:
    // Reads the system's port list (EComPort code 23 when it cannot).
    explicit TComSetupFrm(QWidget* parent = nullptr);

    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    TComComboBox* Combo1 = nullptr;
    TComComboBox* Combo2 = nullptr;
    TComComboBox* Combo3 = nullptr;
    TComComboBox* Combo4 = nullptr;
    TComComboBox* Combo5 = nullptr;
    TComComboBox* Combo6 = nullptr;
    QPushButton* Button1 = nullptr; // OK
    QPushButton* Button2 = nullptr; // Cancel

    TComComboBoxes Combos() const;
    TComComboBox* Combo(int index) const; // 0 to 5, Combo1 to Combo6
};

// Makes every port's ExecuteSetupDialog show TComSetupFrm over the active window, reading
// the port's values and writing them back on OK. Programs with windows call it once.
void InstallComSetupDialog();
