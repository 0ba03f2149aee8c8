#pragma once

#include <QComboBox>

// A reference system chooser: the Korean presets, or any EPSG code typed as "EPSG:NNNN" or
// NNNN. Whether PROJ knows a typed code is for the caller to ask (DescribeCrs).
class TCrsCombo : public QComboBox {
    Q_OBJECT
public:
    explicit TCrsCombo(QWidget* parent = nullptr);

    // The chosen code; 0 when the text names none.
    int Epsg() const;
    // A preset shows with its label, any other code as "EPSG:NNNN".
    void SetEpsg(int epsg);

signals:
    // A preset picked or a typed code confirmed with Enter or by leaving the field.
    void Chosen();
};
