#include "toolkit/DirectoryEdit.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

TDirectoryEdit::TDirectoryEdit(QWidget* parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_button(new QToolButton(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_edit);
    layout->addWidget(m_button);
    m_button->setText("...");
    m_button->setCursor(Qt::PointingHandCursor);
    setFocusProxy(m_edit);
    connect(m_button, &QToolButton::clicked, this, &TDirectoryEdit::Browse);
}

QString TDirectoryEdit::Text() const { return m_edit->text(); }
void TDirectoryEdit::SetText(const QString& text) { m_edit->setText(text); }

void TDirectoryEdit::Browse() {
    const QString start = m_edit->text().isEmpty() ? QDir::homePath() : m_edit->text();
    const QString dir = QFileDialog::getExistingDirectory(this, QString(), start);
    if (!dir.isEmpty())
        m_edit->setText(QDir::toNativeSeparators(dir));
}
