#include "crs/forms/CrsCombo.h"

#include "crs/Crs.h"
#include "crs/CrsPresets.h"

#include <QLineEdit>
#include <QRegularExpression>

TCrsCombo::TCrsCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // A typed code is read, never added to the list.
    setInsertPolicy(QComboBox::NoInsert);
    for (const TCrsPreset& preset : CrsPresets())
        addItem(QString::fromUtf8(preset.Label), preset.Epsg);
    setMinimumContentsLength(24);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(this, &QComboBox::activated, this, &TCrsCombo::Chosen);
    connect(lineEdit(), &QLineEdit::editingFinished, this, &TCrsCombo::Chosen);
}

int TCrsCombo::Epsg() const {
    const QString text = currentText().trimmed();
    const int index = findText(text);
    if (index >= 0)
        return itemData(index).toInt();
    if (const auto code = ParseEpsgCode(text.toStdString()))
        return *code;
    // A preset's label edited around its code still names it.
    const QRegularExpressionMatch m =
        QRegularExpression("EPSG:(\\d+)", QRegularExpression::CaseInsensitiveOption).match(text);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

void TCrsCombo::SetEpsg(int epsg) {
    const int index = findData(epsg);
    if (index >= 0)
        setCurrentIndex(index);
    else
        setEditText(QString::fromStdString(EpsgText(epsg)));
}
