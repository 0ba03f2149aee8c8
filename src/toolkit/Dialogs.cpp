#include "toolkit/Dialogs.h"

#include "toolkit/Catalog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace Dialogs {

namespace {
Hook& hook() {
    static Hook h;
    return h;
}

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Error:
        return QMessageBox::Critical;
    case Icon::Information:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

Answer Show(const Box& box) {
    if (hook())
        return hook()(box);
    QMessageBox mb(qtIcon(box.icon), box.title, box.text, QMessageBox::NoButton,
                   QApplication::activeWindow());
    if (box.buttons == Buttons::YesNo) {
        const bool worded = !box.yesText.isEmpty();
        QPushButton* yes = mb.addButton(worded ? box.yesText : Catalog::Tk("&Yes"), QMessageBox::YesRole);
        QPushButton* no = mb.addButton(worded ? box.noText : Catalog::Tk("&No"), QMessageBox::NoRole);
        mb.setDefaultButton(yes);
        mb.setEscapeButton(worded ? yes : no);
        mb.exec();
        return mb.clickedButton() == yes ? Answer::Yes : Answer::No;
    }
    if (box.buttons == Buttons::YesNoCancel) {
        auto caption = [](const QString& text, const char* plain) {
            return text.isEmpty() ? Catalog::Tk(plain) : text;
        };
        QPushButton* yes = mb.addButton(caption(box.yesText, "&Yes"), QMessageBox::AcceptRole);
        QPushButton* no = mb.addButton(caption(box.noText, "&No"), QMessageBox::DestructiveRole);
        QPushButton* cancel = mb.addButton(caption(box.cancelText, "Cancel"), QMessageBox::RejectRole);
        mb.setDefaultButton(yes);
        mb.setEscapeButton(cancel);
        mb.exec();
        return mb.clickedButton() == yes  ? Answer::Yes
               : mb.clickedButton() == no ? Answer::No
                                          : Answer::Cancel;
    }
    QPushButton* ok = mb.addButton(Catalog::Tk("OK"), QMessageBox::AcceptRole);
    mb.setDefaultButton(ok);
    mb.setEscapeButton(ok);
    mb.exec();
    return Answer::Ok;
}

void ShowMessage(const QString& text) {
    Show({QCoreApplication::applicationName(), text, Icon::Information, Buttons::Ok});
}

bool Confirm(const QString& text) {
    return Show({Catalog::Tk("Confirm"), text, Icon::Question, Buttons::YesNo}) == Answer::Yes;
}

void ShowError(const QString& text) {
    Show({QCoreApplication::applicationName(), text, Icon::Error, Buttons::Ok});
}

void SetHook(Hook h) { hook() = std::move(h); }

bool SavePdf(QWidget* parent, const QString& suggested, const std::function<bool(const QString& path)>& write) {
    QFileDialog dialog(parent, "PDF로 저장");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter("PDF (*.pdf)");
    dialog.setDefaultSuffix("pdf");
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const QString path = dialog.selectedFiles().first();
    if (!write(path))
        return false;
    ShowMessage(QFileInfo(path).fileName() + " PDF 저장이 완료되었습니다.");
    return true;
}

} // namespace Dialogs
