#pragma once

#include "RecordSearch.h"

#include <QMainWindow>

#include <memory>

namespace lumaril {

class WidgetOperations;
class WindowOperations;

// The program's one window. It is built from the control and menu tables and holds no logic
// of its own: each button and menu item runs one command, and the commands reach the widgets
// only through the window operations.
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit Form1(QString verseFileName = defaultVerseFileName, QWidget *parent = nullptr);
    ~Form1() override;

    // The window's own operations, on its widgets.
    [[nodiscard]] WidgetOperations &widgetOperations() const { return *m_ops; }

public Q_SLOTS:
    void Command1_Click();
    void Command3_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void connectCommands();

    QString m_verseFileName;
    std::unique_ptr<WidgetOperations> m_ops;
    bool m_unloaded = false;
};

} // namespace lumaril
