#pragma once

#include "CommandQueue.h"
#include "RecordSearch.h"

#include <QMainWindow>

#include <functional>
#include <memory>

namespace lumaril {

class WidgetOperations;
class WindowOperations;

// The program's one window. It is built from the control and menu tables and holds no logic
// of its own: each button and menu item runs one command, and the commands reach the widgets
// only through the window operations. The order of commands and of closing is the command
// queue's: commands never nest, and a close asked for during a command waits for its end.
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
    CommandQueue m_commands;
    bool m_unloading = false;
};

} // namespace lumaril
