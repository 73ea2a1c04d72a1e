#pragma once

#include "RecordSearch.h"

#include <QMainWindow>

#include <deque>
#include <functional>
#include <memory>

namespace lumaril {

class WidgetOperations;
class WindowOperations;

// The program's one window. It is built from the control and menu tables and holds no logic
// of its own: each button and menu item runs one command, and the commands reach the widgets
// only through the window operations.
//
// Commands never nest. A command asked for while another one runs (or shows its message),
// which accessibility tools can do by pressing a button, runs once that one has ended, in the
// order asked. A request to close the window meanwhile is kept the same way: the running
// command ends with its message, then the farewell is shown and the window closes.
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit Form1(QString verseFileName = defaultVerseFileName, QWidget *parent = nullptr);
    ~Form1() override;

    // The window's own operations, on its widgets.
    [[nodiscard]] WidgetOperations &widgetOperations() const { return *m_ops; }

    // Raises the unload procedure (the farewell) and closes the window, from within a command.
    void unload();
    // Ends the program: no command still waiting runs.
    void endProgram();

public Q_SLOTS:
    void Command1_Click();
    void Command3_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void connectCommands();

    // Runs the command now, or once the command running has ended.
    void run(std::function<void()> command);

    QString m_verseFileName;
    std::unique_ptr<WidgetOperations> m_ops;
    std::deque<std::function<void()>> m_waiting;
    bool m_running = false;
    bool m_closeAsked = false;
    bool m_unloading = false;
    bool m_unloaded = false;
    bool m_ended = false;
};

} // namespace lumaril
