#pragma once

#include <QDialog>

#include <chrono>
#include <functional>

class QLabel;
class QPushButton;
class QToolButton;
class TCustomComPort;
class TNiceGrid;

// What the upload window asks of the plan view, which belongs to the main window.
struct TSendViewLink {
    std::function<void()> StartPick;  // the view's next click picks a point for this window
    std::function<void()> PointAdded; // a picked point has been added to the table
    std::function<void()> Repaint;    // the window closed after a send
};

// The upload window: a stay-on-top, editable copy of the point table that is sent to the
// instrument as it stands. Points picked in the view can be added to it. The port and the
// view belong to the main window.
class TDataSendForm : public QDialog {
    Q_OBJECT
public:
    TDataSendForm(QWidget* owner, TCustomComPort* port, TSendViewLink view);

    // Adds a row for a point picked at world (X, Y): the row number as ID, both coordinates
    // rounded to 0.01 and written with four decimals, Z 0.0000, no code. Throws, adding
    // nothing, for a place too large to round.
    void AddSendPoint(double X, double Y);

    void Button1Click(); // cancel: hides the window
    void Button2Click(); // send
    void SpeedButton1Click(); // pick a point in the view
    void SpeedButton2Click(); // add an empty row
    void SpeedButton3Click(); // delete the selected rows (also the Delete key)

    // The rows as they will go to the instrument.
    std::string WireText() const;

    // A send during which no byte leaves for this long has failed (the instrument holds
    // the line or does not listen).
    std::chrono::milliseconds StallLimit{10000};

    QLabel* Panel1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    TNiceGrid* NiceGrid1 = nullptr;
    QWidget* Panel2 = nullptr;
    QPushButton* Button1 = nullptr; // 취소
    QPushButton* Button2 = nullptr; // 전송

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Send();

    TCustomComPort* m_port;
    TSendViewLink m_view;
};
