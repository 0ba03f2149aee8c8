#include "crs/forms/CrsTransformForm.h"

#include "crs/Crs.h"
#include "crs/CrsError.h"
#include "crs/CrsTransform.h"
#include "crs/forms/CrsCombo.h"
#include "model/NCADProject.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const TPoint3D* firstPoint(const TNCADProject& job) {
    for (const auto& group : job)
        for (const auto& point : group->Points)
            return point.get();
    return nullptr;
}

} // namespace

TCrsTransformForm::TCrsTransformForm(QWidget* owner, const TNCADProject& job, TAxisOrder axes,
                                     int jobEpsg)
    : QDialog(owner), m_job(job), m_axes(axes) {
    setWindowTitle(QString::fromUtf8("좌표 변환"));
    FromCombo = new TCrsCombo(this);
    FromCombo->SetEpsg(jobEpsg);
    ToCombo = new TCrsCombo(this);
    ToCombo->SetEpsg(jobEpsg == 5186 ? 5174 : 5186);
    OperationLabel = new QLabel(this);
    OperationLabel->setWordWrap(true);
    OperationLabel->setMinimumWidth(420);
    OperationLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* note = new QLabel(QString::fromUtf8("높이, 측점 번호와 코드는 그대로 둡니다. 변환은 "
                                              "작업 전체에 한 번에 적용됩니다."),
                            this);
    note->setWordWrap(true);
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setText(QString::fromUtf8("변환"));
    Buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("취소"));

    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("현재 좌표계:"), FromCombo);
    form->addRow(QString::fromUtf8("변환할 좌표계:"), ToCombo);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OperationLabel);
    layout->addWidget(note);
    layout->addWidget(Buttons);

    connect(FromCombo, &TCrsCombo::Chosen, this, &TCrsTransformForm::updateOperation);
    connect(ToCombo, &TCrsCombo::Chosen, this, &TCrsTransformForm::updateOperation);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updateOperation();
}

int TCrsTransformForm::From() const { return FromCombo->Epsg(); }

int TCrsTransformForm::To() const { return ToCombo->Epsg(); }

void TCrsTransformForm::updateOperation() {
    QString text;
    bool ok = false;
    const int from = From(), to = To();
    try {
        if (!from || !to)
            throw ECrsError("좌표계는 목록에서 고르거나 EPSG:NNNN으로 적으십시오.");
        if (from == to)
            throw ECrsError("현재 좌표계와 변환할 좌표계가 같습니다.");
        TCrsTransform transform(from, to);
        // The table and point files keep four decimals, some ten metres in degrees.
        if (transform.To().Geographic)
            throw ECrsError(EpsgText(to) + "은(는) 경위도(도) 좌표계라 소수 넷째 자리까지 쓰는 "
                                           "표와 점 파일에 담을 수 없습니다. 경위도가 필요하면 "
                                           "KML로 내보내십시오.");
        const TPoint3D* point = firstPoint(m_job);
        if (!point)
            throw ECrsError("작업에 측점이 없습니다.");
        transform.Transform(ToEastNorth(point->X, point->Y, m_axes));
        for (const TCrsOperation& op : transform.Operations())
            text += QString::fromUtf8("변환 방법: %1\n정확도: %2\n")
                        .arg(QString::fromStdString(op.Name),
                             QString::fromStdString(AccuracyText(op.Accuracy)));
        text += QString::fromUtf8("%1 → %2").arg(QString::fromStdString(transform.From().Name),
                                                  QString::fromStdString(transform.To().Name));
        ok = true;
    } catch (const ECrsError& e) {
        text = QString::fromUtf8(e.what());
    }
    OperationLabel->setText(text);
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(ok);
}
