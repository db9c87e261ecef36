#include "LogForm.h"

#include "schedule/ScheduleLog.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

TFormLog::TFormLog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormLog"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // The language's font, as the main window has it.
    setAttribute(Qt::WA_WindowPropagation);
    resize(623, 313);

    moLog = new QPlainTextEdit(this);
    moLog->setObjectName(QStringLiteral("moLog"));
    moLog->setReadOnly(true);
    moLog->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    moLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    moLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    moLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    moLog->setMaximumBlockCount(TScheduleLog::MaxLines);
    moLog->setAccessibleName(windowTitle());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(moLog);
}

void TFormLog::SetLines(const QString& text)
{
    moLog->setPlainText(text);
    moLog->moveCursor(QTextCursor::End);
    moLog->ensureCursorVisible();
}

void TFormLog::AppendLine(const QString& line)
{
    moLog->appendPlainText(line);
}

void TFormLog::ClearLines()
{
    moLog->clear();
}

void TFormLog::ShowLog()
{
    if (!m_placed && parentWidget()) {
        m_placed = true;
        QRect frame(QPoint(), frameGeometry().size());
        frame.moveCenter(parentWidget()->window()->frameGeometry().center());
        move(frame.topLeft());
    }
    show();
    raise();
    activateWindow();
}

void TFormLog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // The memo has no label: screen readers announce it by the window's caption, in the
    // language the caption is in.
    if (event->type() == QEvent::WindowTitleChange && moLog)
        moLog->setAccessibleName(windowTitle());
}
