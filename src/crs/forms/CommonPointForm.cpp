#include "crs/forms/CommonPointForm.h"

#include "model/NCADProject.h"
#include "survey/transform/CommonPoints.h"
#include "toolkit/Guard.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { kUse, kId, kDX, kDY, kD, kColumns };

QString metres(double value) { return QString::number(value, 'f', 4); }

} // namespace

TCommonPointForm::TCommonPointForm(QWidget* owner, const TNCADProject& job, TLoader load)
    : QDialog(owner), m_job(job), m_load(std::move(load)) {
    setWindowTitle(QString::fromUtf8("공통점 변환"));
    FileEdit = new QLineEdit(this);
    FileEdit->setPlaceholderText(QString::fromUtf8("같은 점 번호의 변환 후 좌표가 든 파일"));
    BrowseButton = new QPushButton(QString::fromUtf8("찾기…"), this);
    HelmertButton = new QRadioButton(QString::fromUtf8("헬머트 (4변수, 공통점 2개 이상)"), this);
    AffineButton = new QRadioButton(QString::fromUtf8("부등각 사상 (6변수, 공통점 3개 이상)"), this);
    HelmertButton->setChecked(true);
    auto* methods = new QButtonGroup(this);
    methods->addButton(HelmertButton);
    methods->addButton(AffineButton);

    PairTable = new QTableWidget(0, kColumns, this);
    PairTable->setHorizontalHeaderLabels({QString::fromUtf8("사용"), QString::fromUtf8("점 번호"),
                                          "dX (m)", "dY (m)", "d (m)"});
    PairTable->verticalHeader()->hide();
    PairTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    PairTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    PairTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    PairTable->setMinimumSize(460, 200);
    ParameterLabel = new QLabel(this);
    ParameterLabel->setWordWrap(true);
    ParameterLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setText(QString::fromUtf8("작업에 적용"));
    Buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("취소"));

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QString::fromUtf8("공통점 파일:"), this));
    fileRow->addWidget(FileEdit, 1);
    fileRow->addWidget(BrowseButton);
    auto* methodRow = new QHBoxLayout;
    methodRow->addWidget(HelmertButton);
    methodRow->addWidget(AffineButton);
    methodRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addLayout(methodRow);
    layout->addWidget(PairTable, 1);
    layout->addWidget(ParameterLabel);
    layout->addWidget(Buttons);

    connect(BrowseButton, &QPushButton::clicked, this, [this] { RunGuarded([this] { browse(); }); });
    // Leaving the field after a load must not read the file again: that would tick every
    // pair the user left out.
    connect(FileEdit, &QLineEdit::editingFinished, this, [this] {
        if (!FileEdit->text().isEmpty() && FileEdit->text() != m_loaded)
            RunGuarded([this] { LoadTargets(FileEdit->text()); });
    });
    connect(HelmertButton, &QRadioButton::toggled, this, [this] { refit(); });
    connect(PairTable, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (m_filling || item->column() != kUse)
            return;
        m_pairs[static_cast<size_t>(item->row())].Used = item->checkState() == Qt::Checked;
        refit();
    });
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    refit();
}

TCommonPointForm::~TCommonPointForm() = default;

void TCommonPointForm::browse() {
    const QString path = QFileDialog::getOpenFileName(
        this, QString::fromUtf8("공통점 파일"), FileEdit->text(),
        QString::fromUtf8("측량 파일 (*.txt *.csv *.gsi *.sdr *.rw5 *.raw);;모든 파일 (*)"));
    if (!path.isEmpty())
        LoadTargets(path);
}

void TCommonPointForm::LoadTargets(const QString& path) {
    FileEdit->setText(path);
    m_loaded = path;
    m_pairs.clear();
    m_fit.reset();
    try {
        TNCADProject target;
        m_load(path, target);
        m_pairs = MatchCommonPoints(m_job, target);
    } catch (...) {
        refit();
        throw;
    }
    refit();
}

void TCommonPointForm::refit() {
    m_fit.reset();
    QString text;
    const TFitMethod method = HelmertButton->isChecked() ? TFitMethod::Helmert : TFitMethod::Affine;
    if (FileEdit->text().isEmpty()) {
        text = QString::fromUtf8("공통점 파일을 고르십시오.");
    } else if (m_pairs.empty()) {
        text = QString::fromUtf8("작업과 파일에 같은 점 번호가 없습니다.");
    } else {
        try {
            m_fit = FitPlaneTransform(m_pairs, method);
        } catch (const EFitError& e) {
            text = QString::fromUtf8(e.what());
        }
    }
    if (m_fit) {
        const TTransformTerms t = DescribeTransform(m_fit->Transform);
        text = QString::fromUtf8("이동량 X: %1 m, Y: %2 m\n회전: %3″\n")
                   .arg(metres(t.ShiftX), metres(t.ShiftY), QString::number(t.RotationSeconds, 'f', 3));
        if (method == TFitMethod::Helmert)
            text += QString::fromUtf8("축척: %1 ppm\n").arg(QString::number(t.ScalePpm, 'f', 3));
        else
            text += QString::fromUtf8("축척 X: %1 ppm, Y: %2 ppm, 비직교: %3″\n")
                        .arg(QString::number(t.ScalePpm, 'f', 3), QString::number(t.ScaleYPpm, 'f', 3),
                             QString::number(t.SkewSeconds, 'f', 3));
        const int left = static_cast<int>(m_pairs.size()) - m_fit->Used;
        text += QString::fromUtf8("RMS: %1 m (공통점 %2개").arg(metres(m_fit->Rms)).arg(m_fit->Used);
        text += left > 0 ? QString::fromUtf8(", 제외 %1개)").arg(left) : QString(")");
    }
    ParameterLabel->setText(text);
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(m_fit.has_value());
    showPairs();
}

void TCommonPointForm::showPairs() {
    m_filling = true;
    // Items are made once per load and then only written: a refit runs inside the signal of
    // the tick the user just changed, which must outlive it.
    if (PairTable->rowCount() != static_cast<int>(m_pairs.size())) {
        PairTable->setRowCount(static_cast<int>(m_pairs.size()));
        for (int row = 0; row < PairTable->rowCount(); ++row) {
            auto* use = new QTableWidgetItem;
            use->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
            PairTable->setItem(row, kUse, use);
            for (int c = kId; c < kColumns; ++c) {
                PairTable->setItem(row, c, new QTableWidgetItem);
                if (c != kId)
                    PairTable->item(row, c)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
        }
    }
    for (int row = 0; row < PairTable->rowCount(); ++row) {
        const TCommonPair& pair = m_pairs[static_cast<size_t>(row)];
        PairTable->item(row, kUse)->setCheckState(pair.Used ? Qt::Checked : Qt::Unchecked);
        PairTable->item(row, kId)->setText(QString::fromStdString(pair.ID));
        const TPairResidual* r = m_fit ? &m_fit->Residuals[static_cast<size_t>(row)] : nullptr;
        PairTable->item(row, kDX)->setText(r ? metres(r->DX) : QString());
        PairTable->item(row, kDY)->setText(r ? metres(r->DY) : QString());
        PairTable->item(row, kD)->setText(r ? metres(r->D) : QString());
    }
    m_filling = false;
}
