#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TDirectoryEdit;
class TNCADProject;

// The save dialog of the point file: a name and a folder; OK writes every point of the
// project, group by group.
class TFileSaveForm : public QDialog {
    Q_OBJECT
public:
    explicit TFileSaveForm(const TNCADProject& project, QWidget* parent = nullptr);

    // Shows the dialog modally; the file is written (or a message shown) by OK.
    int Execute();
    // True once OK has written the file, which SavedPath() names.
    bool Saved() const { return m_saved; }
    const QString& SavedPath() const { return m_savedPath; }

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* FileNameEdit = nullptr;
    QLabel* Label3 = nullptr;
    TDirectoryEdit* DirectoryEdit = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

private:
    void BitBtn1Click();

    const TNCADProject& m_project;
    bool m_saved = false;
    QString m_savedPath;
};
