#pragma once

#include <QDialog>

class QPlainTextEdit;

// The schedule log window: a sizeable tool window over the main window whose memo moLog shows
// the schedule log, newest line at the bottom. It never holds more lines than the log keeps.
// Made once at start-up and kept; shown without being modal.
class TFormLog : public QDialog
{
    Q_OBJECT

public:
    explicit TFormLog(QWidget* parent = nullptr);

    // Replaces the memo's whole text by the log's lines and brings the newest into view.
    void SetLines(const QString& text);
    // Adds one line at the end; the oldest goes once the memo holds as many lines as the log.
    void AppendLine(const QString& line);
    void ClearLines();
    // Shows the window, centred on its parent the first time, and brings it to the front.
    void ShowLog();

    QPlainTextEdit* moLog = nullptr;

protected:
    void changeEvent(QEvent* event) override;

private:
    bool m_placed = false;
};
